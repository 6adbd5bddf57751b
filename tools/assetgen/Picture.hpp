#pragma once

#include <cstdint>
#include <vector>

#include "Colour.hpp"
#include "scene/TClipData.hpp"

namespace assetgen {

// A drawn picture in cairo's ARGB32 layout: one 32-bit value a pixel, alpha in the top byte,
// then red, green, blue, premultiplied by alpha; rows top-down without padding.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;

    Picture() = default;
    Picture(int w, int h) : width(w), height(h), argb(static_cast<size_t>(w) * h, 0) {}

    uint32_t& At(int x, int y) { return argb[static_cast<size_t>(y) * width + x]; }
    uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

// Pixels at least this opaque are drawn; fainter ones become the colour key.
inline constexpr int kDrawnAlpha = 48;

// Packs a colour with coverage alpha (0..1) into a premultiplied pixel.
uint32_t PremultipliedPixel(const Rgb& colour, double alpha);

// The clip image of a picture as the game shows it on `background`: every pixel with at
// least kDrawnAlpha alpha is composited over the background, every fainter one becomes the
// colour key, and a drawn pixel that would equal the key is moved one step off it. Rows are
// stored top-down.
scene::TClipImage ToClipImage(const Picture& picture, const Rgb& background);

// The inverse view for review: key pixels transparent, all others opaque; an image without
// a key has no transparent pixel.
Picture FromClipImage(const scene::TClipImage& image);

// One frame of a clip, placed at the origin.
scene::TClipFrame Frame(int16_t image, std::vector<int32_t> commands = {});

// A clip whose frames show its images in order, one each.
scene::TClipData SequenceClip(const std::vector<Picture>& pictures, float frameRate, const Rgb& background);

} // namespace assetgen
