#include "platform/BorderTile.hpp"

#include <cstring>

namespace platform {

void BorderTile::Set(const ConstSurface& tile) {
    if (tile.bits == nullptr || tile.width <= 0 || tile.height <= 0) {
        m_width = m_height = 0;
        m_pixels.clear();
        return;
    }
    m_width = tile.width;
    m_height = tile.height;
    m_pixels.resize(std::size_t(m_width) * std::size_t(m_height) * 3);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_pixels.data() + std::size_t(y) * m_width * 3, tile.row(y), std::size_t(m_width) * 3);
}

std::uint32_t BorderTile::PixelAt(int x, int y, int scale) const {
    if (m_pixels.empty()) return kPlainColour;
    const int tx = (x / scale) % m_width, ty = (y / scale) % m_height;
    const std::uint8_t* p = m_pixels.data() + (std::size_t(ty) * m_width + tx) * 3;
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

void BorderTile::Draw(const Surface& target, const Rect& part, int scale) const {
    if (scale < 1) scale = 1;
    for (int y = part.top; y < part.bottom; ++y) {
        std::uint8_t* out = target.row(y - part.top);
        for (int x = part.left; x < part.right; ++x, out += 3) {
            const std::uint32_t colour = PixelAt(x, y, scale);
            out[0] = std::uint8_t(colour);
            out[1] = std::uint8_t(colour >> 8);
            out[2] = std::uint8_t(colour >> 16);
        }
    }
}

std::vector<Rect> BandsAround(Rect window, Rect client) {
    client = client.Intersect(window);
    if (client.IsEmpty()) return {window};
    const Rect bands[4] = {{window.left, window.top, window.right, client.top},
                           {window.left, client.bottom, window.right, window.bottom},
                           {window.left, client.top, client.left, client.bottom},
                           {client.right, client.top, window.right, client.bottom}};
    std::vector<Rect> out;
    for (const Rect& band : bands)
        if (!band.IsEmpty()) out.push_back(band);
    return out;
}

} // namespace platform
