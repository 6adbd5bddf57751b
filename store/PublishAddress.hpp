#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace store {

// The longest address "Publish" opens. A replay that would make the address longer is left
// out, and the score is published without it (unverified), as before replays.
inline constexpr std::size_t kMaxPublishAddress = 8192;
// The publishing page, after the web base and before the query.
inline constexpr std::string_view kPublishPath = "/cgi-bin/gameres.pl";

// The query the game sends for a report code: "e=CODE", and "&r=REPLAY" when a replay's text
// is given and the whole address, base + kPublishPath + "?" + query, stays within
// kMaxPublishAddress. The replay's text is base64url and needs no escaping.
std::string PublishQuery(std::string_view base, std::string_view code, std::string_view replay = {});

// base + kPublishPath + "?" + PublishQuery(base, code, replay).
std::string PublishAddress(std::string_view base, std::string_view code, std::string_view replay = {});

// True for a non-empty text of base64url characters only (A-Z, a-z, 0-9, '-', '_'): the form
// a replay's text has, which may go into an address as it is.
bool IsAddressSafeReplayText(std::string_view text);

} // namespace store
