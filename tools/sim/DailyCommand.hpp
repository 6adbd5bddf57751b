#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "rules/DailyCourt.hpp"
#include "rules/TGame.hpp"

namespace sim {

// The day's court before its first throw as one JSON line:
// {"date":"YYYY-MM-DD","level":L,"start":N,"board":[16 rows of digits],"ceiling":"16 digits"},
// each digit a ball's colour, 0 for none.
std::string DailyLine(const rules::CalendarDate& date, const rules::TGame& game);

// "daily [--date YYYY-MM-DD]": the day's court (today's UTC day without --date), dealt by the
// game window with the game's own pictures, printed as DailyLine. Exit 0; 1 when the pictures
// cannot be read; 2 on a bad date or option, with one line on `err`.
int RunDaily(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace sim
