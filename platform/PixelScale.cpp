#include "platform/PixelScale.hpp"

#include <cstddef>
#include <cstring>

namespace platform {
namespace {

// One source row widened into the first target row of its block.
template <int Bytes>
void widenRow(const std::uint8_t* in, int width, int scale, std::uint8_t* out) {
    for (int x = 0; x < width; ++x, in += Bytes) {
        for (int k = 0; k < scale; ++k, out += Bytes) std::memcpy(out, in, Bytes);
    }
}

} // namespace

void ScaleArea(const std::uint8_t* source, int sourcePitch, const Rect& area, int bytesPerPixel, int scale,
               std::uint8_t* target, int targetPitch) {
    if (area.IsEmpty() || scale < 1 || bytesPerPixel < 1 || bytesPerPixel > 4) return;
    const int width = static_cast<int>(area.Width());
    const std::size_t rowBytes = std::size_t(width) * scale * bytesPerPixel;
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint8_t* in = source + std::ptrdiff_t(y) * sourcePitch + std::ptrdiff_t(area.left) * bytesPerPixel;
        std::uint8_t* first = target + std::ptrdiff_t(y) * scale * targetPitch +
                              std::ptrdiff_t(area.left) * scale * bytesPerPixel;
        switch (bytesPerPixel) {
        case 1: widenRow<1>(in, width, scale, first); break;
        case 2: widenRow<2>(in, width, scale, first); break;
        case 3: widenRow<3>(in, width, scale, first); break;
        default: widenRow<4>(in, width, scale, first); break;
        }
        // The block's other rows are the same pixels.
        for (int k = 1; k < scale; ++k) std::memcpy(first + std::ptrdiff_t(k) * targetPitch, first, rowBytes);
    }
}

} // namespace platform
