#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tools {

// The folder description that `build` reads and `export` writes, beside the frame pictures.
inline constexpr const char* kDescriptionFile = "clip.txt";

// Whether the arguments (without the program name) ask for the usage: --help or -h alone,
// or after a command (info, export, build, show).
bool AsksForHelp(const std::vector<std::string>& args);

// Runs the clip tool on its arguments (without the program name): info, export, build,
// --help, and the usage for COMMAND --help. Returns the exit code: 0 done, 1 failed (one line on `err`), 2
// wrong usage.
int RunClipTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tools
