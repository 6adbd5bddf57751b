#pragma once

#include <array>
#include <vector>

#include "rules/Ball.hpp"
#include "rules/CourtGeometry.hpp"
#include "rules/GameSettings.hpp"

namespace rules {

// The court's cells, [row][column] with the border rows and columns 0 and 17 always empty.
// The grid refers to balls; it owns none.
using BallGrid = std::array<std::array<Ball*, 18>, 18>;
using VisitMarks = std::array<std::array<int, 18>, 18>;

inline bool IsEmpty(const BallGrid& grid, int row, int column) { return grid[row][column] == nullptr; }

// Whether the ball in the cell can be selected or thrown: some side of it is open. The
// floor, the ceiling line, the walls and a diagonal outside the court count as closed.
bool IsFree(const BallGrid& grid, int row, int column);

// The first free ball scanning rows 1-16 and columns 1-16, or an invalid cell.
Cell FirstFreeBall(const BallGrid& grid);

// Counts the group of `colour` connected to the cell by depth-first search in neighbour
// order, appending each counted cell to `cells`; `marks` is cleared first.
int GroupSearch(const BallGrid& grid, int row, int column, int colour, VisitMarks& marks,
                std::vector<Cell>& cells);

// Takes every ball that lost its support off the grid, in the order it starts to fall:
// first the balls not connected to the floor row (rows 16 to 1), then, climbing from row
// 15, every ball whose two lower neighbours are both empty.
std::vector<Ball*> SupportSearch(BallGrid& grid, VisitMarks& marks);

int CountBalls(const BallGrid& grid);
// The column of the first ball scanning from the top-left, or -1 for an empty grid.
int FirstBallColumn(const BallGrid& grid);

// Balls a failed move adds to the pending drops for `balls` on the grid.
int DropsForFailure(Level level, int balls);

// The drop column for a drawn value: folded back from either wall, then clamped to 1-16.
int FoldColumn(int column);

// The court's colours as digits, row 1 first ("0" empty).
std::array<std::array<int, 18>, 18> ColoursOf(const BallGrid& grid);

} // namespace rules
