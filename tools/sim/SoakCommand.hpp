#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace sim {

// "soak": plays games with a bot, checking the rules' invariants after every frame; one
// line per game and a summary on `out`. Returns the exit status; problems go to `err`.
int RunSoak(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace sim
