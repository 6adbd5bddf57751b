#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/Records.hpp"

namespace server {

// Whether a publish's replay proves its report: the replay decodes, was played under our
// rules version, plays into a finished game at the report's level and ends with exactly the
// report's score. Pure CPU work that may take a good part of a second for a hostile replay:
// run it on the verification workers, never on an I/O thread. Never throws for any input.
//
// The text is checked and kept as store::TrimReplayText leaves it. Text that is not
// base64url, or longer than kMaxStoredReplay, is refused without decoding and not kept; any
// other replay text is kept with the record, verified or not.
ReplayCheck CheckReplay(std::string_view text, int level, std::int32_t score);

// The frames checking the text will play (at most its replay's frames), or nothing when
// CheckReplay judges it without playing: no replay, too long, not base64url, no replay that
// decodes, more frames than a replay may hold. Such text is cheap to judge on any thread.
std::optional<std::uint32_t> ReplayFrames(std::string_view text);

// Whether the text holds only base64url characters (A-Z a-z 0-9 - _), and at least one.
bool IsReplayText(std::string_view text);

// SHA-256 of the bytes, as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

// The rows of a court joined by '/' as stored; and back, nothing unless it is exactly 16
// rows of 16 digits 0-7.
std::string JoinBoard(const std::array<std::string, 16>& rows);
std::optional<std::array<std::string, 16>> SplitBoard(std::string_view board);

// A reason safe on one line of `admin list`: control characters become spaces, and it is
// cut to a sane length.
std::string OneLineReason(std::string_view reason);

} // namespace server
