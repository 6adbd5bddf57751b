#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ClipRgba.hpp"

namespace {

using tools::ClipImageToRgba;
using tools::RgbaImage;
using tools::RgbaToClipImage;

// A 2 x 2 clip image stored top-down (rows padded to 8 bytes): white, the magenta key, then
// black and a dark red.
scene::TClipImage TwoByTwo(uint32_t colourKey) {
    scene::TClipImage image;
    image.width = 2;
    image.height = -2;
    image.colourKey = colourKey;
    image.pixels = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0, 0,  // white, magenta (BGR)
                    0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0, 0}; // black, dark red
    return image;
}

// The RGBA bytes of pixel (x, y).
std::vector<uint8_t> At(const RgbaImage& rgba, uint32_t x, uint32_t y) {
    const auto first = rgba.rgba.begin() + static_cast<std::ptrdiff_t>((y * rgba.width + x) * 4);
    return {first, first + 4};
}

RgbaImage Pixels(uint32_t width, uint32_t height, std::vector<uint8_t> bytes) {
    return {width, height, std::move(bytes)};
}

TEST(ClipImageToRgba, KeyColouredPixelsAreTransparentAndTheOthersOpaque) {
    const RgbaImage rgba = ClipImageToRgba(TwoByTwo(0xFF00FF));
    ASSERT_EQ(rgba.width, 2u);
    ASSERT_EQ(rgba.height, 2u);
    EXPECT_EQ(At(rgba, 0, 0), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(At(rgba, 1, 0), (std::vector<uint8_t>{255, 0, 255, 0}));
    EXPECT_EQ(At(rgba, 0, 1), (std::vector<uint8_t>{0, 0, 0, 255}));
    EXPECT_EQ(At(rgba, 1, 1), (std::vector<uint8_t>{128, 0, 0, 255}));
}

// The game draws every pixel of an image without a key, white ones too; a white key is
// another matter.
TEST(ClipImageToRgba, AnImageWithoutAKeyHasNoTransparentPixelNotEvenAWhiteOne) {
    for (const uint32_t none : {tools::kNoColourKey, 0x01FFFFFFu, 0x1000000u}) {
        EXPECT_FALSE(tools::KeysOutAColour(none));
        const RgbaImage rgba = ClipImageToRgba(TwoByTwo(none));
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < 2; ++x)
                EXPECT_EQ(At(rgba, x, y)[3], 255) << x << "," << y << " key " << none;
        EXPECT_EQ(At(rgba, 0, 0), (std::vector<uint8_t>{255, 255, 255, 255}));
    }
    EXPECT_TRUE(tools::KeysOutAColour(0xFFFFFF));
    const RgbaImage whiteKeyed = ClipImageToRgba(TwoByTwo(0xFFFFFF));
    EXPECT_EQ(At(whiteKeyed, 0, 0)[3], 0);
    EXPECT_EQ(At(whiteKeyed, 1, 0)[3], 255);
}

TEST(ClipImageToRgba, BottomUpImagesComeOutUpright) {
    scene::TClipImage image = TwoByTwo(tools::kNoColourKey);
    image.height = 2;
    const RgbaImage rgba = ClipImageToRgba(image);
    // The first stored row is the bottom one.
    EXPECT_EQ(At(rgba, 0, 1), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(At(rgba, 1, 0), (std::vector<uint8_t>{128, 0, 0, 255}));
}

TEST(RgbaToClipImage, TransparentPixelsTakeTheKeyColourAndOpaqueOnesLoseTheirAlpha) {
    const RgbaImage rgba = Pixels(2, 1, {10, 20, 30, 127, 40, 50, 60, 128});
    const std::optional<scene::TClipImage> image = RgbaToClipImage(rgba, 0x123456, true);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, -1);
    EXPECT_EQ(image->colourKey, 0x123456u);
    // Stored blue, green, red; the row padded with zeros to a multiple of 4 bytes.
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{0x56, 0x34, 0x12, 60, 50, 40, 0, 0}));
}

TEST(RgbaToClipImage, WithoutAKeyOpaquePixelsConvertAndATransparentOneIsRefused) {
    const RgbaImage opaque = Pixels(1, 1, {255, 255, 255, 255});
    const std::optional<scene::TClipImage> image = RgbaToClipImage(opaque, tools::kNoColourKey, false);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->colourKey, tools::kNoColourKey);
    EXPECT_EQ(ClipImageToRgba(*image).rgba, opaque.rgba);
    EXPECT_FALSE(RgbaToClipImage(Pixels(1, 1, {255, 255, 255, 0}), tools::kNoColourKey, false));
}

TEST(RgbaToClipImage, ReadsBackAsItWasWrittenEitherWayUp) {
    const RgbaImage rgba = Pixels(3, 2, {1, 2, 3, 255, 0, 0, 0, 0,   7, 8, 9, 255, //
                                         4, 5, 6, 255, 9, 9, 9, 255, 0, 0, 0, 0});
    for (const bool topDown : {true, false}) {
        const std::optional<scene::TClipImage> image = RgbaToClipImage(rgba, 0xFF00FF, topDown);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->height, topDown ? -2 : 2);
        const RgbaImage back = ClipImageToRgba(*image);
        // Transparent pixels come back as the key colour, with alpha 0.
        const RgbaImage expected = Pixels(3, 2, {1, 2, 3, 255, 255, 0, 255, 0,   7,   8, 9,   255, //
                                                 4, 5, 6, 255, 9,   9, 9,   255, 255, 0, 255, 0});
        EXPECT_EQ(back.rgba, expected.rgba) << (topDown ? "top-down" : "bottom-up");
    }
}

} // namespace
