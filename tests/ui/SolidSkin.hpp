#pragma once

#include <cstdint>
#include <initializer_list>

#include "scene/TClipData.hpp"

// A clip of solid frames, one per colour (0xRRGGBB), keyed on magenta, at `rate` frames a second.
inline scene::TClipData SolidSkin(int width, int height, std::initializer_list<std::uint32_t> colours,
                                  float rate = 0) {
    scene::TClipData clip;
    clip.frameRate = rate;
    const int stride = (width * 3 + 3) & ~3;
    for (const std::uint32_t rgb : colours) {
        scene::TClipImage image;
        image.width = width;
        image.height = height;
        image.colourKey = 0x00FF00FF;
        image.pixels.assign(std::size_t(stride) * height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = image.pixels.data() + std::size_t(y) * stride + std::size_t(x) * 3;
                p[0] = std::uint8_t(rgb);
                p[1] = std::uint8_t(rgb >> 8);
                p[2] = std::uint8_t(rgb >> 16);
            }
        clip.images.push_back(std::move(image));
        scene::TClipFrame frame;
        frame.image = std::int16_t(clip.images.size() - 1);
        clip.frames.push_back(frame);
    }
    return clip;
}
