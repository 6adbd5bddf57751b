#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tools {

// The folder description that `build` reads and `export` writes, beside the frame pictures.
inline constexpr const char* kDescriptionFile = "clip.txt";

// Runs the clip tool on its arguments (without the program name): info, export, build,
// --help. Returns the exit code: 0 done, 1 failed (one line on `err`), 2 wrong usage.
int RunClipTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tools
