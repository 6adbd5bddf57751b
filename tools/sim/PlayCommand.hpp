#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace sim {

// "play": replays the clicks read from `in` on a prepared board in the headless game
// window, one JSON line per click on `out`. Returns the exit status; problems go to `err`.
int RunPlay(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace sim
