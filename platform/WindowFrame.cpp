#include "platform/WindowFrame.hpp"

#include <algorithm>
#include <cstddef>

namespace platform {
namespace {

// One ring of the frame: the colour of its top and left side, and of its bottom and right side.
struct Ring {
    std::uint32_t lit;
    std::uint32_t shaded;
};

// The dialog buttons' chocolate and leather: a dark outline, the leather bevel lit from the top
// left, its face, and a chocolate line that parts the frame from the client area.
constexpr Ring kOutline{0x7A4424, 0x2A140A};
constexpr Ring kBevel{0xFFA04A, 0xB5480C};
constexpr Ring kFace{0xE8731E, 0x9A3E0A};
constexpr Ring kInner{0x4A2614, 0x4A2614};

Ring ringAt(int ring, int frameWidth) {
    if (ring == 0) return kOutline;
    if (ring == frameWidth - 1) return kInner;
    return ring == 1 ? kBevel : kFace;
}

} // namespace

std::optional<std::uint32_t> FramePixel(int x, int y, int width, int height, int frameWidth) {
    if (x < 0 || y < 0 || x >= width || y >= height) return std::nullopt;
    const int fromRight = width - 1 - x;
    const int fromBottom = height - 1 - y;
    const int ring = std::min({x, y, fromRight, fromBottom});
    if (ring >= frameWidth) return std::nullopt;
    const Ring colours = ringAt(ring, frameWidth);
    // On its ring the pixel belongs to the bottom or right side when it lies on that row or
    // column; the top-right and bottom-left corners are the shade's.
    return fromRight == ring || fromBottom == ring ? colours.shaded : colours.lit;
}

void DrawWindowFrame(const Surface& target, const Rect& part, int width, int height, int frameWidth, int scale) {
    if (frameWidth <= 0 || scale < 1 || target.bits == nullptr) return;
    const Rect covered = part.Intersect(Rect{0, 0, width * scale, height * scale});
    // Only the screen pixels within the frame's reach from an edge are visited.
    const int reach = frameWidth * scale;
    for (int y = covered.top; y < covered.bottom; ++y) {
        std::uint8_t* row = target.row(y - part.top);
        const bool band = y < reach || y >= height * scale - reach;
        for (int x = covered.left; x < covered.right; ++x) {
            if (!band && x >= reach && x < width * scale - reach) {
                x = width * scale - reach - 1; // Jumps over the client area.
                continue;
            }
            const std::optional<std::uint32_t> colour = FramePixel(x / scale, y / scale, width, height, frameWidth);
            if (!colour) continue;
            std::uint8_t* p = row + std::ptrdiff_t(x - part.left) * 3;
            p[0] = std::uint8_t(*colour);
            p[1] = std::uint8_t(*colour >> 8);
            p[2] = std::uint8_t(*colour >> 16);
        }
    }
}

} // namespace platform
