#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/Expected.hpp"
#include "server/Records.hpp"

namespace server {

// The longest name a report may carry, in bytes: the game shows at most 99 characters.
inline constexpr std::size_t kMaxNameBytes = 99;

// Checks the code of a publish address (the value after "e=") and turns it into a record
// received at `receivedAt`. The error is one sentence for the player, saying what is wrong:
// a code that does not decode, a level outside 1-3, a negative score, a name too long or
// holding a control character.
Expected<NewRecord> ParsePublishCode(std::string_view code, std::int64_t receivedAt);

// A level number written exactly as the game writes it, "1" to "3"; anything else gives nothing.
std::optional<int> ParseLevel(std::string_view text);

// The name as the pages show it: valid UTF-8 stays as it is, any other text is read as
// Latin-1, one character per byte. Nothing when it holds a control character (C0, DEL, C1)
// or a character that reorders or breaks the text around it.
std::optional<std::string> NormaliseName(std::string_view raw);

} // namespace server
