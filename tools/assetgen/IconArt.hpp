#pragma once

#include <cstdint>
#include <vector>

#include "Colour.hpp"
#include "scene/TClipData.hpp"

namespace assetgen {

// Desktop icon sizes, in pixels: the hicolor theme's usual fixed sizes.
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The game's icon, a basketball on a transparent ground, as an RGBA PNG file of size × size.
std::vector<uint8_t> IconPng(int size);

// The same icon as a scalable SVG document of kSvgIconSize × kSvgIconSize pixels, drawn by the
// same code as the PNG files; empty on failure.
inline constexpr int kSvgIconSize = 256;
std::vector<uint8_t> IconSvg();

// The window icon as a one-frame 48 × 48 clip, the outside in the colour key.
inline constexpr int kWindowIconSize = 48;
scene::TClipData WindowIconClip(const Rgb& background);

} // namespace assetgen
