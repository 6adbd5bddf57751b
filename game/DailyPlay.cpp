#include "game/DailyPlay.hpp"

#include <chrono>
#include <utility>

#include "rules/DailyCourt.hpp"
#include "store/DailyStreak.hpp"

namespace game {

DailyGame CourtOfDay(std::int64_t day) {
    return DailyGame{day, rules::DailyLevel(day), rules::DailyStart(day), false};
}

bool IsGameOfDay(const rules::GameReplay& replay, std::int64_t day) {
    if (day < 0 || day > rules::kLastDailyDay) return false;
    return replay.startState == rules::DailyStart(day) && replay.level == rules::DailyLevel(day);
}

DailyPlay::DailyPlay(std::optional<std::string> statisticsPath, std::function<std::int64_t()> clock)
    : m_statisticsPath(std::move(statisticsPath)), m_clock(std::move(clock)) {
    if (!m_clock)
        m_clock = [] {
            return std::int64_t(std::chrono::duration_cast<std::chrono::seconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count());
        };
    if (m_statisticsPath) m_statistics = store::PlayStatistics::Load(*m_statisticsPath);
}

std::int64_t DailyPlay::Today() const {
    const std::int64_t now = m_clock();
    // A clock before 1970 counts as its first day; one past the calendar's end as its last.
    if (now < 0) return 0;
    const std::int64_t day = rules::DayOfUnixTime(now);
    return day > rules::kLastDailyDay ? rules::kLastDailyDay : day;
}

DailyEntry DailyPlay::Enter(const std::optional<rules::GameReplay>& savedReplay, bool savedRestorable) {
    const std::int64_t today = Today();
    const auto playing = [&](std::int64_t day) {
        const std::optional<store::DailyAttempt> attempt = m_statistics.Attempt(day);
        return attempt && attempt->state == store::AttemptState::Playing;
    };
    if (savedReplay && savedRestorable && !savedReplay->finished) {
        // Yesterday's court goes on only as the ranked attempt it started as.
        for (const std::int64_t day : {today, today - 1}) {
            if (!IsGameOfDay(*savedReplay, day) || (day != today && !playing(day))) continue;
            DailyGame game = CourtOfDay(day);
            game.ranked = playing(day);
            m_current = game;
            return {game, true};
        }
    }
    bool changed = false;
    // An attempt whose game is gone cannot go on, and one of yesterday's ends with the day.
    for (const std::int64_t day : {today, today - 1})
        if (playing(day)) changed = m_statistics.GiveUpDailyAttempt(day) || changed;
    DailyGame game = CourtOfDay(today);
    game.ranked = m_statistics.BeginDailyAttempt(today, int(game.level) + 1);
    if (changed || game.ranked) SaveStatistics();
    m_current = game;
    GameStarted(game.level);
    return {game, false};
}

DailyGame DailyPlay::Practice() {
    if (!m_current) m_current = CourtOfDay(Today());
    if (m_current->ranked && m_statistics.GiveUpDailyAttempt(m_current->day)) SaveStatistics();
    m_current->ranked = false;
    GameStarted(m_current->level);
    return *m_current;
}

void DailyPlay::GameStarted(rules::Level level) {
    m_statistics.RecordGameStarted(int(level) + 1);
    SaveStatistics();
}

std::optional<DailyOutcome> DailyPlay::GameEnded(rules::Level level, int score) {
    m_statistics.RecordGameFinished(int(level) + 1, score);
    std::optional<DailyOutcome> outcome;
    if (m_current && m_current->ranked && m_statistics.FinishDailyAttempt(m_current->day, score)) {
        const store::DailyStreaks streak = store::StreaksOf(m_statistics, Today());
        outcome = DailyOutcome{m_current->day, m_current->level, score, streak.current, streak.best};
        // The court can be played again, as practice.
        m_current->ranked = false;
    }
    SaveStatistics();
    return outcome;
}

void DailyPlay::SaveStatistics() {
    if (m_statisticsPath) m_statistics.Save(*m_statisticsPath);
}

} // namespace game
