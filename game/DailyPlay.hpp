#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "rules/GameReplay.hpp"
#include "rules/GameSettings.hpp"
#include "store/PlayStatistics.hpp"

namespace game {

// A game of the day's court: the UTC day it belongs to (the day it started on, whatever the
// clock says later), its level and generator start, and whether it is the day's ranked attempt
// or practice.
struct DailyGame {
    std::int64_t day = 0;
    rules::Level level = rules::Level::Novice;
    std::uint32_t start = 1;
    bool ranked = false;
};

// How entering the day's court goes on: the game to show, and whether the daily slot's saved
// game is that game in progress, to be continued, rather than one to start afresh.
struct DailyEntry {
    DailyGame game;
    bool resume = false;
};

// What a ranked attempt ended with, for the result window.
struct DailyOutcome {
    std::int64_t day = 0;
    rules::Level level = rules::Level::Novice;
    int score = 0;
    int currentStreak = 0;
    int bestStreak = 0;
};

// The day's court of `day`: its level and start, not ranked.
DailyGame CourtOfDay(std::int64_t day);
// Whether a replay is a game of that day's court.
bool IsGameOfDay(const rules::GameReplay& replay, std::int64_t day);

// The player's statistics and the daily game being played: which court a daily game is, which
// attempt is ranked (the first game started on a day; after it ends, practice), and what every
// game's start and end add to the statistics, which are written after each change. Owns no
// game and no window: the game window asks it and applies the answers.
class DailyPlay {
public:
    // `statisticsPath` none keeps the statistics in memory only; `clock` gives the Unix time
    // in seconds (the system's by default).
    explicit DailyPlay(std::optional<std::string> statisticsPath = std::nullopt,
                       std::function<std::int64_t()> clock = {});

    // The UTC day the clock stands on.
    std::int64_t Today() const;

    // Entering the day's court: continues the daily slot's saved game when it is today's court,
    // or yesterday's ranked attempt still being played (a game belongs to the day it started
    // on); otherwise starts today's court, ranked when it is today's first attempt. A ranked
    // attempt that cannot be continued (its saved game is gone) is given up.
    DailyEntry Enter(const std::optional<rules::GameReplay>& savedReplay, bool savedRestorable);
    // A new game of the current court: practice, giving up a ranked attempt in progress.
    DailyGame Practice();
    // Leaving the day's court; a ranked attempt in progress stays open, to be continued.
    void Leave() { m_current.reset(); }

    // Counts a game started at `level`, daily or not.
    void GameStarted(rules::Level level);
    // Counts a game that ended with `score`; a ranked attempt's end is recorded for its day and
    // returned with the streak it makes, once.
    std::optional<DailyOutcome> GameEnded(rules::Level level, int score);

    // The daily game being played, or none outside the day's court.
    const std::optional<DailyGame>& Current() const { return m_current; }
    const store::PlayStatistics& Statistics() const { return m_statistics; }

private:
    void SaveStatistics();

    std::optional<std::string> m_statisticsPath;
    std::function<std::int64_t()> m_clock;
    store::PlayStatistics m_statistics;
    std::optional<DailyGame> m_current;
};

} // namespace game
