#include <gtest/gtest.h>

#include "engine/DirtyRectList.hpp"
#include "engine/FrameTiming.hpp"
#include "engine/RectGrid.hpp"

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

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

// What the list promises, checked without any of its code on a bitmap of counts: the
// listed rectangles cover every pixel of every added rectangle and no other pixel; Add only
// appends, and what it appends are non-empty, pairwise disjoint pieces of the added
// rectangle, so no pixel is listed more often than it was added. (Listed rectangles may
// still overlap one another where two cross without a corner inside each other.)
constexpr int kSide = 160;

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Meet(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// How many of the painted rectangles cover each pixel of a kSide x kSide square.
class CountMap {
public:
    CountMap(int left, int top) : m_left(left), m_top(top), m_counts(std::size_t(kSide) * kSide, 0) {}
    void Paint(const Rect& r) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) ++m_counts[Index(x, y)];
    }
    int At(int x, int y) const { return m_counts[Index(x, y)]; }

private:
    std::size_t Index(int x, int y) const { return std::size_t(y - m_top) * kSide + std::size_t(x - m_left); }
    int m_left, m_top;
    std::vector<int> m_counts;
};

// Adds the rectangles in order, checking what each Add does to the list.
void AddChecked(DirtyRectList& list, const std::vector<Rect>& added) {
    for (const Rect& r : added) {
        const std::vector<Rect> before = list.Rects();
        list.Add(r);
        const std::vector<Rect>& after = list.Rects();
        ASSERT_GE(after.size(), before.size());
        ASSERT_TRUE(std::equal(before.begin(), before.end(), after.begin())) << "a listed rectangle changed";
        for (std::size_t i = before.size(); i < after.size(); ++i) {
            ASSERT_FALSE(after[i].IsEmpty());
            ASSERT_TRUE(Inside(after[i], r)) << "a piece reaches outside the rectangle added";
            for (std::size_t j = before.size(); j < i; ++j)
                ASSERT_FALSE(Meet(after[i], after[j])) << "two pieces of one rectangle overlap";
        }
    }
}

// Every pixel of the square is listed exactly where some added rectangle covers it, and
// never more often than it was added.
void ExpectExactCover(const std::vector<Rect>& added, const DirtyRectList& list, int left, int top) {
    CountMap want(left, top), got(left, top);
    for (const Rect& r : added) want.Paint(r);
    for (const Rect& r : list.Rects()) got.Paint(r);
    int missing = 0, extra = 0, repeated = 0;
    for (int y = top; y < top + kSide; ++y)
        for (int x = left; x < left + kSide; ++x) {
            missing += want.At(x, y) > 0 && got.At(x, y) == 0;
            extra += want.At(x, y) == 0 && got.At(x, y) > 0;
            repeated += got.At(x, y) > want.At(x, y);
        }
    EXPECT_EQ(missing, 0) << "added pixels not listed";
    EXPECT_EQ(extra, 0) << "listed pixels never added";
    EXPECT_EQ(repeated, 0) << "pixels listed more often than added";
}

TEST(DirtyRectList, ListsExactlyTheAddedPixelsWhateverTheOrderOfAdding) {
    std::mt19937 rng(5);
    // Squares across the grid's cell edges, below its first cell and past its last one.
    const int origins[] = {-60, 40, 2000};
    for (int scene = 0; scene < 600; ++scene) {
        const int left = origins[scene % 3], top = origins[(scene / 3) % 3];
        const int largest = std::array{8, 40, 120}[std::size_t(scene / 9 % 3)];
        std::uniform_int_distribution<int> count(1, 30), size(0, largest);
        std::vector<Rect> added;
        for (int i = count(rng); i > 0; --i) {
            const int w = size(rng), h = size(rng);
            const int x = std::uniform_int_distribution<int>(left, left + kSide - w)(rng);
            const int y = std::uniform_int_distribution<int>(top, top + kSide - h)(rng);
            added.push_back({x, y, x + w, y + h});
        }
        for (int order = 0; order < 3; ++order) {
            SCOPED_TRACE("scene " + std::to_string(scene) + ", order " + std::to_string(order));
            if (order == 1) std::reverse(added.begin(), added.end());
            if (order == 2) std::shuffle(added.begin(), added.end(), rng);
            DirtyRectList list;
            ASSERT_NO_FATAL_FAILURE(AddChecked(list, added));
            ExpectExactCover(added, list, left, top);
            ASSERT_EQ(list.Empty(), list.Rects().empty());

            // A rectangle inside one already listed adds nothing.
            for (int i = 0; i < 5 && !list.Empty(); ++i) {
                const Rect home =
                    list.Rects()[std::uniform_int_distribution<std::size_t>(0, list.Rects().size() - 1)(rng)];
                const int l = std::uniform_int_distribution<int>(home.left, home.right - 1)(rng);
                const int t = std::uniform_int_distribution<int>(home.top, home.bottom - 1)(rng);
                const int r = std::uniform_int_distribution<int>(l + 1, home.right)(rng);
                const int b = std::uniform_int_distribution<int>(t + 1, home.bottom)(rng);
                const std::vector<Rect> before = list.Rects();
                list.Add({l, t, r, b});
                ASSERT_EQ(list.Rects(), before) << "added " << l << "," << t << "," << r << "," << b;
            }

            // Cleared, the list starts afresh, its index too.
            list.Clear();
            EXPECT_TRUE(list.Empty());
            list.Add({left, top, left + 5, top + 5});
            EXPECT_EQ(list.Rects(), (std::vector<Rect>{{left, top, left + 5, top + 5}}));
        }
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
