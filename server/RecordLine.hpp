#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "server/Expected.hpp"
#include "server/Records.hpp"

namespace server {

// One record as `admin export` writes it and `admin import` reads it: a line
// LEVEL TAB SCORE TAB NAME TAB YYYY-MM-DD, the level 1-3 as `admin list` prints it, the day in
// UTC. Other programs read and write these lines, so the format does not change.
struct RecordLine {
    int level = kFirstLevel;
    std::int32_t score = 0;
    std::string name;
    std::int64_t publishedAt = 0;  // seconds since the epoch; a read line gives midnight UTC of its day
};

// The longest line an import reads, newline excluded: far more than the longest valid one.
inline constexpr std::size_t kMaxRecordLineBytes = 1024;

// Reads one line, without its newline; one carriage return at its end is dropped, so files
// written with CRLF line ends read the same (no field may hold a carriage return). The error
// says what is wrong in a few words for "line N: ...": the number of fields, a level outside
// 1-3, a score that is not a whole number from 0 to 2147483647 written without sign or
// leading zeros, a name a publish would not have stored, or a date that is not a real
// calendar day from 1970-01-01 to 9999-12-31.
Expected<RecordLine> ParseRecordLine(std::string_view line);

// The record as a line, ending in a newline; the date is the UTC day of publishedAt.
std::string FormatRecordLine(const RecordLine& record);

// Days from 1970-01-01 to a day of the proleptic Gregorian calendar (negative before it).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);

} // namespace server
