#include <gtest/gtest.h>

#include "engine/DirtyRectList.hpp"
#include "engine/FrameTiming.hpp"
#include "engine/RectGrid.hpp"

#include <algorithm>
#include <random>

namespace {

using engine::DirtyRectList;
using scene::Rect;

TEST(DirtyRectList, OverlapIsCutIntoPiecesInAFixedOrder) {
    DirtyRectList list;
    list.Add({0, 0, 100, 100});
    list.Add({50, 50, 150, 150});
    EXPECT_EQ(list.Rects(), (std::vector<Rect>{{0, 0, 100, 100}, {100, 50, 150, 150}, {50, 100, 100, 150}}));
}

TEST(DirtyRectList, CoveredAndEmptyRectanglesAddNothing) {
    DirtyRectList list;
    list.Add({0, 0, 0, 10});
    EXPECT_TRUE(list.Empty());
    list.Add({0, 0, 100, 100});
    list.Add({10, 10, 20, 20});
    list.Add({0, 0, 100, 100});
    EXPECT_EQ(list.Rects().size(), 1u);
}

TEST(DirtyRectList, ACrossWithNoCornerInsideKeepsBoth) {
    DirtyRectList list;
    list.Add({10, 0, 20, 100});
    list.Add({0, 40, 100, 60});
    EXPECT_EQ(list.Rects(), (std::vector<Rect>{{10, 0, 20, 100}, {0, 40, 100, 60}}));
}

TEST(DirtyRectList, EnclosingRectangleKeepsTheFrameAroundTheOldOne) {
    DirtyRectList list;
    list.Add({10, 10, 20, 20});
    list.Add({0, 0, 30, 30});
    // Above, right, below, left of the first rectangle.
    EXPECT_EQ(list.Rects(), (std::vector<Rect>{{10, 10, 20, 20}, {0, 0, 30, 10}, {20, 10, 30, 30},
                                               {0, 20, 20, 30}, {0, 10, 10, 20}}));
    int area = 0;
    for (const Rect& r : list.Rects()) area += int(r.Width() * r.Height());
    EXPECT_EQ(area, 900);
}

TEST(FrameTiming, SleepFallsJustShortOfTheFramePeriod) {
    EXPECT_EQ(engine::FrameSleepMilliseconds(50, 0), 19);
    EXPECT_EQ(engine::FrameSleepMilliseconds(50, 5), 14);
    EXPECT_LE(engine::FrameSleepMilliseconds(50, 19), 0);
    EXPECT_LE(engine::FrameSleepMilliseconds(50, 25), 0);
    EXPECT_EQ(engine::FrameSleepMilliseconds(25, 0), 39);
    EXPECT_EQ(engine::FrameSleepMilliseconds(1, 0), 999);
    EXPECT_EQ(engine::FrameSleepMilliseconds(24, 0), 41);
}

} // namespace

namespace {

// The cutting rule applied to every listed rectangle in turn, without any index.
std::vector<Rect> referenceList(const std::vector<Rect>& added) {
    std::vector<Rect> list;
    for (const Rect& r : added) {
        if (r.IsEmpty()) continue;
        std::vector<Rect> pieces{r};
        for (const Rect& e : list) {
            std::vector<Rect> next;
            for (const Rect& p : pieces) engine::Subtract(p, e, next);
            pieces = next;
        }
        list.insert(list.end(), pieces.begin(), pieces.end());
    }
    return list;
}

TEST(DirtyRectList, IndexedListMatchesTheRuleOnRandomScenes) {
    std::mt19937 rng(5);
    for (int scene = 0; scene < 40; ++scene) {
        std::vector<Rect> added;
        std::uniform_int_distribution<int> pos(-200, 2400), size(0, scene % 4 == 0 ? 900 : 60);
        for (int i = 0; i < 150; ++i) {
            const int x = pos(rng), y = pos(rng);
            added.push_back({x, y, x + size(rng), y + size(rng)});
        }
        DirtyRectList list;
        for (const Rect& r : added) list.Add(r);
        ASSERT_EQ(list.Rects(), referenceList(added)) << "scene " << scene;
        list.Clear();
        list.Add({0, 0, 5, 5});
        EXPECT_EQ(list.Rects().size(), 1u);
    }
}

TEST(RectGrid, FindsEveryMeetingRectangleOnceInOrder) {
    engine::RectGrid grid;
    const std::vector<Rect> rects{{0, 0, 10, 10},     {-500, -500, -400, -400}, {5000, 5000, 5100, 5100},
                                  {60, 60, 70, 70},   {0, 0, 3000, 3000},       {1000, 10, 1001, 11}};
    for (std::uint32_t i = 0; i < rects.size(); ++i) grid.Insert(i, rects[i]);
    std::vector<std::uint32_t> found;
    grid.Candidates({66, 66, 69, 69}, found);
    EXPECT_EQ(found, (std::vector<std::uint32_t>{3, 4}));
    grid.Candidates({-450, -450, 70, 70}, found);  // several cells, merged and ordered
    EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
    EXPECT_TRUE(std::adjacent_find(found.begin(), found.end()) == found.end());
    for (std::uint32_t want : {0u, 1u, 3u, 4u}) EXPECT_NE(std::find(found.begin(), found.end(), want), found.end());
    grid.Candidates({5050, 5050, 5060, 5060}, found);  // beyond the grid: the border cell
    EXPECT_NE(std::find(found.begin(), found.end(), 2u), found.end());
    grid.Clear();
    grid.Candidates({0, 0, 3000, 3000}, found);
    EXPECT_TRUE(found.empty());
}

} // namespace
