#pragma once

#include <cstdint>
#include <vector>

#include "scene/Rect.hpp"
#include "scene/SceneHost.hpp"

namespace engine {

// Back-buffer row stride for a width: 24-bit rows padded to 4 bytes.
constexpr int BackBufferStride(int width) { return ((width * 24 + 31) & ~31) / 8; }

// A window's 24-bit bottom-up back buffer (blue, green, red) and its background colour.
class BackBuffer {
public:
    // Makes a buffer of the size, every pixel the background colour (0x00BBGGRR).
    void Allocate(int width, int height, std::uint32_t background);

    scene::BackBufferView View();
    bool Empty() const { return m_bits.empty(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Stride() const { return m_stride; }

    // Paints the rectangle with the background colour; clamps it to the buffer in place.
    void ClearRect(scene::Rect* rect);

private:
    std::vector<std::uint8_t> m_bits;
    std::vector<std::uint8_t> m_backgroundRow;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
};

} // namespace engine
