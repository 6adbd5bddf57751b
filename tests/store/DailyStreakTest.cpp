#include "store/DailyStreak.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "rules/DailyCourt.hpp"

using store::AttemptState;
using store::ComputeDailyStreaks;
using store::DailyAttempt;
using store::DailyStreaks;
using store::PlayStatistics;

namespace {

std::int64_t dayOf(int year, int month, int day) {
    return rules::DaysSinceEpoch({year, month, day});
}

// Unix seconds of a UTC date and time.
std::int64_t unixTime(int year, int month, int day, int hour, int minute, int second) {
    return dayOf(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

DailyAttempt finished(std::int64_t day) {
    return {day, 1, 10, AttemptState::Finished};
}
DailyAttempt givenUp(std::int64_t day) {
    return {day, 1, 0, AttemptState::GivenUp};
}
DailyAttempt playing(std::int64_t day) {
    return {day, 1, 0, AttemptState::Playing};
}

// The statistics of a player who plays the day's game to its end at each of `moments`.
PlayStatistics finishedAt(std::initializer_list<std::int64_t> moments) {
    PlayStatistics s;
    for (const std::int64_t moment : moments) {
        const std::int64_t day = rules::DayOfUnixTime(moment);
        EXPECT_TRUE(s.BeginDailyAttempt(day, 1)) << moment;
        EXPECT_TRUE(s.FinishDailyAttempt(day, 5)) << moment;
    }
    return s;
}

// Sets the process's time zone for the life of the object.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

    // Unix seconds of local midnight starting the local date.
    static std::int64_t localMidnight(int year, int month, int day) {
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_isdst = -1;
        return static_cast<std::int64_t>(std::mktime(&local));
    }
    // The local calendar day of the Unix time `moment`.
    static int localDayOfMonth(std::int64_t moment) {
        const std::time_t t = static_cast<std::time_t>(moment);
        std::tm local{};
        ::localtime_r(&t, &local);
        return local.tm_mday;
    }

private:
    std::optional<std::string> m_old;
};

} // namespace

TEST(DailyStreaks, CountFinishedDaysInARow) {
    const std::int64_t today = 20000;
    EXPECT_EQ(ComputeDailyStreaks({}, today), (DailyStreaks{0, 0}));
    const std::vector<DailyAttempt> toYesterday{finished(today - 3), finished(today - 2),
                                                finished(today - 1)};
    // Today still open does not break the run; finishing it adds today; giving it up ends it.
    EXPECT_EQ(ComputeDailyStreaks(toYesterday, today), (DailyStreaks{3, 3}));
    auto withToday = toYesterday;
    withToday.push_back(playing(today));
    EXPECT_EQ(ComputeDailyStreaks(withToday, today), (DailyStreaks{3, 3}));
    withToday.back() = finished(today);
    EXPECT_EQ(ComputeDailyStreaks(withToday, today), (DailyStreaks{4, 4}));
    withToday.back() = givenUp(today);
    EXPECT_EQ(ComputeDailyStreaks(withToday, today), (DailyStreaks{0, 3}));
}

TEST(DailyStreaks, AMissedOrUnfinishedDayEndsTheRun) {
    const std::int64_t today = 20000;
    // Yesterday missed: the run of two before it is only the best.
    EXPECT_EQ(ComputeDailyStreaks({finished(today - 3), finished(today - 2)}, today), (DailyStreaks{0, 2}));
    // A day given up or left playing in between splits the runs.
    EXPECT_EQ(ComputeDailyStreaks({finished(today - 5), finished(today - 4), finished(today - 3),
                                   givenUp(today - 2), finished(today - 1)},
                                  today),
              (DailyStreaks{1, 3}));
    EXPECT_EQ(ComputeDailyStreaks(
                  {finished(today - 3), playing(today - 2), finished(today - 1), finished(today)}, today),
              (DailyStreaks{2, 2}));
    // A day of no attempt in between splits them too.
    EXPECT_EQ(ComputeDailyStreaks({finished(today - 4), finished(today - 2), finished(today - 1)}, today),
              (DailyStreaks{2, 2}));
}

TEST(DailyStreaks, ContinueThroughTheDaysNoLongerKept) {
    PlayStatistics s;
    const std::int64_t first = 30000;
    const int days = static_cast<int>(PlayStatistics::kMaxAttempts) + 10;
    for (int i = 0; i < days; ++i) {
        ASSERT_TRUE(s.BeginDailyAttempt(first + i, 1));
        ASSERT_TRUE(s.FinishDailyAttempt(first + i, 1));
    }
    EXPECT_EQ(store::StreaksOf(s, first + days), (DailyStreaks{days, days}));
    EXPECT_EQ(store::StreaksOf(s, first + days + 1), (DailyStreaks{0, days}));
    // A streak among the dropped days stays the best after newer days break it.
    ASSERT_TRUE(s.BeginDailyAttempt(first + days, 1));
    ASSERT_TRUE(s.GiveUpDailyAttempt(first + days));
    for (int i = 1; i <= static_cast<int>(PlayStatistics::kMaxAttempts); ++i) {
        ASSERT_TRUE(s.BeginDailyAttempt(first + days + i, 1));
        ASSERT_TRUE(s.FinishDailyAttempt(first + days + i, 1));
    }
    EXPECT_EQ(store::StreaksOf(s, first + days + static_cast<int>(PlayStatistics::kMaxAttempts)),
              (DailyStreaks{static_cast<int>(PlayStatistics::kMaxAttempts), days}));
}

TEST(DailyStreaksOnTheCalendar, MidnightUtcStartsTheNextDay) {
    const std::int64_t lastSecond = unixTime(2026, 12, 10, 23, 59, 59);
    const PlayStatistics s = finishedAt({unixTime(2026, 12, 9, 12, 0, 0), lastSecond});
    // A second later it is the next day: still open, so the run of two lasts, and a new
    // attempt may start.
    const std::int64_t nextDay = rules::DayOfUnixTime(lastSecond + 1);
    EXPECT_EQ(nextDay, rules::DayOfUnixTime(lastSecond) + 1);
    EXPECT_EQ(store::StreaksOf(s, nextDay), (DailyStreaks{2, 2}));
    EXPECT_EQ(store::StreaksOf(s, nextDay + 1), (DailyStreaks{0, 2}));
    PlayStatistics again = s;
    EXPECT_FALSE(again.BeginDailyAttempt(rules::DayOfUnixTime(lastSecond), 1));
    EXPECT_TRUE(again.BeginDailyAttempt(nextDay, 1));
}

TEST(DailyStreaksOnTheCalendar, LocalMidnightAndTimeZonesNeverMakeTwoDaysOfOne) {
    for (const char* zone : {"Pacific/Auckland", "America/Los_Angeles"}) {
        SCOPED_TRACE(zone);
        const TimeZone inZone(zone);
        // Local midnight is not a UTC midnight in either zone: the seconds around it are the
        // same day, so a second attempt there is refused.
        const std::int64_t midnight = TimeZone::localMidnight(2026, 7, 15);
        ASSERT_EQ(TimeZone::localDayOfMonth(midnight - 1) + 1, TimeZone::localDayOfMonth(midnight));
        ASSERT_EQ(rules::DayOfUnixTime(midnight - 1), rules::DayOfUnixTime(midnight));
        PlayStatistics s = finishedAt({midnight - 1});
        EXPECT_FALSE(s.BeginDailyAttempt(rules::DayOfUnixTime(midnight + 1), 1));
        EXPECT_EQ(store::StreaksOf(s, rules::DayOfUnixTime(midnight + 1)), (DailyStreaks{1, 1}));
    }
    // One moment is one day in every zone, though the local dates differ by a day: moving the
    // machine from Los Angeles to Auckland cannot play that day again.
    const std::int64_t moment = unixTime(2026, 7, 15, 20, 0, 0);
    int losAngelesDate = 0;
    int aucklandDate = 0;
    PlayStatistics s;
    {
        const TimeZone inZone("America/Los_Angeles");
        losAngelesDate = TimeZone::localDayOfMonth(moment);
        ASSERT_TRUE(s.BeginDailyAttempt(rules::DayOfUnixTime(moment), 1));
        ASSERT_TRUE(s.FinishDailyAttempt(rules::DayOfUnixTime(moment), 3));
    }
    {
        const TimeZone inZone("Pacific/Auckland");
        aucklandDate = TimeZone::localDayOfMonth(moment + 60);
        EXPECT_FALSE(s.BeginDailyAttempt(rules::DayOfUnixTime(moment + 60), 1));
    }
    EXPECT_EQ(losAngelesDate + 1, aucklandDate);
    EXPECT_EQ(store::StreaksOf(s, rules::DayOfUnixTime(moment)), (DailyStreaks{1, 1}));
}

TEST(DailyStreaksOnTheCalendar, AClockSetBackAddsNoDay) {
    PlayStatistics s;
    const std::int64_t today = dayOf(2026, 12, 11);
    for (std::int64_t day = today - 2; day <= today; ++day) {
        ASSERT_TRUE(s.BeginDailyAttempt(day, 1));
        ASSERT_TRUE(s.FinishDailyAttempt(day, 1));
    }
    // Two days back: no attempt can be started, and the later days do not lengthen the run
    // that the clock now calls current.
    for (std::int64_t day = today - 5; day <= today; ++day) EXPECT_FALSE(s.BeginDailyAttempt(day, 1)) << day;
    EXPECT_EQ(store::StreaksOf(s, today - 2), (DailyStreaks{1, 3}));
    EXPECT_EQ(store::StreaksOf(s, today - 10), (DailyStreaks{0, 3}));
    // Set right again, the next day continues the run.
    ASSERT_TRUE(s.BeginDailyAttempt(today + 1, 1));
    ASSERT_TRUE(s.FinishDailyAttempt(today + 1, 1));
    EXPECT_EQ(store::StreaksOf(s, today + 1), (DailyStreaks{4, 4}));
}

TEST(DailyStreaksOnTheCalendar, RunAcrossAYearEndAndLeapDays) {
    const auto runOf = [](std::initializer_list<std::int64_t> days) {
        std::vector<DailyAttempt> attempts;
        for (const std::int64_t day : days) attempts.push_back(finished(day));
        return ComputeDailyStreaks(attempts, attempts.back().day);
    };
    EXPECT_EQ(runOf({dayOf(2026, 12, 30), dayOf(2026, 12, 31), dayOf(2027, 1, 1)}), (DailyStreaks{3, 3}));
    EXPECT_EQ(runOf({dayOf(2024, 2, 28), dayOf(2024, 2, 29), dayOf(2024, 3, 1)}), (DailyStreaks{3, 3}));
    // 2024-02-28 to 03-01 skips the leap day; 2100 has none, so there they follow each other.
    EXPECT_EQ(runOf({dayOf(2024, 2, 28), dayOf(2024, 3, 1)}), (DailyStreaks{1, 1}));
    EXPECT_EQ(runOf({dayOf(2100, 2, 28), dayOf(2100, 3, 1)}), (DailyStreaks{2, 2}));
    // The same through the Unix seconds of a game finished late on each day.
    const PlayStatistics s = finishedAt(
        {unixTime(2024, 2, 28, 23, 30, 0), unixTime(2024, 2, 29, 23, 30, 0), unixTime(2024, 3, 1, 0, 10, 0)});
    EXPECT_EQ(store::StreaksOf(s, dayOf(2024, 3, 2)), (DailyStreaks{3, 3}));
}
