#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/PixelScale.hpp"

namespace {

using platform::Rect;
using platform::ScaleArea;
using platform::ScaledDown;

constexpr std::uint8_t kUntouched = 0xEE;

// An image of `bytes`-byte pixels whose every byte tells its pixel and channel apart.
struct PixelImage {
    int width, height, bytes, pitch;
    std::vector<std::uint8_t> data;

    PixelImage(int w, int h, int b, int padding = 0)
        : width(w), height(h), bytes(b), pitch(w * b + padding), data(std::size_t(pitch) * h, kUntouched) {}

    std::uint8_t* at(int x, int y) { return data.data() + std::ptrdiff_t(y) * pitch + x * bytes; }

    void fill() {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < bytes; ++c) at(x, y)[c] = std::uint8_t(x * 16 + y * 5 + c * 70 + 1);
    }
};

// Every target byte: inside the scaled area the source pixel it shows, elsewhere untouched
// (row padding included). Empty when all is right, else the first wrong place.
std::string check(PixelImage& source, const Rect& area, int scale, const PixelImage& target) {
    for (int y = 0; y < target.height; ++y)
        for (int offset = 0; offset < target.pitch; ++offset) {
            const int x = offset / target.bytes, c = offset % target.bytes;
            const bool inside = x < target.width && area.Contains(x / scale, y / scale);
            const std::uint8_t expected = inside ? source.at(x / scale, y / scale)[c] : kUntouched;
            if (target.data[std::size_t(y) * target.pitch + offset] != expected)
                return "byte " + std::to_string(c) + " of target pixel " + std::to_string(x) + "," + std::to_string(y);
        }
    return {};
}

TEST(ScaledDown, RoundsTowardMinusInfinitySoOutsideStaysOutside) {
    EXPECT_EQ(ScaledDown(0, 2), 0);
    EXPECT_EQ(ScaledDown(1, 2), 0);
    EXPECT_EQ(ScaledDown(2, 2), 1);
    EXPECT_EQ(ScaledDown(1499, 2), 749);
    EXPECT_EQ(ScaledDown(-1, 2), -1);
    EXPECT_EQ(ScaledDown(-2, 2), -1);
    EXPECT_EQ(ScaledDown(-3, 2), -2);
    EXPECT_EQ(ScaledDown(-4, 4), -1);
    EXPECT_EQ(ScaledDown(-5, 4), -2);
    EXPECT_EQ(ScaledDown(11, 3), 3);
    for (int v : {-7, -1, 0, 5, 65535}) EXPECT_EQ(ScaledDown(v, 1), v);
}

TEST(ScaleArea, EverySourcePixelBecomesABlockAndNothingOutsideTheBlocksIsWritten) {
    for (int scale = 1; scale <= platform::kMaxScale; ++scale) {
        SCOPED_TRACE("scale " + std::to_string(scale));
        PixelImage source(5, 3, 4);
        source.fill();
        // Odd areas: the whole image, the right and bottom edges, one corner pixel, a middle column.
        for (const Rect area : {Rect{0, 0, 5, 3}, Rect{3, 1, 5, 3}, Rect{0, 0, 1, 1}, Rect{4, 2, 5, 3},
                                Rect{2, 0, 3, 3}}) {
            SCOPED_TRACE("area " + std::to_string(area.left) + "," + std::to_string(area.top) + "," +
                         std::to_string(area.right) + "," + std::to_string(area.bottom));
            // One pixel more than the scaled image on each side, and padding at each row's end.
            PixelImage target(5 * scale + 1, 3 * scale + 1, 4, 6);
            ScaleArea(source.data.data(), source.pitch, area, 4, scale, target.data.data(), target.pitch);
            EXPECT_EQ(check(source, area, scale, target), "");
        }
    }
}

TEST(ScaleArea, ThreeBytePixelsAndABottomUpSourceAddressedFromItsTopRow) {
    PixelImage stored(7, 5, 3);
    stored.fill();
    // Read through a negative pitch, client row y is stored row 4 - y.
    PixelImage flipped(7, 5, 3);
    for (int y = 0; y < 5; ++y) std::memcpy(flipped.at(0, y), stored.at(0, 4 - y), std::size_t(stored.pitch));
    const Rect area{1, 0, 7, 4};
    PixelImage target(14, 10, 3);
    ScaleArea(stored.at(0, 4), -stored.pitch, area, 3, 2, target.data.data(), target.pitch);
    EXPECT_EQ(check(flipped, area, 2, target), "");
}

TEST(ScaleArea, AnEmptyAreaOrAnUnknownPixelSizeWritesNothing) {
    PixelImage source(4, 4, 4);
    source.fill();
    PixelImage target(8, 8, 4);
    const std::vector<std::uint8_t> before = target.data;
    ScaleArea(source.data.data(), source.pitch, Rect{2, 2, 2, 4}, 4, 2, target.data.data(), target.pitch);
    ScaleArea(source.data.data(), source.pitch, Rect{3, 3, 1, 1}, 4, 2, target.data.data(), target.pitch);
    ScaleArea(source.data.data(), source.pitch, Rect{0, 0, 4, 4}, 5, 2, target.data.data(), target.pitch);
    ScaleArea(source.data.data(), source.pitch, Rect{0, 0, 4, 4}, 4, 0, target.data.data(), target.pitch);
    EXPECT_EQ(target.data, before);
}

} // namespace
