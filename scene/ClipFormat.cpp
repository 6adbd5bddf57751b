#include "scene/ClipFormat.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <span>

#include "scene/ByteReader.hpp"

namespace scene {

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

} // namespace

bool IsUsableCoordinate(double value) {
    return std::isfinite(value) && std::fabs(value) <= kMaxCoordinate;
}

std::optional<int32_t> ImageStride(int64_t width) {
    if (width < 0) return std::nullopt;
    const int64_t stride = ((int64_t{kDrawableBitsPerPixel} * width + 31) / 32) * 4;
    if (stride > kInt32Max) return std::nullopt;
    return static_cast<int32_t>(stride);
}

std::optional<TImageRecordHeader> ReadImageRecordHeader(ByteReader& stream, int64_t recordSize) {
    if (recordSize <= kImageRecordHeaderSize) return std::nullopt;
    TImageRecordHeader head;
    uint8_t reserved = 0;
    if (!stream.ReadI32(head.width) || !stream.ReadI32(head.height) || !stream.ReadU32(head.colourKey) ||
        !stream.Read(head.channelBits, 3) || !stream.Read(&reserved, 1)) {
        return std::nullopt;
    }
    if (head.channelBits[0] != 8 || head.channelBits[1] != 8 || head.channelBits[2] != 8) {
        return std::nullopt;
    }
    if (head.width < 0 || head.height == std::numeric_limits<int32_t>::min()) return std::nullopt;
    const std::optional<int32_t> stride = ImageStride(head.width);
    if (!stride) return std::nullopt;
    const int64_t imageSize = int64_t{std::abs(head.height)} * *stride;
    if (imageSize > kInt32Max) return std::nullopt;
    if (imageSize > recordSize - kImageRecordHeaderSize) return std::nullopt;
    if (static_cast<uint64_t>(imageSize) > stream.Remaining()) return std::nullopt;
    head.stride = *stride;
    head.imageSize = static_cast<uint32_t>(imageSize);
    return head;
}

int FramesPerSecondFromRate(float rate) {
    if (!(rate > 0)) return 0;
    if (rate >= static_cast<float>(kMaxFramesPerSecond)) return kMaxFramesPerSecond;
    return static_cast<int>(rate);
}

std::optional<TClipIndex> ReadClipIndex(ByteReader& stream) {
    const int64_t fileSize = static_cast<int64_t>(stream.Size());
    if (!stream.Seek(0)) return std::nullopt;
    uint32_t magic = 0, reserved32 = 0;
    int32_t indexSize = 0, imageEntries = 0, placements = 0;
    uint64_t reserved64 = 0;
    float rate = 0;
    if (!stream.ReadU32(magic) || !stream.ReadU32(reserved32) || !stream.ReadI32(indexSize) ||
        !stream.Read(&reserved64, 8) || !stream.ReadF32(rate) || !stream.ReadI32(imageEntries) ||
        !stream.ReadI32(placements)) {
        return std::nullopt;
    }
    if (magic != kClipMagic) return std::nullopt;
    if (indexSize < 0 || imageEntries < 0 || placements < 0) return std::nullopt;
    if (indexSize > fileSize - kClipHeaderSize) return std::nullopt;
    // Counts are checked against the index before anything is allocated for them.
    const int64_t entryBytes = int64_t{imageEntries} * kClipEntrySize;
    if (entryBytes > indexSize) return std::nullopt;
    if (int64_t{placements} * kClipPlacementSize > indexSize - entryBytes) return std::nullopt;

    std::span<const uint8_t> indexBytes;
    if (!stream.View(static_cast<size_t>(indexSize), indexBytes)) return std::nullopt;
    ByteReader index(indexBytes);

    TClipIndex result;
    result.indexSize = indexSize;
    result.frameRate = rate;
    result.framesPerSecond = FramesPerSecondFromRate(rate);
    result.entries.resize(static_cast<size_t>(imageEntries));
    int64_t imageBytes = 0;
    for (TClipEntry& entry : result.entries) {
        uint16_t reserved16 = 0;
        if (!index.ReadU32(entry.offset) || !index.ReadU32(entry.size) || !index.ReadU16(entry.kind) ||
            !index.ReadU16(reserved16)) {
            return std::nullopt;
        }
        if (entry.kind != kClipImageKind) continue;
        if (entry.size <= kImageRecordHeaderSize) return std::nullopt;
        if (int64_t{entry.offset} + entry.size > fileSize) return std::nullopt;
        // Records sharing bytes could otherwise make a small file allocate without bound.
        imageBytes += entry.size;
        if (imageBytes > fileSize) return std::nullopt;
        ++result.imageCount;
    }

    result.placements.resize(static_cast<size_t>(placements));
    for (TClipPlacement& placement : result.placements) {
        uint16_t commandCount = 0;
        uint32_t reservedPlacement = 0;
        if (!index.ReadF64(placement.x) || !index.ReadF64(placement.y) || !index.ReadF64(placement.z) ||
            !index.ReadI16(placement.image) || !index.ReadU16(commandCount) ||
            !index.ReadU32(reservedPlacement)) {
            return std::nullopt;
        }
        if (!IsUsableCoordinate(placement.x) || !IsUsableCoordinate(placement.y) ||
            !IsUsableCoordinate(placement.z)) {
            return std::nullopt;
        }
        if (placement.image < 0 || placement.image >= result.imageCount) return std::nullopt;
        if (size_t{commandCount} * 4 > index.Remaining()) return std::nullopt;
        placement.commands.resize(commandCount);
        for (int32_t& command : placement.commands) {
            if (!index.ReadI32(command)) return std::nullopt;
        }
    }
    return result;
}

} // namespace scene
