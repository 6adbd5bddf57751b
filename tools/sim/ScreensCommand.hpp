#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace sim {

// "screens": opens the game window headlessly with its dialogs and writes what each window
// shows as a PNG into the --out folder: game.png, then rules, quit, level, options, scores,
// scores-clear and result. The score table is a private one of invented records; the
// player's files are never read or written. Returns 0, 1 after one line on `err` when a
// window did not open or a picture could not be written, or 2 for a bad command line.
int RunScreens(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace sim
