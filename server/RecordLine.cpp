#include "RecordLine.hpp"

#include <charconv>
#include <cstdio>
#include <limits>
#include <vector>

#include "server/DailyGames.hpp"
#include "server/PublishRequest.hpp"

namespace server {

namespace {

constexpr int kFirstYear = 1970;
constexpr int kLastYear = 9999;

// A field's text for a message: at most 40 bytes, control characters and other bytes outside
// printable ASCII written as \xNN so the message stays one readable line.
std::string quoted(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
            out.push_back(char(byte));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(byte));
            out += escaped;
        }
    }
    if (text.size() > kShown) out += "...";
    return out + "\"";
}

bool isLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(std::int64_t year, int month) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Digits only, exactly `width` of them.
std::optional<int> fixedNumber(std::string_view text, std::size_t width) {
    if (text.size() != width) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Seconds of midnight UTC of a YYYY-MM-DD day from kFirstYear to kLastYear.
std::optional<std::int64_t> parseDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const std::optional<int> year = fixedNumber(text.substr(0, 4), 4);
    const std::optional<int> month = fixedNumber(text.substr(5, 2), 2);
    const std::optional<int> day = fixedNumber(text.substr(8, 2), 2);
    if (!year || !month || !day || *year < kFirstYear || *year > kLastYear || *month < 1 || *month > 12 ||
        *day < 1 || *day > daysInMonth(*year, *month))
        return std::nullopt;
    return DaysFromCivil(*year, *month, *day) * kSecondsPerDay;
}

// A non-negative score as export writes it: digits, no sign, no leading zero but in "0".
std::optional<std::int32_t> parseScore(std::string_view text) {
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return std::nullopt;
    for (const char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    std::int32_t value = 0;
    const auto [rest, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc() || rest != text.data() + text.size()) return std::nullopt;
    return value;
}

// The day of the proleptic Gregorian calendar that lies `days` after 1970-01-01.
void civilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const std::int64_t dayOfEra = days - era * 146'097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1'460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = int(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

} // namespace

std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

Expected<RecordLine> ParseRecordLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) return Error{"the line is empty"};
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
        if (tab == std::string_view::npos) break;
        at = tab + 1;
    }
    if (fields.size() != 4)
        return Error{"expected 4 fields separated by tabs (level, score, name, date), found " +
                     std::to_string(fields.size())};
    RecordLine record;
    const std::optional<int> level = ParseLevel(fields[0]);
    if (!level) return Error{"the level must be 1, 2 or 3, not " + quoted(fields[0])};
    record.level = *level;
    const std::optional<std::int32_t> score = parseScore(fields[1]);
    if (!score)
        return Error{"the score must be a whole number from 0 to " +
                     std::to_string(std::numeric_limits<std::int32_t>::max()) +
                     " without sign or leading zeros, not " + quoted(fields[1])};
    record.score = *score;
    if (const std::optional<std::string> fault = StoredNameFault(fields[2])) return Error{*fault};
    record.name = std::string(fields[2]);
    const std::optional<std::int64_t> day = parseDate(fields[3]);
    if (!day)
        return Error{"the date must be a real day written YYYY-MM-DD, from 1970-01-01 to 9999-12-31, not " +
                     quoted(fields[3])};
    record.publishedAt = *day;
    return record;
}

std::string FormatRecordLine(const RecordLine& record) {
    const std::int64_t days =
        record.publishedAt >= 0 ? record.publishedAt / kSecondsPerDay : -((-record.publishedAt - 1) / kSecondsPerDay) - 1;
    std::int64_t year = 0;
    int month = 0, day = 0;
    civilFromDays(days, year, month, day);
    char date[32];
    std::snprintf(date, sizeof date, "%04lld-%02d-%02d", static_cast<long long>(year), month, day);
    std::string line = std::to_string(record.level);
    line += '\t';
    line += std::to_string(record.score);
    line += '\t';
    line += record.name;
    line += '\t';
    line += date;
    line += '\n';
    return line;
}

} // namespace server
