#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "BallArt.hpp"
#include "ButtonArt.hpp"
#include "CourtArt.hpp"
#include "Colour.hpp"
#include "Draw.hpp"
#include "Noise.hpp"
#include "Picture.hpp"

namespace assetgen {
namespace {

uint32_t PixelAt(const scene::TClipImage& image, int x, int y) {
    const int stride = (image.width * 3 + 3) / 4 * 4;
    const uint8_t* p = image.pixels.data() + y * stride + 3 * x;
    return PixelValue(p[2], p[1], p[0]);
}

TEST(Colour, ContrastAndMixing) {
    EXPECT_NEAR(ContrastRatio({0, 0, 0}, {1, 1, 1}), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(Hex(0x808080), Hex(0x808080)), 1.0, 1e-12);
    EXPECT_EQ(Mix(Hex(0x000000), Hex(0xFFFFFF), 2.0), Hex(0xFFFFFF));
    EXPECT_EQ(Shade(Hex(0x804020), -1.0), Hex(0x000000));
    EXPECT_EQ(PixelValue(0x12, 0x34, 0x56), 0x123456u);
    // Captions written by the program stay readable on the buttons they are written on: peach
    // on the dark buttons, dark blue on the row boxes.
    EXPECT_GE(ContrastRatio(palette::kBackground, palette::kChocolate), 4.5);
    EXPECT_GE(ContrastRatio(Hex(0x0000C8), Hex(0xFFF3E0)), 4.5);
}

TEST(Picture, ClipImagesCompositeOverTheBackgroundAndKeyTheRest) {
    Picture picture(3, 2);
    picture.At(0, 0) = PremultipliedPixel({1, 0, 0}, 1.0);
    picture.At(1, 0) = PremultipliedPixel({0, 0, 1}, 0.5);
    picture.At(2, 0) = PremultipliedPixel({0, 1, 0}, 0.1); // too faint: transparent
    picture.At(0, 1) = PremultipliedPixel({1, 0, 1}, 1.0); // the key colour itself
    const scene::TClipImage image = ToClipImage(picture, Hex(0xFFCC99));
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, -2); // top-down rows
    EXPECT_EQ(image.colourKey, 0xFF00FFu);
    EXPECT_EQ(PixelAt(image, 0, 0), 0xFF0000u);
    EXPECT_EQ(PixelAt(image, 1, 0), PixelValue(127, 102, 204));
    EXPECT_EQ(PixelAt(image, 2, 0), image.colourKey);
    EXPECT_EQ(PixelAt(image, 1, 1), image.colourKey);
    EXPECT_NE(PixelAt(image, 0, 1), image.colourKey);
    // Reading back: keyed pixels transparent, the others opaque with their composited colour.
    const Picture back = FromClipImage(image);
    EXPECT_EQ(back.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(back.At(2, 0), 0u);
    EXPECT_EQ(back.At(1, 1), 0u);
}

TEST(Picture, BottomUpImagesReadBackUpright) {
    scene::TClipImage image;
    image.width = 1;
    image.height = 2; // bottom-up: the first stored row is the bottom one
    image.colourKey = 0xFF00FF;
    image.pixels = {0x00, 0x00, 0xFF, 0, 0xFF, 0x00, 0x00, 0};
    const Picture picture = FromClipImage(image);
    EXPECT_EQ(picture.At(0, 0), 0xFF0000FFu);
    EXPECT_EQ(picture.At(0, 1), 0xFFFF0000u);
}

// A key above 24 bits keys out nothing, as the game draws such an image: white stays white.
TEST(Picture, AnImageWithoutAKeyReadsBackWithEveryPixelOpaque) {
    scene::TClipImage image;
    image.width = 2;
    image.height = -1;
    image.colourKey = 0xFFFFFFFF;
    image.pixels = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0, 0};
    const Picture picture = FromClipImage(image);
    EXPECT_EQ(picture.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(picture.At(1, 0), 0xFFFF00FFu);
    image.colourKey = 0xFFFFFF;
    EXPECT_EQ(FromClipImage(image).At(0, 0), 0u);
}

TEST(BallArt, SymbolsHaveAnInsideAndAnOutside) {
    const BallSymbol symbols[] = {BallSymbol::Star,     BallSymbol::Square, BallSymbol::Plus,
                                  BallSymbol::Triangle, BallSymbol::Ring,   BallSymbol::Crescent,
                                  BallSymbol::Bars};
    for (BallSymbol symbol : symbols) {
        int inside = 0;
        const int n = 40;
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                const double u = -1.2 + 2.4 * (x + 0.5) / n;
                const double v = -1.2 + 2.4 * (y + 0.5) / n;
                inside += SymbolDistance(symbol, u, v) < 0;
            }
        }
        // Each fills a clear part of its square without flooding it.
        EXPECT_GT(inside, n * n / 10) << static_cast<int>(symbol);
        EXPECT_LT(inside, n * n * 7 / 10) << static_cast<int>(symbol);
        EXPECT_GT(SymbolDistance(symbol, 1.2, 1.2), 0) << static_cast<int>(symbol);
    }
    // Seven colours, seven different symbols.
    std::vector<int> marks;
    for (const BallStyle& style : BallStyles()) marks.push_back(static_cast<int>(style.mark));
    std::sort(marks.begin(), marks.end());
    EXPECT_EQ(std::unique(marks.begin(), marks.end()), marks.end());
    EXPECT_EQ(BallStyles().size(), 7u);
}

TEST(BallArt, BallIsRoundAndTurnsWithItsSpin) {
    const BallStyle& style = BallStyles()[0];
    const Picture still = RenderBall(style, 0, 34, 33);
    const Picture quarter = RenderBall(style, std::numbers::pi / 2, 34, 33);
    const Picture full = RenderBall(style, 2 * std::numbers::pi, 34, 33);
    EXPECT_NE(still.argb, quarter.argb);
    // A full turn comes back to the start, so the loop has no jump.
    int differing = 0;
    for (size_t i = 0; i < still.argb.size(); ++i) differing += still.argb[i] != full.argb[i];
    EXPECT_LT(differing, 4);
    // Coverage follows the circle: opaque in the middle, transparent in the corners, partial
    // at the rim.
    EXPECT_EQ(still.At(17, 16) >> 24, 255u);
    EXPECT_EQ(still.At(0, 0) >> 24, 0u);
    int partial = 0;
    for (uint32_t pixel : still.argb) partial += (pixel >> 24) > 0 && (pixel >> 24) < 255;
    EXPECT_GT(partial, 40);
}

TEST(ButtonArt, LabelsShrinkToFit) {
    EXPECT_DOUBLE_EQ(FitFontSize("Ok", 20, 9, 200), 20);
    const double fitted = FitFontSize("More Games", 30, 9, 97);
    EXPECT_LT(fitted, 30);
    EXPECT_GT(fitted, 9);
    EXPECT_DOUBLE_EQ(FitFontSize("An overlong label for a tiny button", 20, 9, 10), 9);
}

// The full screen's border: opaque, dark beside the peach game, and repeating without a
// joint: the step across a tile's edge to the next tile is no larger than the steps inside it.
TEST(CourtArt, TheBackdropTileIsOpaqueDarkAndRepeatsWithoutAJoint) {
    const scene::TClipData clip = BackdropTileClip(palette::kBackground);
    ASSERT_EQ(clip.images.size(), 1u);
    const scene::TClipImage& image = clip.images[0];
    ASSERT_EQ(image.width, 64);
    ASSERT_EQ(std::abs(image.height), 64);
    const auto luminance = [&](int x, int y) {
        const uint32_t p = PixelAt(image, x, image.height > 0 ? 63 - y : y);
        return Luminance(Hex(p));
    };
    const auto step = [&](int x0, int y0, int x1, int y1) {
        return std::abs(luminance(x0, y0) - luminance(x1, y1));
    };
    double brightest = 0, largestInside = 0, largestAcross = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint32_t p = PixelAt(image, x, y);
            EXPECT_NE(p, PixelValue(kKeyRed, kKeyGreen, kKeyBlue)) << x << "," << y;
            brightest = std::max(brightest, luminance(x, y));
            if (x > 0 && x < 63) largestInside = std::max(largestInside, step(x, y, x + 1, y));
            if (y > 0 && y < 63) largestInside = std::max(largestInside, step(x, y, x, y + 1));
        }
    for (int i = 0; i < 64; ++i)
        largestAcross = std::max({largestAcross, step(63, i, 0, i), step(i, 63, i, 0)});
    EXPECT_LT(brightest, 0.06);
    EXPECT_GE(ContrastRatio(palette::kBackground, Hex(PixelAt(image, 5, 5))), 7.0);
    EXPECT_LE(largestAcross, largestInside + 1e-9);
}

TEST(Noise, SequenceIsFixedAndSpread) {
    Noise a(1), b(1), c(2);
    EXPECT_EQ(a.NextBits(), 270369u); // xorshift32 from seed 1
    b.NextBits();
    double low = 1, high = -1, sum = 0;
    for (int i = 0; i < 10000; ++i) {
        const double x = b.Next();
        EXPECT_EQ(x, a.Next());
        low = std::min(low, x);
        high = std::max(high, x);
        sum += x;
    }
    EXPECT_LT(low, -0.99);
    EXPECT_GT(high, 0.99);
    EXPECT_LT(std::abs(sum / 10000), 0.03);
    EXPECT_NE(c.NextBits(), Noise(1).NextBits());
}

} // namespace
} // namespace assetgen
