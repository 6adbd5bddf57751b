#include "rules/BoardRules.hpp"

#include <algorithm>

#include "rules/GameSettings.hpp"

namespace rules {

bool IsFree(const BallGrid& grid, int row, int column) {
    const int o = RowOffset(row);
    const bool diagonalInside = column + o >= 1 && column + o <= 16;
    if (row != 16 && (IsEmpty(grid, row + 1, column) || (diagonalInside && IsEmpty(grid, row + 1, column + o))))
        return true;
    if (row != 1 && (IsEmpty(grid, row - 1, column) || (diagonalInside && IsEmpty(grid, row - 1, column + o))))
        return true;
    if (column != 1 && IsEmpty(grid, row, column - 1)) return true;
    if (column != 16 && IsEmpty(grid, row, column + 1)) return true;
    return false;
}

Cell FirstFreeBall(const BallGrid& grid) {
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c)
            if (grid[r][c] && IsFree(grid, r, c)) return {r, c};
    return {};
}

namespace {

void groupFrom(const BallGrid& grid, int row, int column, int colour, VisitMarks& marks,
               std::vector<Cell>& cells) {
    // An explicit stack keeps the visiting order of the recursive search without its depth.
    struct Frame {
        Cell cell;
        int next;
    };
    std::vector<Frame> stack;
    auto visit = [&](Cell c) {
        if (c.row < 0 || c.row > 17 || c.column < 0 || c.column > 17) return;
        const Ball* ball = grid[c.row][c.column];
        if (!ball || ball->Colour() != colour || marks[c.row][c.column]) return;
        marks[c.row][c.column] = 1;
        cells.push_back(c);
        stack.push_back({c, 0});
    };
    visit({row, column});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == 6) {
            stack.pop_back();
            continue;
        }
        const Cell next = NeighboursOf(top.cell.row, top.cell.column).cells[top.next++];
        visit(next);
    }
}

void labelFrom(const BallGrid& grid, int row, int column, int label, VisitMarks& marks) {
    std::vector<Cell> stack{{row, column}};
    marks[row][column] = label;
    while (!stack.empty()) {
        const Cell c = stack.back();
        stack.pop_back();
        for (const Cell n : NeighboursOf(c.row, c.column).cells) {
            if (n.row < 0 || n.row > 17 || n.column < 0 || n.column > 17) continue;
            if (grid[n.row][n.column] && !marks[n.row][n.column]) {
                marks[n.row][n.column] = label;
                stack.push_back(n);
            }
        }
    }
}

} // namespace

int GroupSearch(const BallGrid& grid, int row, int column, int colour, VisitMarks& marks,
                std::vector<Cell>& cells) {
    for (auto& line : marks) line.fill(0);
    const std::size_t before = cells.size();
    if (row >= 1 && row <= 16 && column >= 1 && column <= 16) groupFrom(grid, row, column, colour, marks, cells);
    return int(cells.size() - before);
}

std::vector<Ball*> SupportSearch(BallGrid& grid, VisitMarks& marks) {
    for (auto& line : marks) line.fill(0);
    int labels = 0;
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c)
            if (grid[r][c] && !marks[r][c]) labelFrom(grid, r, c, ++labels, marks);

    std::vector<bool> supported(std::size_t(labels) + 1, false);
    for (int c = 1; c <= 16; ++c)
        if (grid[16][c]) supported[std::size_t(marks[16][c])] = true;

    std::vector<Ball*> falling;
    for (int r = 16; r >= 1; --r)
        for (int c = 1; c <= 16; ++c)
            if (grid[r][c] && !supported[std::size_t(marks[r][c])]) {
                falling.push_back(grid[r][c]);
                grid[r][c] = nullptr;
            }
    for (int r = 15; r >= 1; --r)
        for (int c = 1; c <= 16; ++c) {
            if (!grid[r][c]) continue;
            const int o = RowOffset(r);
            if (IsEmpty(grid, r + 1, c) && IsEmpty(grid, r + 1, c + o)) {
                falling.push_back(grid[r][c]);
                grid[r][c] = nullptr;
            }
        }
    return falling;
}

int CountBalls(const BallGrid& grid) {
    int n = 0;
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c) n += grid[r][c] != nullptr;
    return n;
}

int FirstBallColumn(const BallGrid& grid) {
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c)
            if (grid[r][c]) return c;
    return -1;
}

int DropsForFailure(Level level, int balls) {
    const LevelRules rules = RulesOfLevel(level);
    if (balls <= 128) return rules.mostDrops - ((rules.mostDrops - rules.fewestDrops) * balls) / 128;
    return rules.fewestDrops;
}

int FoldColumn(int column) {
    if (column < 1) column = 2 - column;
    if (column > 16) column = 32 - column;
    return std::clamp(column, 1, 16);
}

std::array<std::array<int, 18>, 18> ColoursOf(const BallGrid& grid) {
    std::array<std::array<int, 18>, 18> colours{};
    for (int r = 0; r < 18; ++r)
        for (int c = 0; c < 18; ++c) colours[r][c] = grid[r][c] ? grid[r][c]->Colour() : 0;
    return colours;
}

} // namespace rules
