#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace server {

// A day's table takes a publish from the start of its UTC day until this long after its end,
// so that players in every time zone can publish the day's game.
inline constexpr std::int64_t kSecondsPerDay = 86400;
inline constexpr std::int64_t kDailyGrace = 12 * 3600;
// The days around the moment of a publish whose games are recognised: every day whose window
// holds it, and a few more on either side so that a publish too early or too late is told so.
inline constexpr std::int64_t kDailyLookaround = 3;

// A day's game recognised in a publish.
struct DailyGame {
    std::int64_t day = 0;  // days since 1970-01-01
    bool inWindow = false; // published from the day's start until kDailyGrace after its end
};

// Whether a moment lies in a day's publishing window: from the day's first second up to, but
// not including, kDailyGrace after its last.
bool InDailyWindow(std::int64_t day, std::int64_t secondsSinceEpoch);

// The day whose game starts from `start` at `level` (1-3, as reports write it), looked for
// only among the kDailyLookaround days either side of the publish's own UTC day; nothing for
// any other game. Days in the window come first, the nearest first.
std::optional<DailyGame> FindDailyGame(std::uint32_t start, int level, std::int64_t publishedAt);

// Why a day's game published outside its window is kept off the tables.
std::string OutsideDailyWindowReason(std::int64_t day, std::int64_t publishedAt);

// The day's court before its first throw: 16 rows of 16 digits joined by '/' as boards are
// stored, for drawing it as final courts are drawn.
std::string DailyStartBoard(std::int64_t day);

// The day as YYYY-MM-DD.
std::string DayText(std::int64_t day);

} // namespace server
