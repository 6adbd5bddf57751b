#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace store {

// A score report is the text "score TAB level TAB name TAB executable TAB exe" that the game
// sends when a player publishes a score. Its code, which goes into a web address, is three
// decimal digits per byte of: sum1, sum2, then the report bytes, each byte XORed with the one
// before it (the first with kScoreReportChainStart). sum1 is the sum of the report bytes and
// sum2 the sum of the report bytes XORed with kScoreReportMask, both modulo 256.

// The receiving server must decode with these same two values; changing either makes every
// code sent before unreadable.
inline constexpr std::uint8_t kScoreReportMask = 0x5A;
inline constexpr std::uint8_t kScoreReportChainStart = 0xA7;

// The executable name every report of ours carries.
inline constexpr std::string_view kScoreReportExecutable = "hoopstack";

enum class ScoreReportStatus {
    Ok,
    Empty,           // no digits at all
    NotDigits,       // a character other than 0-9
    BadLength,       // the length is not a multiple of 3
    TooShort,        // fewer than the two sum bytes
    ByteOutOfRange,  // a three-digit group above 255
    Sum1Mismatch,
    Sum2Mismatch,
    TooFewFields,    // fewer than five TAB-separated fields
    BadScore,        // the first field is not a score as BuildScoreReport writes it
    NotExe,          // the last field is not "exe"
};

struct ScoreReportDecode {
    ScoreReportStatus status = ScoreReportStatus::Empty;
    std::string error;   // one line for people; empty when status is Ok
    std::string report;  // the report text, filled once both sums match
    // The fields, valid only when status is Ok. The name is everything between the level
    // and the executable, TABs included.
    std::int32_t score = 0;
    std::string level;
    std::string name;
    std::string executable;
};

// The code for the report bytes: 3 * (report.size() + 2) decimal digits.
std::string EncodeScoreReport(std::string_view report);

// The report text the game sends for a score, with kScoreReportExecutable as the executable.
std::string BuildScoreReport(std::int32_t score, std::string_view level, std::string_view name);

// Turns a code back into its report and fields; time is linear in the length of the code.
[[nodiscard]] ScoreReportDecode DecodeScoreReport(std::string_view code);

// A score exactly as "%d" writes it: an optional '-', then digits without leading zeros,
// within 32 bits. Anything else, "-0", "+1" and "007" included, gives nothing.
[[nodiscard]] std::optional<std::int32_t> ParseReportScore(std::string_view text);

} // namespace store
