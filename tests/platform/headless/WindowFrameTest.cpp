#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/WindowFrame.hpp"

namespace {

using platform::DrawWindowFrame;
using platform::FramePixel;
using platform::Rect;
using platform::Surface;

constexpr int F = platform::kFrameWidth;
constexpr std::uint8_t kNoFrameColour = 0xEE;

// A 24-bit image filled with a value no frame colour has.
struct FrameImage {
    int width, height;
    std::vector<std::uint8_t> data;
    bool bottomUp;

    FrameImage(int w, int h, bool up = false)
        : width(w), height(h), data(std::size_t(w) * h * 3, kNoFrameColour), bottomUp(up) {}

    Surface surface() { return {data.data(), width, height, width * 3, bottomUp}; }
    // The pixel as 0x00RRGGBB, or nothing when it was left alone.
    std::optional<std::uint32_t> at(int x, int y) {
        const std::uint8_t* p = surface().row(y) + x * 3;
        if (p[0] == kNoFrameColour && p[1] == kNoFrameColour && p[2] == kNoFrameColour) return std::nullopt;
        return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }
};

std::string where(int x, int y) {
    return "pixel " + std::to_string(x) + "," + std::to_string(y);
}

TEST(WindowFrame, OnlyFramedStyleKindsGetAFrameAndTheOuterSizeGrowsByTwoFrames) {
    static_assert(F >= 2, "a frame has an outline and a bevel at least");
    for (int kind = 0; kind < 16; ++kind) {
        const int expected = (kind & 4) != 0 ? F : 0;
        EXPECT_EQ(platform::FrameWidth(kind), expected) << "kind " << kind;
        EXPECT_EQ(platform::OuterSide(750, kind), 750 + 2 * expected) << "kind " << kind;
    }
    EXPECT_EQ(platform::FrameWidth(3), 0); // The intro.
    EXPECT_EQ(platform::FrameWidth(7), F); // The game window and the dialogs.
}

TEST(WindowFrame, TheClientAreaAndTheOutsideHaveNoFramePixel) {
    const int w = 40, h = 30;
    for (int y = F; y < h - F; ++y)
        for (int x = F; x < w - F; ++x) ASSERT_FALSE(FramePixel(x, y, w, h, F)) << where(x, y);
    for (const auto& [x, y] : {std::pair{-1, 0}, std::pair{0, -1}, std::pair{w, 5}, std::pair{5, h}})
        EXPECT_FALSE(FramePixel(x, y, w, h, F)) << where(x, y);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x < F || y < F || x >= w - F || y >= h - F) {
                ASSERT_TRUE(FramePixel(x, y, w, h, F)) << where(x, y);
            }
    EXPECT_FALSE(FramePixel(0, 0, w, h, 0)) << "no frame without a width";
}

TEST(WindowFrame, EachRingIsLitTopAndLeftAndShadedBottomAndRightWithTheShadeOnTwoCorners) {
    const int w = 50, h = 20;
    const auto colour = [&](int x, int y) { return FramePixel(x, y, w, h, F).value(); };
    for (int ring = 0; ring < F; ++ring) {
        SCOPED_TRACE("ring " + std::to_string(ring));
        const std::uint32_t lit = colour(ring + 1, ring);
        const std::uint32_t shaded = colour(ring + 1, h - 1 - ring);
        // Whole sides of one colour each.
        for (int x = ring; x < w - 1 - ring; ++x) EXPECT_EQ(colour(x, ring), lit) << where(x, ring);
        for (int y = ring; y < h - 1 - ring; ++y) EXPECT_EQ(colour(ring, y), lit) << where(ring, y);
        for (int x = ring; x < w - ring; ++x) EXPECT_EQ(colour(x, h - 1 - ring), shaded) << where(x, h - 1 - ring);
        for (int y = ring; y < h - ring; ++y) EXPECT_EQ(colour(w - 1 - ring, y), shaded) << where(w - 1 - ring, y);
        // The top-right and bottom-left corners are the shade's.
        EXPECT_EQ(colour(w - 1 - ring, ring), shaded);
        EXPECT_EQ(colour(ring, h - 1 - ring), shaded);
    }
}

TEST(WindowFrame, TheOutlineIsDarkAndTheBevelRaised) {
    const auto luma = [](std::uint32_t c) { return 299 * (c >> 16 & 0xFF) + 587 * (c >> 8 & 0xFF) + 114 * (c & 0xFF); };
    const int w = 30, h = 30;
    const std::uint32_t outline = FramePixel(0, 10, w, h, F).value();
    const std::uint32_t outlineShade = FramePixel(w - 1, 10, w, h, F).value();
    const std::uint32_t bevelLit = FramePixel(1, 10, w, h, F).value();
    const std::uint32_t bevelShade = FramePixel(w - 2, 10, w, h, F).value();
    // Dark against the peach background (luma of 0xFFCC99 is about 210 000) and the court.
    EXPECT_LT(luma(outline), 100000);
    EXPECT_LT(luma(outlineShade), luma(outline));
    // Light from the top left: the lit side is brighter than the shaded one by far.
    EXPECT_GT(luma(bevelLit), luma(bevelShade) + 40000);
    EXPECT_GT(luma(bevelLit), luma(outline) + 60000);
    // Every ring differs from its neighbour, so each stays visible.
    std::set<std::uint32_t> top;
    for (int ring = 0; ring < F; ++ring) top.insert(FramePixel(15, ring, w, h, F).value());
    EXPECT_GE(top.size(), std::size_t(F - 1));
}

TEST(WindowFrame, DrawingFillsTheFrameAndLeavesTheClientAlone) {
    const int w = 37, h = 23;
    for (const bool bottomUp : {false, true}) {
        SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
        FrameImage image(w, h, bottomUp);
        DrawWindowFrame(image.surface(), Rect{0, 0, w, h}, w, h, F, 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(image.at(x, y), FramePixel(x, y, w, h, F)) << where(x, y);
    }
}

TEST(WindowFrame, AtAScaleEveryFramePixelIsABlockOfThatSize) {
    const int w = 21, h = 13;
    for (const int scale : {2, 3, 4}) {
        SCOPED_TRACE("scale " + std::to_string(scale));
        FrameImage image(w * scale, h * scale);
        DrawWindowFrame(image.surface(), Rect{0, 0, w * scale, h * scale}, w, h, F, scale);
        for (int y = 0; y < h * scale; ++y)
            for (int x = 0; x < w * scale; ++x)
                ASSERT_EQ(image.at(x, y), FramePixel(x / scale, y / scale, w, h, F)) << where(x, y);
    }
}

TEST(WindowFrame, APartOfTheWindowGetsTheSamePixelsAsTheWhole) {
    // The bands a backend draws one by one, and a part that runs past the window.
    const int w = 30, h = 20, scale = 2;
    FrameImage whole(w * scale, h * scale);
    DrawWindowFrame(whole.surface(), Rect{0, 0, w * scale, h * scale}, w, h, F, scale);
    for (const Rect part : {Rect{0, 0, w * scale, F * scale}, Rect{w * scale - F * scale, 5, w * scale, 33},
                            Rect{3, 7, 19, 29}, Rect{50, 30, 70, 50}}) {
        SCOPED_TRACE(std::to_string(part.left) + "," + std::to_string(part.top));
        FrameImage piece(int(part.Width()), int(part.Height()));
        DrawWindowFrame(piece.surface(), part, w, h, F, scale);
        for (int y = 0; y < piece.height; ++y)
            for (int x = 0; x < piece.width; ++x) {
                const int wx = part.left + x, wy = part.top + y;
                const auto expected = wx < w * scale && wy < h * scale ? whole.at(wx, wy) : std::nullopt;
                ASSERT_EQ(piece.at(x, y), expected) << where(wx, wy);
            }
    }
}

TEST(WindowFrame, NothingIsDrawnWithoutAFrameAScaleOrPixelsAndATinyWindowIsAllFrame) {
    FrameImage image(10, 10);
    DrawWindowFrame(image.surface(), Rect{0, 0, 10, 10}, 10, 10, 0, 1);
    DrawWindowFrame(image.surface(), Rect{0, 0, 10, 10}, 10, 10, F, 0);
    DrawWindowFrame(Surface{}, Rect{0, 0, 10, 10}, 10, 10, F, 1);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_FALSE(image.at(x, y)) << where(x, y);
    // A window of one client pixel: the frame meets itself; the one pixel stays the client's.
    const int side = 1 + 2 * F;
    FrameImage tiny(side, side);
    DrawWindowFrame(tiny.surface(), Rect{0, 0, side, side}, side, side, F, 1);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            EXPECT_EQ(tiny.at(x, y).has_value(), !(x == F && y == F)) << where(x, y);
}

} // namespace
