#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tools {

// Runs the store tool on its arguments (without the program name): decode,
// encode, scores and report. Returns the exit code: 0 done, 1 failed (one line on
// `err`), 2 wrong usage.
int runStoreTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 std::ostream& err);

} // namespace tools
