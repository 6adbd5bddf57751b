#include "scene/TClipData.hpp"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "scene/ByteReader.hpp"
#include "scene/ClipFormat.hpp"

namespace scene {

namespace {

class ByteWriter {
public:
    explicit ByteWriter(size_t capacity) { m_bytes.reserve(capacity); }

    void U16(uint16_t value) {
        for (int i = 0; i < 2; ++i) m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void U64(uint64_t value) {
        for (int i = 0; i < 8; ++i) m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void F32(float value) { U32(std::bit_cast<uint32_t>(value)); }
    void F64(double value) { U64(std::bit_cast<uint64_t>(value)); }
    void Bytes(const std::vector<uint8_t>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    std::vector<uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

int64_t RecordSize(const TClipImage& image) {
    return kImageRecordHeaderSize + static_cast<int64_t>(image.pixels.size());
}

} // namespace

std::string ValidateClipData(const TClipData& clip) {
    if (clip.images.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max()) + 1) {
        return "too many images";
    }
    int64_t total = kClipHeaderSize;
    for (size_t i = 0; i < clip.images.size(); ++i) {
        const TClipImage& image = clip.images[i];
        const std::optional<int32_t> stride = ImageStride(image.width);
        if (!stride || image.height == std::numeric_limits<int32_t>::min()) {
            return "image " + std::to_string(i) + " has an unusable size";
        }
        const int64_t expected = int64_t{std::abs(image.height)} * *stride;
        if (static_cast<int64_t>(image.pixels.size()) != expected) {
            return "image " + std::to_string(i) + " holds " + std::to_string(image.pixels.size()) +
                   " pixel bytes instead of " + std::to_string(expected);
        }
        total += kClipEntrySize + RecordSize(image);
    }
    for (size_t i = 0; i < clip.frames.size(); ++i) {
        const TClipFrame& frame = clip.frames[i];
        if (frame.image < 0 || static_cast<size_t>(frame.image) >= clip.images.size()) {
            return "frame " + std::to_string(i) + " shows image " + std::to_string(frame.image) +
                   ", which does not exist";
        }
        if (!IsUsableCoordinate(frame.x) || !IsUsableCoordinate(frame.y) || !IsUsableCoordinate(frame.z)) {
            return "frame " + std::to_string(i) + " lies too far away";
        }
        if (frame.commands.size() > std::numeric_limits<uint16_t>::max()) {
            return "frame " + std::to_string(i) + " has too many commands";
        }
        total += kClipPlacementSize + 4 * static_cast<int64_t>(frame.commands.size());
    }
    // Offsets and sizes are 32-bit fields, and the index size a signed one.
    if (total > std::numeric_limits<int32_t>::max()) return "the clip is too large";
    return {};
}

std::optional<std::vector<uint8_t>> WriteClip(const TClipData& clip) {
    if (!ValidateClipData(clip).empty()) return std::nullopt;
    int64_t indexSize = kClipEntrySize * static_cast<int64_t>(clip.images.size());
    for (const TClipFrame& frame : clip.frames) {
        indexSize += kClipPlacementSize + 4 * static_cast<int64_t>(frame.commands.size());
    }
    int64_t total = kClipHeaderSize + indexSize;
    for (const TClipImage& image : clip.images) total += RecordSize(image);

    ByteWriter out(static_cast<size_t>(total));
    out.U32(kClipMagic);
    out.U32(0);
    out.I32(static_cast<int32_t>(indexSize));
    out.U64(0);
    out.F32(clip.frameRate);
    out.I32(static_cast<int32_t>(clip.images.size()));
    out.I32(static_cast<int32_t>(clip.frames.size()));

    int64_t offset = kClipHeaderSize + indexSize;
    for (const TClipImage& image : clip.images) {
        out.U32(static_cast<uint32_t>(offset));
        out.U32(static_cast<uint32_t>(RecordSize(image)));
        out.U16(kClipImageKind);
        out.U16(0);
        offset += RecordSize(image);
    }
    for (const TClipFrame& frame : clip.frames) {
        out.F64(frame.x);
        out.F64(frame.y);
        out.F64(frame.z);
        out.U16(static_cast<uint16_t>(frame.image));
        out.U16(static_cast<uint16_t>(frame.commands.size()));
        out.U32(0);
        for (int32_t command : frame.commands) out.I32(command);
    }
    for (const TClipImage& image : clip.images) {
        out.I32(image.width);
        out.I32(image.height);
        out.U32(image.colourKey);
        out.U32(0x00080808); // 8 bits of blue, green and red, then the reserved byte.
        out.Bytes(image.pixels);
    }
    return out.Take();
}

bool WriteClipFile(const TClipData& clip, const std::string& path) {
    const std::optional<std::vector<uint8_t>> bytes = WriteClip(clip);
    if (!bytes) return false;
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) return false;
        file.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
        file.flush();
        if (!file) {
            file.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<TClipData> ReadClip(std::span<const uint8_t> bytes) {
    ByteReader stream(bytes);
    const std::optional<TClipIndex> index = ReadClipIndex(stream);
    if (!index) return std::nullopt;
    TClipData clip;
    clip.frameRate = index->frameRate;
    clip.images.reserve(static_cast<size_t>(index->imageCount));
    for (const TClipEntry& entry : index->entries) {
        if (entry.kind != kClipImageKind) continue;
        if (!stream.Seek(entry.offset)) return std::nullopt;
        const std::optional<TImageRecordHeader> head = ReadImageRecordHeader(stream, entry.size);
        if (!head) return std::nullopt;
        TClipImage image;
        image.width = head->width;
        image.height = head->height;
        image.colourKey = head->colourKey;
        image.pixels.resize(head->imageSize);
        if (!stream.Read(image.pixels.data(), image.pixels.size())) return std::nullopt;
        clip.images.push_back(std::move(image));
    }
    clip.frames.reserve(index->placements.size());
    for (const TClipPlacement& placement : index->placements) {
        clip.frames.push_back(
            TClipFrame{placement.x, placement.y, placement.z, placement.image, placement.commands});
    }
    return clip;
}

} // namespace scene
