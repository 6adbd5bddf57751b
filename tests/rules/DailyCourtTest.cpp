#include <gtest/gtest.h>

#include <string>

#include "rules/DailyCourt.hpp"

using namespace rules;

namespace {

// The day's start and level as an independent computation of the same mix gave them.
TEST(DailyCourt, KnownDaysHaveTheirStartAndLevel) {
    struct Known {
        const char* date;
        std::int64_t day;
        std::uint32_t start;
        Level level;
    };
    const Known known[] = {
        {"1970-01-01", 0, 51637533u, Level::Novice},      {"2000-02-29", 11016, 98456578u, Level::Novice},
        {"2026-12-11", 20798, 257061842u, Level::Master}, {"2026-12-31", 20818, 1433268679u, Level::Expert},
        {"2100-03-01", 47541, 6268629u, Level::Novice},   {"9999-12-31", 2932896, 1582565218u, Level::Novice},
    };
    for (const Known& k : known) {
        const std::optional<CalendarDate> date = ParseCalendarDate(k.date);
        ASSERT_TRUE(date) << k.date;
        EXPECT_EQ(DaysSinceEpoch(*date), k.day) << k.date;
        EXPECT_EQ(DailyStart(k.day), k.start) << k.date;
        EXPECT_EQ(DailyLevel(k.day), k.level) << k.date;
        EXPECT_EQ(FormatCalendarDate(*date), k.date);
    }
    EXPECT_EQ(kLastDailyDay, DaysSinceEpoch({9999, 12, 31}));
}

// Every day from 1970 to 9999 against a calendar walked one day at a time: the date of each
// day number, its number back, its text both ways, and a start in the generator's range.
TEST(DailyCourt, EveryDayAgreesWithACalendarWalkedDayByDay) {
    CalendarDate walked{1970, 1, 1};
    auto length = [](int year, int month) {
        if (month == 2) return (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 29 : 28;
        return month == 4 || month == 6 || month == 9 || month == 11 ? 30 : 31;
    };
    for (std::int64_t day = 0; day <= kLastDailyDay; ++day) {
        const CalendarDate date = DateOfDay(day);
        ASSERT_EQ(date, walked) << day;
        ASSERT_EQ(DaysSinceEpoch(date), day);
        if (day % 997 == 0) {
            const std::string text = FormatCalendarDate(date);
            ASSERT_EQ(ParseCalendarDate(text), date) << text;
        }
        const std::uint32_t start = DailyStart(day);
        ASSERT_GE(start, 1u);
        ASSERT_LE(start, 2147483646u);
        if (++walked.day > length(walked.year, walked.month)) {
            walked.day = 1;
            if (++walked.month > 12) {
                walked.month = 1;
                ++walked.year;
            }
        }
    }
}

TEST(DailyCourt, OnlyARealDateWrittenExactlyIsADay) {
    for (const char* good : {"1970-01-01", "2000-02-29", "2024-02-29", "2026-04-30", "9999-12-31"})
        EXPECT_TRUE(ParseCalendarDate(good)) << good;
    for (const char* bad :
         {"", "1969-12-31", "2026-02-29", "2100-02-29", "1900-02-29", "2026-04-31", "2026-13-01",
          "2026-00-10", "2026-01-00", "2026-1-05", "2026-01-5", "2026/01/05", " 2026-01-05", "2026-01-05 ",
          "2026-01-05x", "10000-01-01", "+026-01-05", "2026-0x-05", "２026-01-05"})
        EXPECT_FALSE(ParseCalendarDate(bad)) << bad;
}

TEST(DailyCourt, AUnixTimeFallsOnItsUtcDay) {
    EXPECT_EQ(DayOfUnixTime(0), 0);
    EXPECT_EQ(DayOfUnixTime(86399), 0);
    EXPECT_EQ(DayOfUnixTime(86400), 1);
    // 2026-12-11 00:00:00 UTC, and the second before it.
    EXPECT_EQ(DayOfUnixTime(std::int64_t(20798) * 86400), 20798);
    EXPECT_EQ(DayOfUnixTime(std::int64_t(20798) * 86400 - 1), 20797);
}

} // namespace
