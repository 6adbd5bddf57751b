#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/Expected.hpp"
#include "server/Records.hpp"

namespace server {

// The longest name a report may carry, counted in the game's bytes: it shows at most 99.
inline constexpr std::size_t kMaxNameBytes = 99;

// Checks the code of a publish address (the value after "e=") and turns it into a record
// received at `receivedAt`. The error is one sentence for the player, saying what is wrong:
// a code that does not decode, a level outside 1-3, a negative score, a name too long or one
// DecodeName refuses.
Expected<NewRecord> ParsePublishCode(std::string_view code, std::int64_t receivedAt);

// A level number written exactly as the game writes it, "1" to "3"; anything else gives nothing.
std::optional<int> ParseLevel(std::string_view text);

// A byte of Windows code page 1252, the game's text encoding, as a Unicode character;
// nothing for the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
std::optional<char32_t> CodePage1252Character(unsigned char byte);

// A name as the game sends it (code page 1252 bytes) as the pages show it: UTF-8, without the
// spaces (and no-break spaces) around it. Refused, with a sentence for the player: an
// undefined byte, a name that is empty after trimming, a control character, and an invisible
// formatting character (soft hyphen, zero-width characters, bidirectional controls, BOM),
// which would let one name pass for another.
Expected<std::string> DecodeName(std::string_view raw);

// Whether UTF-8 text is a name DecodeName could have made: well-formed, not empty, no
// control or formatting character, no space at either end.
bool IsShowableName(std::string_view utf8);

// Why UTF-8 text is not a name a publish could have stored, in a few lowercase words; nothing
// when it is one: IsShowableName holds, every character is one of code page 1252's, and there
// are at most kMaxNameBytes of them.
std::optional<std::string> StoredNameFault(std::string_view utf8);

// The text that identifies a report: a publish of the same text is a duplicate.
std::string ReportText(int level, std::int32_t score, const std::string& name);

} // namespace server
