#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "FakeHost.hpp"
#include "scene/Blit.hpp"
#include "scene/OBitmap.hpp"
#include "scene/OpaqueRuns.hpp"

using scene::BackBufferView;
using scene::BlitPixels;
using scene::ImageView;
using scene::OBitmap;
using scene::Rect;
using scene::TOpaqueRuns;

namespace {

constexpr uint32_t kKey = 0x00FF00;

// A 24-bit surface of its own, addressed top-down whatever its row order.
struct Surface {
    Surface(int32_t w, int32_t h, bool rowsBottomUp)
        : width(w),
          height(h),
          stride((w * 3 + 3) & ~3),
          bottomUp(rowsBottomUp),
          bits(static_cast<size_t>(stride) * h) {}
    uint8_t* At(int32_t x, int32_t y) { return Target().row(y) + x * 3; }
    uint32_t Pixel(int32_t x, int32_t y) {
        const uint8_t* p = At(x, y);
        return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    }
    void Set(int32_t x, int32_t y, uint32_t colour) {
        for (int c = 0; c < 3; ++c) At(x, y)[c] = static_cast<uint8_t>(colour >> (8 * c));
    }
    ImageView View() { return {bits.data(), width, height, stride, bottomUp}; }
    BackBufferView Target() { return {bits.data(), width, height, stride, bottomUp}; }

    int32_t width, height, stride;
    bool bottomUp;
    std::vector<uint8_t> bits;
};

// The compositing rule pixel by pixel, in the plainest form: clip each pixel position against
// both surfaces, skip the key, copy or blend.
void Reference(Surface& target, Surface& image, int64_t left, int64_t top, int64_t width, int64_t height,
               int64_t sourceLeft, int64_t sourceTop, uint32_t key, int level) {
    level = std::clamp(level, 0, 255);
    for (int64_t y = 0; y < height; ++y) {
        for (int64_t x = 0; x < width; ++x) {
            const int64_t dx = left + x, dy = top + y, sx = sourceLeft + x, sy = sourceTop + y;
            if (dx < 0 || dy < 0 || dx >= target.width || dy >= target.height) continue;
            if (sx < 0 || sy < 0 || sx >= image.width || sy >= image.height) continue;
            const uint32_t s = image.Pixel(int32_t(sx), int32_t(sy));
            if (s == key) continue;
            const uint32_t d = target.Pixel(int32_t(dx), int32_t(dy));
            uint32_t out = 0;
            for (int c = 0; c < 3; ++c) {
                const int sc = int(s >> (8 * c)) & 0xFF, dc = int(d >> (8 * c)) & 0xFF;
                out |= uint32_t(level == 0 ? sc : sc + ((level * (dc - sc)) >> 8)) << (8 * c);
            }
            target.Set(int32_t(dx), int32_t(dy), out);
        }
    }
}

// Random pixels from a small palette that includes the key, so rows hold several runs.
void Scatter(Surface& image, std::mt19937& rng, uint32_t key) {
    const uint32_t palette[] = {key, key, 0x000000, 0xFFFFFF, 0x01FF00, 0x00FF01, 0x123456};
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            image.Set(x, y, rng() % 3 == 0 ? palette[rng() % 7] : rng() & 0xFFFFFF);
        }
    }
}

// A filled disc on the key, the shape whose rows hold one run each.
void Disc(Surface& image, uint32_t key) {
    const double rx = image.width / 2.0, ry = image.height / 2.0;
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const double dx = (x + 0.5 - rx) / rx, dy = (y + 0.5 - ry) / ry;
            image.Set(x, y, dx * dx + dy * dy <= 1.0 ? 0x203040u + uint32_t(x * 0x10305 + y) : key);
        }
    }
}

void Noise(Surface& surface, std::mt19937& rng) {
    for (auto& b : surface.bits) b = static_cast<uint8_t>(rng());
}

} // namespace

TEST(OpaqueRuns, ListEveryUnkeyedStretchOfEveryStoredRow) {
    Surface image(6, 2, false);
    const uint32_t rows[2][6] = {{kKey, 1, 2, kKey, kKey, 3}, {kKey, kKey, kKey, kKey, kKey, kKey}};
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 6; ++x) image.Set(x, y, rows[y][x]);
    }
    TOpaqueRuns runs;
    FindOpaqueRuns(image.View(), kKey, runs);
    ASSERT_TRUE(runs.Fit(image.View(), kKey));
    EXPECT_FALSE(runs.oneRunPerRow);
    ASSERT_EQ(runs.rowFirst, (std::vector<size_t>{0, 2, 2}));
    EXPECT_EQ(runs.runs[0].begin, 1);
    EXPECT_EQ(runs.runs[0].end, 3);
    EXPECT_EQ(runs.runs[1].begin, 5);
    EXPECT_EQ(runs.runs[1].end, 6);
    EXPECT_FALSE(runs.Fit(image.View(), kKey + 1));

    Surface disc(9, 7, true);
    Disc(disc, kKey);
    FindOpaqueRuns(disc.View(), kKey, runs);
    EXPECT_TRUE(runs.oneRunPerRow);
    ASSERT_EQ(runs.runs.size(), 7u);
    EXPECT_EQ(runs.rowFirst.back(), 7u);

    FindOpaqueRuns(ImageView{}, kKey, runs);
    EXPECT_FALSE(runs.Fit(image.View(), kKey));
}

TEST(BlitFastPath, MatchesThePerPixelRuleOnRandomImagesAtEveryEdge) {
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 600; ++trial) {
        const bool targetBottomUp = trial % 2 == 0, imageBottomUp = trial % 4 < 2;
        const int32_t tw = 1 + int32_t(rng() % 24), th = 1 + int32_t(rng() % 18);
        const int32_t iw = 1 + int32_t(rng() % 20), ih = 1 + int32_t(rng() % 14);
        Surface image(iw, ih, imageBottomUp);
        const uint32_t key = trial % 5 == 0 ? 0xFF000000u | kKey : kKey;
        if (trial % 3 == 0) {
            Disc(image, kKey);
        } else {
            Scatter(image, rng, kKey);
        }
        TOpaqueRuns runs;
        FindOpaqueRuns(image.View(), key, runs);
        const int levels[] = {0, 1, 128, 255, 300, -4};
        const int level = levels[trial % 6];
        const int64_t left = int64_t(rng() % (tw + 2 * iw)) - iw;
        const int64_t top = int64_t(rng() % (th + 2 * ih)) - ih;
        const int64_t width = 1 + rng() % (iw + 4), height = 1 + rng() % (ih + 4);
        const int64_t sourceLeft = int64_t(rng() % (iw + 4)) - 2;
        const int64_t sourceTop = int64_t(rng() % (ih + 4)) - 2;

        Surface expected(tw, th, targetBottomUp), withRuns(tw, th, targetBottomUp),
            without(tw, th, targetBottomUp);
        Noise(expected, rng);
        withRuns.bits = without.bits = expected.bits;
        Reference(expected, image, left, top, width, height, sourceLeft, sourceTop, key, level);
        BlitPixels(withRuns.Target(), image.View(), left, top, width, height, sourceLeft, sourceTop, key,
                   level, &runs);
        BlitPixels(without.Target(), image.View(), left, top, width, height, sourceLeft, sourceTop, key,
                   level);
        ASSERT_EQ(withRuns.bits, expected.bits) << "trial " << trial;
        ASSERT_EQ(without.bits, expected.bits) << "trial " << trial;
    }
}

TEST(BlitFastPath, RunsFoundForAnotherKeyOrSizeAreNotUsed) {
    Surface image(5, 3, true);
    Disc(image, kKey);
    TOpaqueRuns stale;
    FindOpaqueRuns(image.View(), 0x123456, stale); // Every pixel counts as opaque.
    Surface expected(8, 6, false), actual(8, 6, false);
    Reference(expected, image, 1, 1, 5, 3, 0, 0, kKey, 0);
    BlitPixels(actual.Target(), image.View(), 1, 1, 5, 3, 0, 0, kKey, 0, &stale);
    EXPECT_EQ(actual.bits, expected.bits);

    Surface wider(6, 3, true);
    FindOpaqueRuns(wider.View(), kKey, stale);
    Surface again(8, 6, false);
    BlitPixels(again.Target(), image.View(), 1, 1, 5, 3, 0, 0, kKey, 0, &stale);
    EXPECT_EQ(again.bits, expected.bits);
}

TEST(BlitFastPath, EveryBlendOfEveryChannelPairFloorsAsTheRuleDoes) {
    // Image pixel (x, y) holds x in every channel; the target holds y: all 65536 pairs at once.
    Surface image(256, 256, false);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) image.Set(x, y, uint32_t(x) * 0x010101u);
    }
    TOpaqueRuns runs;
    FindOpaqueRuns(image.View(), 0xFFFFFFFF, runs);
    for (int level : {1, 2, 127, 128, 129, 254, 255}) {
        Surface target(256, 256, true);
        for (int32_t y = 0; y < 256; ++y) {
            for (int32_t x = 0; x < 256; ++x) target.Set(x, y, uint32_t(y) * 0x010101u);
        }
        BlitPixels(target.Target(), image.View(), 0, 0, 256, 256, 0, 0, 0xFFFFFFFF, level, &runs);
        for (int32_t y = 0; y < 256; ++y) {
            for (int32_t x = 0; x < 256; ++x) {
                const uint32_t channel = uint32_t(x + ((level * (y - x)) >> 8));
                ASSERT_EQ(target.Pixel(x, y), channel * 0x010101u) << level << ": " << x << "," << y;
            }
        }
    }
}

namespace {

// Draws the whole bitmap at (1, 1) of a fresh 12 x 10 host and compares with the rule.
void ExpectDrawnAsTheRule(const OBitmap& bitmap, uint32_t key, int level) {
    const ImageView view = bitmap.View();
    Surface image(view.width, view.height, view.bottomUp);
    for (int32_t row = 0; row < view.height; ++row) {
        std::copy_n(view.bits + int64_t{row} * view.stride, view.width * 3,
                    image.bits.begin() + int64_t{row} * image.stride);
    }
    Surface expected(12, 10, true);
    std::fill(expected.bits.begin(), expected.bits.end(), uint8_t{0x77});
    Reference(expected, image, 1, 1, view.width, view.height, 0, 0, key, level);
    FakeHost host(12, 10, true);
    host.Fill(0x777777);
    scene::Blit(host, bitmap, Rect{1, 1, 1 + view.width, 1 + view.height},
                Rect{0, 0, view.width, view.height});
    for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < 12; ++x) {
            ASSERT_EQ(host.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
        }
    }
}

void Paint(OBitmap& bitmap, int32_t x, int32_t y, uint32_t colour) {
    const ImageView view = bitmap.View();
    uint8_t* p = bitmap.Pixels() + int64_t{view.bottomUp ? view.height - 1 - y : y} * view.stride + x * 3;
    for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(colour >> (8 * c));
}

} // namespace

TEST(BlitFastPath, ABitmapEditedAfterDrawingIsDrawnWithItsNewPixels) {
    for (float height : {6.0f, -6.0f}) {
        OBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateBlank(8, height));
        bitmap.SetColourKey(kKey);
        for (int32_t y = 0; y < 6; ++y) {
            for (int32_t x = 0; x < 8; ++x) Paint(bitmap, x, y, (x + y) % 3 ? 0x102030 : kKey);
        }
        ExpectDrawnAsTheRule(bitmap, kKey, 0);
        // A keyed pixel becomes opaque and an opaque one becomes keyed.
        Paint(bitmap, 0, 0, 0xABCDEF);
        Paint(bitmap, 1, 0, kKey);
        ExpectDrawnAsTheRule(bitmap, kKey, 0);
        bitmap.SetBlend(128);
        ExpectDrawnAsTheRule(bitmap, kKey, 128);
        // A new key changes which pixels are skipped.
        bitmap.SetColourKey(0x102030);
        ExpectDrawnAsTheRule(bitmap, 0x102030, 128);
        // A canvas blanked again is all key 0.
        ASSERT_TRUE(bitmap.CreateBlank(8, height));
        ExpectDrawnAsTheRule(bitmap, 0, 0);
    }
}

TEST(BlitFastPath, ClonesSeeEachOthersEditsAndKeepTheirOwnKeys) {
    auto* source = new OBitmap;
    ASSERT_TRUE(source->CreateBlank(5, 4));
    source->SetColourKey(kKey);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 5; ++x) Paint(*source, x, y, x == y ? kKey : 0x445566);
    }
    auto* copy = dynamic_cast<OBitmap*>(source->Clone());
    ASSERT_NE(copy, nullptr);
    ExpectDrawnAsTheRule(*source, kKey, 0);
    ExpectDrawnAsTheRule(*copy, kKey, 0);

    // An edit through the clone reaches the pixels both draw.
    Paint(*copy, 2, 2, 0x998877);
    Paint(*copy, 4, 0, kKey);
    ExpectDrawnAsTheRule(*source, kKey, 0);
    ExpectDrawnAsTheRule(*copy, kKey, 0);

    // Different keys on the shared pixels, drawn in turn.
    copy->SetColourKey(0x445566);
    for (int round = 0; round < 2; ++round) {
        ExpectDrawnAsTheRule(*source, kKey, 0);
        ExpectDrawnAsTheRule(*copy, 0x445566, 0);
    }
    scene::OGraph::Release(copy);
    scene::OGraph::Release(source);
}
