#include "rules/DailyCourt.hpp"

#include <cassert>
#include <cstdio>

namespace rules {
namespace {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kLengths[month - 1];
}

// Exactly `width` decimal digits at `text`'s start.
std::optional<int> digits(std::string_view text, std::size_t width) {
    if (text.size() < width) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

// Days from the civil date, counted in 400-year eras of 146097 days from 0000-03-01, so that
// the leap day ends each counted year.
std::int64_t DaysSinceEpoch(const CalendarDate& date) {
    const std::int64_t year = date.month <= 2 ? date.year - 1 : date.year;
    const std::int64_t era = year / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t month = date.month > 2 ? date.month - 3 : date.month + 9;
    const std::int64_t dayOfYear = (153 * month + 2) / 5 + date.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CalendarDate DateOfDay(std::int64_t days) {
    assert(days >= 0);
    const std::int64_t shifted = days + 719468;
    const std::int64_t era = shifted / 146097;
    const std::int64_t dayOfEra = shifted - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t month = (5 * dayOfYear + 2) / 153;
    CalendarDate date;
    date.day = int(dayOfYear - (153 * month + 2) / 5 + 1);
    date.month = int(month < 10 ? month + 3 : month - 9);
    date.year = int(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

std::optional<CalendarDate> ParseCalendarDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const std::optional<int> year = digits(text, 4), month = digits(text.substr(5), 2),
                             day = digits(text.substr(8), 2);
    if (!year || !month || !day || *year < 1970 || *month < 1 || *month > 12 || *day < 1 ||
        *day > daysInMonth(*year, *month))
        return std::nullopt;
    return CalendarDate{*year, *month, *day};
}

std::string FormatCalendarDate(const CalendarDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::int64_t DayOfUnixTime(std::int64_t secondsSinceEpoch) {
    assert(secondsSinceEpoch >= 0);
    return secondsSinceEpoch / 86400;
}

std::uint32_t DailyStart(std::int64_t day) {
    std::uint64_t z = std::uint64_t(day) * 0x9E3779B97F4A7C15ull + 0xD1B54A32D192ED03ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z = z ^ (z >> 31);
    return std::uint32_t(1 + z % 2147483646ull);
}

Level DailyLevel(std::int64_t day) {
    return Level(int(day % kLevels));
}

} // namespace rules
