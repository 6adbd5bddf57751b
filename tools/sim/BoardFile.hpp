#pragma once

#include <array>
#include <string>
#include <string_view>

#include "rules/TSavedGame.hpp"

namespace sim {

// The colours of a court, [row][column] with rows and columns 1-16 used.
using BoardCells = std::array<std::array<int, 18>, 18>;

// Reads 16 lines of 16 digits 0-7, row 1 first; a final newline and CRLF line ends are
// accepted. Throws SimError on anything else.
BoardCells ParseBoardText(std::string_view text);
BoardCells ReadBoardFile(const std::string& path);

// The saved game a board is played from: the first game, "Autosave", path and sound on, not
// over, score 0.
rules::TSavedGame RestoredGame(const BoardCells& cells, int level, int speed);

} // namespace sim
