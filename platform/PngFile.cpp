#include "PngFile.hpp"

#include <cstdint>
#include <fstream>
#include <vector>

#include <zlib.h>

namespace platform {
namespace {

void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void putChunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& data) {
    putBigEndian(out, std::uint32_t(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBigEndian(out, std::uint32_t(::crc32(0, out.data() + start, uInt(out.size() - start))));
}

} // namespace

bool WritePng(const std::string& path, const Surface& image) {
    if (!image.bits || image.width <= 0 || image.height <= 0) return false;
    std::vector<std::uint8_t> raw;
    raw.reserve(std::size_t(image.height) * (1 + 3 * std::size_t(image.width)));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // no filter
        const std::uint8_t* p = image.row(y);
        for (int x = 0; x < image.width; ++x, p += 3) raw.insert(raw.end(), {p[2], p[1], p[0]});
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 6) != Z_OK) return false;
    packed.resize(packedSize);

    std::vector<std::uint8_t> header;
    putBigEndian(header, std::uint32_t(image.width));
    putBigEndian(header, std::uint32_t(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace

    std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", packed);
    putChunk(file, "IEND", {});
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return bool(out.flush());
}

} // namespace platform
