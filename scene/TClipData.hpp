#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace scene {

// One 24-bit image of a clip file: |height| rows of ImageStride(width) bytes each, pixels
// blue, green, red. A positive height stores the rows bottom-up, a negative one top-down.
struct TClipImage {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t colourKey = 0;
    std::vector<uint8_t> pixels;

    bool operator==(const TClipImage&) const = default;
};

// One frame: where it sits in the clip, which image it shows and its command list.
struct TClipFrame {
    double x = 0;
    double y = 0;
    double z = 0;
    int16_t image = 0;
    std::vector<int32_t> commands;

    bool operator==(const TClipFrame&) const = default;
};

// An in-memory description of a clip file, the form the writer takes and the reader gives.
struct TClipData {
    float frameRate = 0;
    std::vector<TClipImage> images;
    std::vector<TClipFrame> frames;

    bool operator==(const TClipData&) const = default;
};

// Why a description cannot be written; empty when it can.
std::string ValidateClipData(const TClipData& clip);

// The clip file bytes: header, index (image entries, then placements with their commands),
// then the image records in order. Nullopt when ValidateClipData finds a fault.
std::optional<std::vector<uint8_t>> WriteClip(const TClipData& clip);

// Writes the file through a temporary beside it, so a failure never leaves half a file.
bool WriteClipFile(const TClipData& clip, const std::string& path);

// Reads a clip file into a description with the same checks as OClip::LoadMemory; entries
// of kinds other than images are left out. Nullopt for every file OClip would refuse.
std::optional<TClipData> ReadClip(std::span<const uint8_t> bytes);

} // namespace scene
