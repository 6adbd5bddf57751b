#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rules/GameSettings.hpp"

namespace rules {

// A day of the Gregorian calendar, as UTC counts it.
struct CalendarDate {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to the month's length

    bool operator==(const CalendarDate&) const = default;
};

// The days the daily court is defined for: 1970-01-01 to 9999-12-31.
inline constexpr std::int64_t kLastDailyDay = 2932896;

// Days from 1970-01-01 to the date; the date must be a real one from 1970 on.
std::int64_t DaysSinceEpoch(const CalendarDate& date);
// The date `days` days after 1970-01-01 (0 to kLastDailyDay).
CalendarDate DateOfDay(std::int64_t days);
// "YYYY-MM-DD" exactly, naming a real date from 1970-01-01 to 9999-12-31; nullopt otherwise.
std::optional<CalendarDate> ParseCalendarDate(std::string_view text);
std::string FormatCalendarDate(const CalendarDate& date);
// The UTC day that `secondsSinceEpoch` (a Unix time from 1970 on) falls on.
std::int64_t DayOfUnixTime(std::int64_t secondsSinceEpoch);

// The generator start of the day's game, from 1 to 2147483646: a 64-bit mix of the day number
// that other programs compute too, so it must never change.
std::uint32_t DailyStart(std::int64_t day);
// The day's level: Novice, Expert and Master in turn from 1970-01-01, a Novice day.
Level DailyLevel(std::int64_t day);

} // namespace rules
