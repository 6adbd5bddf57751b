#include <gtest/gtest.h>

#include <vector>

#include "FakeHost.hpp"
#include "scene/Blit.hpp"

using scene::BlitPixels;
using scene::ImageView;

namespace {

uint32_t Gradient(int32_t x, int32_t y) {
    return 0x010000u * (x + 1) + 0x000100u * (y + 1) + 0x40;
}

// A w x h image of Gradient (or of one colour), stored in the given row order.
struct TestImage {
    TestImage(int32_t w, int32_t h, bool bottomUp, int64_t colour = -1)
        : view{nullptr, w, h, (w * 3 + 3) & ~3, bottomUp} {
        bits.resize(static_cast<size_t>(view.stride * h));
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t c = colour < 0 ? Gradient(x, y) : static_cast<uint32_t>(colour);
                uint8_t* p = &bits[static_cast<size_t>((bottomUp ? h - 1 - y : y) * view.stride + x * 3)];
                for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>(c >> (8 * i));
            }
        }
        view.bits = bits.data();
    }
    ImageView view;
    std::vector<uint8_t> bits;
};

constexpr uint32_t kNoKey = 0xFFFFFFFF;

} // namespace

TEST(BlitPixels, EveryRowOrderCombinationShowsTheImageUpright) {
    for (bool targetBottomUp : {true, false}) {
        for (bool imageBottomUp : {true, false}) {
            FakeHost host(8, 6, targetBottomUp);
            const TestImage image(3, 4, imageBottomUp);
            ASSERT_TRUE(BlitPixels(host.BackBuffer(), image.view, 2, 1, 3, 4, 0, 0, kNoKey, 0));
            for (int32_t y = 0; y < 4; ++y) {
                for (int32_t x = 0; x < 3; ++x) ASSERT_EQ(host.Pixel(x + 2, y + 1), Gradient(x, y));
            }
            EXPECT_EQ(host.Pixel(5, 1), 0u);
        }
    }
}

TEST(BlitPixels, KeyedPixelsNeverChangeTheBackgroundAndBlendsFloorPerChannel) {
    const TestImage keyed(1, 1, true, 0xFF00FF);
    const TestImage image(1, 1, true, 0x00C864); // Red 0, green 200, blue 100.
    auto onto = [](const TestImage& source, uint32_t key, int level) {
        FakeHost host(1, 1);
        host.Fill(0xFF3201);
        BlitPixels(host.BackBuffer(), source.view, 0, 0, 1, 1, 0, 0, key, level);
        return host.Pixel(0, 0);
    };
    for (int level : {0, 128, 255}) EXPECT_EQ(onto(keyed, 0xFF00FF, level), 0xFF3201u);
    // A key with bits above the 24 pixel bits matches no pixel.
    EXPECT_EQ(onto(keyed, 0x01FF00FF, 0), 0xFF00FFu);
    EXPECT_EQ(onto(image, kNoKey, 0), 0x00C864u);
    // Blue (100 + 1) / 2 rounds down to 50; green 200 + (128 * -150 >> 8) = 125; red 127.
    EXPECT_EQ(onto(image, kNoKey, 128), 0x7F7D32u);
    EXPECT_EQ(onto(image, kNoKey, 255), 0xFE3201u);
    // Levels outside 0..255 are clamped instead of wrapping a channel.
    EXPECT_EQ(onto(image, kNoKey, 1000), 0xFE3201u);
    EXPECT_EQ(onto(image, kNoKey, -5), 0x00C864u);
}

TEST(BlitPixels, ClipsAgainstEveryEdgeOfBothSurfaces) {
    const TestImage image(4, 4, true);
    struct Case {
        int64_t left, top, sourceLeft, sourceTop;
    };
    for (const Case& c : {Case{-2, 0, 0, 0}, Case{0, -3, 0, 0}, Case{6, 0, 0, 0}, Case{0, 5, 0, 0},
                          Case{7, 5, 0, 0}, Case{1, 1, -1, -1}, Case{0, 0, 2, 3}}) {
        FakeHost host(8, 6);
        host.Fill(0x111111);
        BlitPixels(host.BackBuffer(), image.view, c.left, c.top, 4, 4, c.sourceLeft, c.sourceTop, kNoKey, 0);
        for (int32_t y = 0; y < 6; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                const int64_t ix = x - c.left + c.sourceLeft, iy = y - c.top + c.sourceTop;
                const bool inside = x >= c.left && x < c.left + 4 && y >= c.top && y < c.top + 4 && ix >= 0 &&
                                    ix < 4 && iy >= 0 && iy < 4;
                ASSERT_EQ(host.Pixel(x, y), inside ? Gradient(int32_t(ix), int32_t(iy)) : 0x111111u)
                    << c.left << "," << c.top << " at " << x << "," << y;
            }
        }
    }
}

TEST(BlitPixels, NothingIsDrawnOutsideOrFromUnusableSurfaces) {
    const TestImage image(4, 4, true, 0x102030);
    FakeHost host(8, 6);
    const auto target = host.BackBuffer();
    EXPECT_FALSE(BlitPixels(target, image.view, 8, 0, 4, 4, 0, 0, 0, 0));
    EXPECT_FALSE(BlitPixels(target, image.view, 0, -4, 4, 4, 0, 0, 0, 0));
    EXPECT_FALSE(BlitPixels(target, image.view, 0, 0, -3, 4, 0, 0, 0, 0));
    EXPECT_FALSE(BlitPixels(target, image.view, INT64_MAX / 2, 0, INT64_MAX / 2, 4, 0, 0, 0, 0));
    ImageView narrow = image.view;
    narrow.stride = 11; // Less than 4 pixels of 3 bytes.
    EXPECT_FALSE(BlitPixels(target, narrow, 0, 0, 4, 4, 0, 0, 0, 0));
    ImageView missing = image.view;
    missing.bits = nullptr;
    EXPECT_FALSE(BlitPixels(target, missing, 0, 0, 4, 4, 0, 0, 0, 0));
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(host.Pixel(x, y), 0u);
    }
}
