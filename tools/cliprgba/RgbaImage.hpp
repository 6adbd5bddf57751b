#pragma once

#include <cstdint>
#include <vector>

namespace tools {

// An 8-bit RGBA picture, rows top-down, 4 bytes per pixel, not premultiplied.
struct RgbaImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;
};

} // namespace tools
