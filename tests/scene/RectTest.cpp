#include <gtest/gtest.h>

#include <limits>

#include "scene/Rect.hpp"

using scene::Rect;
using scene::TruncateToInt;

TEST(Rect, EdgesAreExclusiveAndTouchingRectanglesShareNothing) {
    EXPECT_TRUE((Rect{5, 5, 4, 9}).IsEmpty());
    EXPECT_FALSE((Rect{0, 0, 1, 1}).Contains(1, 0));
    EXPECT_EQ((Rect{0, 0, 100, 100}).Intersect({50, 50, 150, 150}), (Rect{50, 50, 100, 100}));
    EXPECT_FALSE((Rect{0, 0, 10, 10}).Intersects({10, 0, 20, 10}));
    const Rect wide{std::numeric_limits<int32_t>::min(), 0, std::numeric_limits<int32_t>::max(), 1};
    EXPECT_EQ(wide.Width(), int64_t{std::numeric_limits<uint32_t>::max()});
}

TEST(Rect, TruncationGoesTowardZeroAndSaturates) {
    EXPECT_EQ(TruncateToInt(-2.9), -2);
    EXPECT_EQ(TruncateToInt(1e30), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(TruncateToInt(-1e30), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TruncateToInt(std::numeric_limits<double>::quiet_NaN()), 0);
}
