#include "DailyGames.hpp"

#include "rules/DailyCourt.hpp"
#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"
#include "rules/SimScene.hpp"
#include "server/Records.hpp"
#include "server/ReplayCheck.hpp"

namespace server {

bool InDailyWindow(std::int64_t day, std::int64_t secondsSinceEpoch) {
    const std::int64_t start = day * kSecondsPerDay;
    return secondsSinceEpoch >= start && secondsSinceEpoch < start + kSecondsPerDay + kDailyGrace;
}

std::optional<DailyGame> FindDailyGame(std::uint32_t start, int level, std::int64_t publishedAt) {
    if (publishedAt < 0 || level < kFirstLevel || level > kLastLevel) return std::nullopt;
    const std::int64_t today = rules::DayOfUnixTime(publishedAt);
    std::optional<DailyGame> found;
    // Nearest first, and within the window before outside it.
    for (std::int64_t distance = 0; distance <= kDailyLookaround; ++distance)
        for (const std::int64_t day : {today - distance, today + distance}) {
            if (day < 0 || day > rules::kLastDailyDay) continue;
            if (rules::DailyStart(day) != start || int(rules::DailyLevel(day)) + kFirstLevel != level)
                continue;
            const DailyGame game{day, InDailyWindow(day, publishedAt)};
            if (game.inWindow) return game;
            if (!found) found = game;
        }
    return found;
}

std::string DayText(std::int64_t day) {
    return rules::FormatCalendarDate(rules::DateOfDay(day));
}

std::string OutsideDailyWindowReason(std::int64_t day, std::int64_t publishedAt) {
    const bool early = publishedAt < day * kSecondsPerDay;
    return "the game of the day " + DayText(day) + " was published " +
           (early ? "before the day began" : "more than 12 hours after the day ended") +
           ", outside the day's window";
}

std::string DailyStartBoard(std::int64_t day) {
    rules::GameReplay replay;
    replay.level = rules::DailyLevel(day);
    replay.startState = rules::DailyStart(day);
    replay.frameCounts.fill(rules::SimBall::kFrames);
    replay.ticks = 0;
    const rules::ReplayRun run = rules::PlayReplay(replay, 1);
    return run.played ? JoinBoard(run.outcome.board) : std::string();
}

} // namespace server
