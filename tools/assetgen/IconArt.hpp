#pragma once

#include <cstdint>
#include <vector>

#include "Colour.hpp"
#include "scene/TClipData.hpp"

namespace assetgen {

// Desktop icon sizes, in pixels.
inline constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

// The game's icon, a basketball on a transparent ground, as an RGBA PNG file of size × size.
std::vector<uint8_t> IconPng(int size);

// The window icon as a one-frame 48 × 48 clip, the outside in the colour key.
inline constexpr int kWindowIconSize = 48;
scene::TClipData WindowIconClip(const Rgb& background);

} // namespace assetgen
