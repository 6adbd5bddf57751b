#include "ClipRgba.hpp"

#include <cstdlib>

#include "scene/ClipFormat.hpp"

namespace tools {

RgbaImage ClipImageToRgba(const scene::TClipImage& image) {
    RgbaImage rgba;
    rgba.width = static_cast<uint32_t>(image.width);
    rgba.height = static_cast<uint32_t>(std::abs(image.height));
    rgba.rgba.resize(size_t{rgba.width} * rgba.height * 4);
    const size_t stride = static_cast<size_t>(*scene::ImageStride(image.width));
    for (uint32_t y = 0; y < rgba.height; ++y) {
        const size_t row = image.height > 0 ? rgba.height - 1 - y : y;
        for (uint32_t x = 0; x < rgba.width; ++x) {
            const uint8_t* s = &image.pixels[row * stride + size_t{x} * 3];
            uint8_t* d = &rgba.rgba[(size_t{y} * rgba.width + x) * 4];
            const uint32_t value = uint32_t{s[0]} | (uint32_t{s[1]} << 8) | (uint32_t{s[2]} << 16);
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            // A key above 24 bits equals no pixel: nothing is keyed out.
            d[3] = value == image.colourKey ? 0 : 255;
        }
    }
    return rgba;
}

std::optional<scene::TClipImage> RgbaToClipImage(const RgbaImage& rgba, uint32_t colourKey, bool topDown) {
    scene::TClipImage image;
    image.width = static_cast<int32_t>(rgba.width);
    image.height = topDown ? -static_cast<int32_t>(rgba.height) : static_cast<int32_t>(rgba.height);
    image.colourKey = colourKey;
    const size_t stride = static_cast<size_t>(*scene::ImageStride(image.width));
    image.pixels.assign(stride * rgba.height, 0);
    for (uint32_t y = 0; y < rgba.height; ++y) {
        const size_t row = topDown ? y : rgba.height - 1 - y;
        for (uint32_t x = 0; x < rgba.width; ++x) {
            const uint8_t* s = &rgba.rgba[(size_t{y} * rgba.width + x) * 4];
            uint8_t* d = &image.pixels[row * stride + size_t{x} * 3];
            if (s[3] < 128) {
                if (!KeysOutAColour(colourKey)) return std::nullopt;
                d[0] = static_cast<uint8_t>(colourKey);
                d[1] = static_cast<uint8_t>(colourKey >> 8);
                d[2] = static_cast<uint8_t>(colourKey >> 16);
            } else {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
        }
    }
    return image;
}

} // namespace tools
