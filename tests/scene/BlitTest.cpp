#include "scene/Blit.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "FakeHost.hpp"

using scene::BlitPixels;
using scene::ImageView;

namespace {

// A small image whose pixel at (x, y), top-down, is `colour(x, y)`, stored in either row order.
struct TestImage {
  TestImage(int32_t w, int32_t h, bool bottomUp, uint32_t (*colour)(int32_t, int32_t))
      : width(w), height(h), stride((w * 3 + 3) & ~3), bottomUp(bottomUp),
        bits(static_cast<size_t>(stride * h)) {
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const int32_t row = bottomUp ? h - 1 - y : y;
        uint8_t* p = &bits[static_cast<size_t>(row * stride + x * 3)];
        const uint32_t c = colour(x, y);
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
      }
    }
  }
  ImageView View() const { return {bits.data(), width, height, stride, bottomUp}; }

  int32_t width;
  int32_t height;
  int32_t stride;
  bool bottomUp;
  std::vector<uint8_t> bits;
};

uint32_t Gradient(int32_t x, int32_t y) { return 0x010000u * (x + 1) + 0x000100u * (y + 1) + 0x40; }
uint32_t Solid(int32_t, int32_t) { return 0x102030; }

}  // namespace

TEST(BlitPixels, EveryRowOrderCombinationShowsTheImageUpright) {
  for (bool targetBottomUp : {true, false}) {
    for (bool imageBottomUp : {true, false}) {
      FakeHost host(8, 6, targetBottomUp);
      const TestImage image(3, 4, imageBottomUp, Gradient);
      ASSERT_TRUE(BlitPixels(host.BackBuffer(), image.View(), 2, 1, 3, 4, 0, 0, 0xFFFFFFFF, 0));
      for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
          EXPECT_EQ(host.Pixel(x + 2, y + 1), Gradient(x, y))
              << targetBottomUp << imageBottomUp << " at " << x << "," << y;
        }
      }
      EXPECT_EQ(host.Pixel(1, 1), 0u);
      EXPECT_EQ(host.Pixel(5, 1), 0u);
    }
  }
}

TEST(BlitPixels, ColourKeyedPixelsNeverChangeTheBackground) {
  const TestImage image(4, 1, true, [](int32_t x, int32_t) { return x % 2 ? 0xFF00FFu : 0x0000FFu; });
  for (int level : {0, 1, 128, 255}) {
    FakeHost host(4, 1);
    host.Fill(0x123456);
    BlitPixels(host.BackBuffer(), image.View(), 0, 0, 4, 1, 0, 0, 0xFF00FF, level);
    EXPECT_EQ(host.Pixel(1, 0), 0x123456u) << level;
    EXPECT_EQ(host.Pixel(3, 0), 0x123456u) << level;
    EXPECT_NE(host.Pixel(0, 0), 0x123456u) << level;
  }
  // A key with bits above the 24 pixel bits matches nothing.
  FakeHost host(4, 1);
  BlitPixels(host.BackBuffer(), image.View(), 0, 0, 4, 1, 0, 0, 0x01FF00FF, 0);
  EXPECT_EQ(host.Pixel(1, 0), 0xFF00FFu);
}

TEST(BlitPixels, BlendLevelsMixImageAndBackgroundPerChannel) {
  const TestImage image(1, 1, true, [](int32_t, int32_t) { return 0x00C864u; });  // r 0, g 200, b 100
  auto blendOnto = [&image](uint32_t background, int level) {
    FakeHost host(1, 1);
    host.Fill(background);
    BlitPixels(host.BackBuffer(), image.View(), 0, 0, 1, 1, 0, 0, 0xFFFFFFFF, level);
    return host.Pixel(0, 0);
  };
  EXPECT_EQ(blendOnto(0xFF3201, 0), 0x00C864u);
  // Midpoints round toward minus infinity: blue (100 + 1) / 2 rounds down to 50,
  // green 200 + (128 * (50 - 200)) >> 8 = 125, red 0 + (128 * 255) >> 8 = 127.
  EXPECT_EQ(blendOnto(0xFF3201, 128), 0x7F7D32u);
  EXPECT_EQ(blendOnto(0xFF3201, 255), 0xFE3201u);
  // Levels outside 0..255 are clamped instead of wrapping a channel.
  EXPECT_EQ(blendOnto(0xFF3201, 1000), blendOnto(0xFF3201, 255));
  EXPECT_EQ(blendOnto(0xFF3201, -5), 0x00C864u);
}

TEST(BlitPixels, ClipsAtEveryEdgeOfTheBackBuffer) {
  const TestImage image(4, 4, true, Gradient);
  struct Case {
    int64_t left, top;
  };
  for (const Case& c : {Case{-2, 0}, Case{0, -3}, Case{6, 0}, Case{0, 5}, Case{-1, -1}, Case{7, 5}}) {
    FakeHost host(8, 6);
    host.Fill(0x111111);
    BlitPixels(host.BackBuffer(), image.View(), c.left, c.top, 4, 4, 0, 0, 0xFFFFFFFF, 0);
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 8; ++x) {
        const int64_t ix = x - c.left;
        const int64_t iy = y - c.top;
        const bool inside = ix >= 0 && ix < 4 && iy >= 0 && iy < 4;
        const uint32_t expected = inside ? Gradient(static_cast<int32_t>(ix), static_cast<int32_t>(iy))
                                         : 0x111111u;
        ASSERT_EQ(host.Pixel(x, y), expected) << c.left << "," << c.top << " at " << x << "," << y;
      }
    }
  }
}

TEST(BlitPixels, SourceRectanglesOutsideTheImageAreClippedToIt) {
  const TestImage image(4, 4, false, Gradient);
  FakeHost host(8, 8);
  host.Fill(0x111111);
  // Asks for 6x6 starting one pixel before the image: only the 4x4 image lands, shifted by one.
  ASSERT_TRUE(BlitPixels(host.BackBuffer(), image.View(), 0, 0, 6, 6, -1, -1, 0xFFFFFFFF, 0));
  EXPECT_EQ(host.Pixel(0, 0), 0x111111u);
  EXPECT_EQ(host.Pixel(1, 1), Gradient(0, 0));
  EXPECT_EQ(host.Pixel(4, 4), Gradient(3, 3));
  EXPECT_EQ(host.Pixel(5, 5), 0x111111u);
}

TEST(BlitPixels, NothingIsDrawnOutsideOrFromUnusableSurfaces) {
  const TestImage image(4, 4, true, Solid);
  FakeHost host(8, 6);
  const auto target = host.BackBuffer();
  EXPECT_FALSE(BlitPixels(target, image.View(), 8, 0, 4, 4, 0, 0, 0, 0));
  EXPECT_FALSE(BlitPixels(target, image.View(), -4, 0, 4, 4, 0, 0, 0, 0));
  EXPECT_FALSE(BlitPixels(target, image.View(), 0, 6, 4, 4, 0, 0, 0, 0));
  EXPECT_FALSE(BlitPixels(target, image.View(), 0, 0, 4, 4, 4, 0, 0, 0));
  EXPECT_FALSE(BlitPixels(target, image.View(), 0, 0, 0, 4, 0, 0, 0, 0));
  EXPECT_FALSE(BlitPixels(target, image.View(), 0, 0, -3, 4, 0, 0, 0, 0));
  EXPECT_FALSE(BlitPixels(target, image.View(), INT64_MAX / 2, 0, INT64_MAX / 2, 4, 0, 0, 0, 0));

  ImageView narrow = image.View();
  narrow.stride = 11;  // Less than 4 pixels of 3 bytes.
  EXPECT_FALSE(BlitPixels(target, narrow, 0, 0, 4, 4, 0, 0, 0, 0));
  ImageView missing = image.View();
  missing.bits = nullptr;
  EXPECT_FALSE(BlitPixels(target, missing, 0, 0, 4, 4, 0, 0, 0, 0));
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(host.Pixel(x, y), 0u);
  }
}
