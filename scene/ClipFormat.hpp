#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace scene {

class ByteReader;

// Fixed sizes and values of the clip file layout; all integers are little-endian.
inline constexpr uint32_t kClipMagic = 137;
inline constexpr int64_t kClipHeaderSize = 32;
inline constexpr int64_t kClipEntrySize = 12;
inline constexpr int64_t kClipPlacementSize = 32;
inline constexpr int64_t kImageRecordHeaderSize = 16;
inline constexpr uint16_t kClipImageKind = 1;

// The compositor draws 24-bit pixels only: 8 bits each of blue, green and red.
inline constexpr int kDrawableBitsPerPixel = 24;

// A clip steps at most this many frames per second; larger file rates are clamped.
inline constexpr int kMaxFramesPerSecond = 1000;

// Placement coordinates beyond this are refused, so that positions plus sizes stay far
// inside the range of window pixels.
inline constexpr double kMaxCoordinate = 1e9;

// True for a finite placement coordinate no farther than kMaxCoordinate from the origin.
bool IsUsableCoordinate(double value);

// Bytes per pixel row of a 24-bit image; nullopt when the row does not fit in 32 bits.
std::optional<int32_t> ImageStride(int64_t width);

// The 16-byte head of an image record, checked against the record and the stream.
struct TImageRecordHeader {
    int32_t width = 0;
    int32_t height = 0; // Positive: rows stored bottom-up; negative: top-down.
    uint32_t colourKey = 0;
    uint8_t channelBits[3] = {0, 0, 0};
    int32_t stride = 0;
    uint32_t imageSize = 0;
};

// Reads an image record head at the stream position. Refuses records of 16 bytes or less,
// pixel formats the compositor cannot draw, negative widths, sizes that overflow, and pixel
// rows that would not fit in the record or the stream. On success the stream stands at
// the first pixel row.
std::optional<TImageRecordHeader> ReadImageRecordHeader(ByteReader& stream, int64_t recordSize);

struct TClipEntry {
    uint32_t offset = 0;
    uint32_t size = 0;
    uint16_t kind = 0;
};

struct TClipPlacement {
    double x = 0;
    double y = 0;
    double z = 0;
    int16_t image = 0;
    std::vector<int32_t> commands;
};

// Header and index of a clip file, checked for consistency with the file around them.
struct TClipIndex {
    int32_t indexSize = 0;
    float frameRate = 0;
    int framesPerSecond = 0;
    int imageCount = 0; // Entries of the image kind; placements number these from 0.
    std::vector<TClipEntry> entries;
    std::vector<TClipPlacement> placements;
};

// Converts the file's frame rate: truncated toward zero, 0 when negative or not a number,
// at most kMaxFramesPerSecond.
int FramesPerSecondFromRate(float rate);

// Reads the header and index from the start of the stream. Refuses a wrong magic, negative
// counts or index size, an index longer than the file or shorter than its entries,
// placements running past the index, image numbers without an image, non-finite or far-off
// positions, and image records lying outside the file or adding up to more than the file holds.
std::optional<TClipIndex> ReadClipIndex(ByteReader& stream);

} // namespace scene
