#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace tools {

// `hoopstack-sim play`: loads a board into the real game window on the headless backend,
// plays the clicks read from `in` and prints one JSON line per click. Returns the exit
// code: 0 done, 1 the game could not load or never came to rest, 2 bad input.
int RunPlay(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace tools
