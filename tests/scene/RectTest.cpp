#include "scene/Rect.hpp"

#include <gtest/gtest.h>

#include <limits>

using scene::Rect;
using scene::TruncateToInt;

TEST(Rect, EmptinessCountsExclusiveEdges) {
  EXPECT_TRUE((Rect{0, 0, 0, 10}).IsEmpty());
  EXPECT_TRUE((Rect{5, 5, 4, 9}).IsEmpty());
  EXPECT_FALSE((Rect{0, 0, 1, 1}).IsEmpty());
  EXPECT_TRUE((Rect{0, 0, 1, 1}).Contains(0, 0));
  EXPECT_FALSE((Rect{0, 0, 1, 1}).Contains(1, 0));
  EXPECT_FALSE((Rect{0, 0, 1, 1}).Contains(0, 1));
}

TEST(Rect, IntersectionOfOverlappingTouchingAndDisjointRectangles) {
  EXPECT_EQ((Rect{0, 0, 100, 100}).Intersect({50, 50, 150, 150}), (Rect{50, 50, 100, 100}));
  // Rectangles that only share an edge have nothing in common.
  EXPECT_TRUE((Rect{0, 0, 10, 10}).Intersect({10, 0, 20, 10}).IsEmpty());
  EXPECT_FALSE((Rect{0, 0, 10, 10}).Intersects({10, 0, 20, 10}));
  EXPECT_TRUE((Rect{0, 0, 10, 10}).Intersects({9, 9, 20, 20}));
}

TEST(Rect, SizesDoNotOverflowAtTheIntegerLimits) {
  const Rect wide{std::numeric_limits<int32_t>::min(), 0, std::numeric_limits<int32_t>::max(), 1};
  EXPECT_EQ(wide.Width(), int64_t{std::numeric_limits<uint32_t>::max()});
  EXPECT_FALSE(wide.IsEmpty());
}

TEST(Rect, TruncationGoesTowardZeroAndSaturates) {
  EXPECT_EQ(TruncateToInt(2.9), 2);
  EXPECT_EQ(TruncateToInt(-2.9), -2);
  EXPECT_EQ(TruncateToInt(1e30), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncateToInt(-1e30), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncateToInt(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(TruncateToInt(std::numeric_limits<double>::infinity()),
            std::numeric_limits<int32_t>::max());
}
