#pragma once

#include <cstdint>

#include "platform/Rect.hpp"

namespace platform {

// The largest scale a window can be shown at; the program's own pixels are 1 x 1 at scale 1.
constexpr int kMaxScale = 4;

// A screen coordinate in pixels of `scale` screen pixels, rounded down, so that a point left of
// or above a window stays outside it (-1 at scale 2 is -1, not 0).
constexpr int ScaledDown(int screenPixels, int scale) {
    const int quotient = screenPixels / scale;
    return quotient * scale > screenPixels ? quotient - 1 : quotient;
}

// Copies `area` of `source` into `target` with every pixel made a `scale` x `scale` block: source
// pixel (x, y) fills target pixels x * scale to x * scale + scale - 1 of rows y * scale to
// y * scale + scale - 1. Pixels are `bytesPerPixel` bytes (1 to 4); rows of the source lie
// `sourcePitch` bytes apart (negative for a bottom-up image addressed from its top row), rows of
// the target `targetPitch`. `area` lies inside the source and its scaled rectangle inside the
// target, which gets nothing outside that rectangle.
void ScaleArea(const std::uint8_t* source, int sourcePitch, const Rect& area, int bytesPerPixel, int scale,
               std::uint8_t* target, int targetPitch);

} // namespace platform
