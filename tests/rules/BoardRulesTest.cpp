#include <gtest/gtest.h>

#include <random>
#include <set>

#include "rules/BoardRules.hpp"
#include "rules/CourtGeometry.hpp"
#include "rules/FlightRules.hpp"
#include "rules/SimScene.hpp"

using namespace rules;

namespace {

// A grid filled from colour digits, with the balls kept alive by the test.
struct TestBoard {
    BallGrid grid{};
    std::vector<std::unique_ptr<SimBall>> balls;

    void Put(int r, int c, int colour) {
        balls.push_back(std::make_unique<SimBall>(colour));
        grid[r][c] = balls.back().get();
    }
    void Random(std::mt19937& rng, int colours, int fillPercent) {
        for (int r = 1; r <= 16; ++r)
            for (int c = 1; c <= 16; ++c)
                if (int(rng() % 100) < fillPercent) Put(r, c, int(rng() % colours) + 1);
    }
};

// The plain flood fill over neighbour sets, for comparison.
std::set<std::pair<int, int>> floodFill(const BallGrid& grid, int r, int c) {
    std::set<std::pair<int, int>> seen;
    if (!grid[r][c]) return seen;
    const int colour = grid[r][c]->Colour();
    std::vector<std::pair<int, int>> todo{{r, c}};
    while (!todo.empty()) {
        auto [y, x] = todo.back();
        todo.pop_back();
        if (y < 1 || y > 16 || x < 1 || x > 16 || !grid[y][x] || grid[y][x]->Colour() != colour) continue;
        if (!seen.insert({y, x}).second) continue;
        for (const Cell n : NeighboursOf(y, x).cells) todo.push_back({n.row, n.column});
    }
    return seen;
}

} // namespace

TEST(CourtGeometry, DerivedFromTheBallAndMapsPointsToCells) {
    const CourtGeometry g = CourtGeometry::FromBall(34, 33);
    EXPECT_EQ(g.courtTop, 43);
    EXPECT_EQ(g.courtWidth, 561);
    EXPECT_EQ(g.courtHeight, 528);
    EXPECT_EQ(g.CornerX(1, 1), 6 + 17);
    EXPECT_EQ(g.CornerX(2, 1), 6);
    // Left of the half-ball shift in an odd row is column 0 before clamping.
    EXPECT_EQ(g.CellOfPoint(10, 50), (Cell{1, 0}));
    EXPECT_EQ(ClampCell(g.CellOfPoint(10, 50)), (Cell{1, 1}));
    EXPECT_EQ(g.CellOfPoint(100, 42).row, 0);
    // A click less than a ball above the court still means row 1.
    EXPECT_EQ(g.ClickCell(100, 20).row, 1);
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c) EXPECT_EQ(g.CellOfPoint(g.CentreX(r, c), g.CentreY(r)), (Cell{r, c}));
}

TEST(BoardRules, GroupSearchAgreesWithAFloodFillOnRandomBoards) {
    std::mt19937 rng(5);
    VisitMarks marks{};
    for (int round = 0; round < 400; ++round) {
        TestBoard board;
        board.Random(rng, 2 + round % 6, 30 + round % 60);
        for (int r = 1; r <= 16; ++r)
            for (int c = 1; c <= 16; ++c) {
                if (!board.grid[r][c]) continue;
                std::vector<Cell> cells;
                const int n = GroupSearch(board.grid, r, c, board.grid[r][c]->Colour(), marks, cells);
                const auto expected = floodFill(board.grid, r, c);
                ASSERT_EQ(std::size_t(n), expected.size());
                ASSERT_EQ(cells.front(), (Cell{r, c}));
                for (const Cell cell : cells) ASSERT_TRUE(expected.count({cell.row, cell.column}));
            }
    }
}

TEST(BoardRules, FreeBallsNeedAnOpenSide) {
    TestBoard board;
    board.Put(16, 1, 1);
    EXPECT_TRUE(IsFree(board.grid, 16, 1));
    TestBoard boxed;
    boxed.Put(16, 1, 1);
    boxed.Put(16, 2, 2);
    boxed.Put(15, 1, 2);
    // Row 16 is even: its upper neighbours are (15, 1) and (15, 0), which lies outside.
    EXPECT_FALSE(IsFree(boxed.grid, 16, 1));
}

TEST(BoardRules, SupportSearchLetsUnheldBallsFall) {
    TestBoard board;
    // A pile on the floor, a ball floating alone, and a ball held only from the side.
    board.Put(16, 5, 1);
    board.Put(15, 5, 2);  // odd row: rests on (16, 5) and (16, 6)
    board.Put(10, 10, 3); // floating
    board.Put(15, 6, 4);  // beside (15, 5); below it (16, 6) and (16, 7) are empty
    board.Put(14, 6, 5);  // even row: rests on (15, 6) and (15, 5)
    VisitMarks marks{};
    const std::vector<Ball*> falling = SupportSearch(board.grid, marks);
    ASSERT_EQ(falling.size(), 2u);
    EXPECT_EQ(falling[0]->Colour(), 3);
    EXPECT_EQ(falling[1]->Colour(), 4);
    // (14, 6) still rests on (15, 5).
    EXPECT_NE(board.grid[14][6], nullptr);
    EXPECT_EQ(board.grid[15][6], nullptr);
    EXPECT_EQ(CountBalls(board.grid), 3);
}

TEST(BoardRules, SupportSearchClimbsAndHonoursTheEvenRowEdge) {
    TestBoard board;
    board.Put(16, 1, 1);
    board.Put(15, 1, 1);  // odd row: needs (16, 1) or (16, 2)
    board.Put(14, 1, 2);  // even row at the edge: needs only (15, 1)
    VisitMarks marks{};
    EXPECT_TRUE(SupportSearch(board.grid, marks).empty());

    TestBoard tower;
    tower.Put(16, 8, 1);
    tower.Put(15, 8, 1);   // odd row: rests on (16, 8)
    tower.Put(15, 9, 2);   // held from the side by (15, 8); (16, 9) and (16, 10) are empty
    tower.Put(14, 10, 3);  // even row: rests on (15, 10) and (15, 9)
    const std::vector<Ball*> falling = SupportSearch(tower.grid, marks);
    // Both are connected to the floor, yet neither is held: the climbing scan takes the
    // side-held ball and then the one resting on it.
    ASSERT_EQ(falling.size(), 2u);
    EXPECT_EQ(falling[0]->Colour(), 2);
    EXPECT_EQ(falling[1]->Colour(), 3);
    EXPECT_EQ(CountBalls(tower.grid), 2);
}

TEST(BoardRules, DropsAndColumns) {
    EXPECT_EQ(DropsForFailure(Level::Novice, 64), 8);
    EXPECT_EQ(DropsForFailure(Level::Novice, 0), 10);
    EXPECT_EQ(DropsForFailure(Level::Novice, 128), 5);
    EXPECT_EQ(DropsForFailure(Level::Novice, 200), 5);
    EXPECT_EQ(DropsForFailure(Level::Expert, 200), 10);
    EXPECT_EQ(DropsForFailure(Level::Master, 0), 20);
    EXPECT_EQ(FoldColumn(-9), 11);
    EXPECT_EQ(FoldColumn(0), 2);
    EXPECT_EQ(FoldColumn(17), 15);
    EXPECT_EQ(FoldColumn(40), 1);
}

TEST(FlightRules, LaunchSpeedsAndRefusals) {
    const CourtGeometry g = CourtGeometry::FromBall(34, 33);
    TestBoard board;
    for (int c = 1; c <= 16; ++c) board.Put(16, c, 1);
    const Cell ball{16, 5};
    const int cx = g.CentreX(16, 5), cy = g.CentreY(16);
    // Too close: both speeds round to 0.
    EXPECT_FALSE(LaunchToward(g, board.grid, ball, cx + 2, cy));
    // Level aim: a push of dx / 10.
    // A level push to the left runs into the neighbour: refused.
    EXPECT_FALSE(LaunchToward(g, board.grid, ball, cx - 30, cy));
    // Straight up: the apex is the aim point.
    auto up = LaunchToward(g, board.grid, ball, cx, cy - 200);
    ASSERT_TRUE(up);
    EXPECT_EQ(up->vx, 0);
    EXPECT_EQ(up->vy, -21);  // -0.5 - sqrt(400), halves away from zero
    EXPECT_TRUE(up->upward);
    // No ball in the cell, or an invalid cell.
    EXPECT_FALSE(LaunchToward(g, board.grid, {10, 10}, cx, cy - 200));
    EXPECT_FALSE(LaunchToward(g, board.grid, {-1, -1}, cx, cy - 200));
}

TEST(FlightRules, RestCellStopsShortOfTheFirstBallAhead) {
    const CourtGeometry g = CourtGeometry::FromBall(34, 33);
    TestBoard board;
    board.Put(10, 5, 1);
    // Falling straight down onto (10, 5) from two rows above.
    const double cx = g.CentreX(8, 5), cy = g.CentreY(8);
    auto rest = RestCell(g, board.grid, cx, cy, cx, cy + 60, 30, false);
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->row, 9);
    EXPECT_FALSE(RestCell(g, board.grid, cx, cy, cx, cy + 10, 5, false));
    // On the floor row a thrown ball goes on while fast and stops when slow.
    const double fx = g.CentreX(16, 2), fy = g.CentreY(16);
    EXPECT_FALSE(RestCell(g, board.grid, fx, fy, fx, fy - 10, -5, true));
    EXPECT_EQ(RestCell(g, board.grid, fx, fy, fx, fy + 1, 1.5f, true), (Cell{16, 2}));
    EXPECT_EQ(RestCell(g, board.grid, fx, fy, fx, fy - 10, -5, false), (Cell{16, 2}));
}
