#include <gtest/gtest.h>

#include "engine/DirtyRectList.hpp"
#include "engine/FrameTiming.hpp"

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
