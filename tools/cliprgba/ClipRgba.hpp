#pragma once

#include <cstdint>
#include <optional>

#include "RgbaImage.hpp"
#include "scene/TClipData.hpp"

namespace tools {

// The colour key of a clip image that keys out no colour. Any key above 0xFFFFFF means the
// same: no 24-bit pixel can equal it, and the game then draws every pixel.
inline constexpr uint32_t kNoColourKey = 0xFFFFFFFF;

// Whether the key names a colour, one that pixels can have.
constexpr bool KeysOutAColour(uint32_t colourKey) {
    return colourKey <= 0xFFFFFF;
}

// The clip image's pixels as the game shows them: every pixel of the key colour transparent
// (alpha 0), every other one opaque with its colour; rows top-down whichever way the image
// stores them. An image without a key has no transparent pixel.
RgbaImage ClipImageToRgba(const scene::TClipImage& image);

// Back: pixels with alpha below 128 become the key colour, the others keep their colour and
// lose their alpha; rows are stored top-down when asked, bottom-up otherwise. nullopt when a
// transparent pixel meets a key that keys out no colour, which could not show it.
std::optional<scene::TClipImage> RgbaToClipImage(const RgbaImage& rgba, uint32_t colourKey, bool topDown);

} // namespace tools
