#pragma once

#include <cstdint>

#include "platform/Surface.hpp"
#include "scene/Rect.hpp"
#include "scene/SceneHost.hpp"

namespace scene {

class OBitmap;
struct TOpaqueRuns;

// A read-only view of a 24-bit image, the compositor's source.
using ImageView = platform::ConstSurface;

// Composites the width x height block of `image` at (sourceLeft, sourceTop) onto `target`
// at (left, top), both in top-down coordinates, after clipping to both surfaces. Pixels equal
// to `colourKey` are skipped; a blend level L in 1..255 mixes each channel as
// s + ((L * (d - s)) >> 8). Levels outside 0..255 are clamped. Allocates nothing.
// `runs`, when given and found in this image for this key, lets whole opaque stretches be
// copied at once; the pixels written are the same either way.
// Returns true when at least one pixel position was visited.
bool BlitPixels(const BackBufferView& target, const ImageView& image, int64_t left, int64_t top,
                int64_t width, int64_t height, int64_t sourceLeft, int64_t sourceTop, uint32_t colourKey,
                int blendLevel, const TOpaqueRuns* runs = nullptr);

// Draws the `source` part of the bitmap into `destination` of the window's back buffer,
// holding the window lock. Only the common size of the two rectangles is drawn.
bool Blit(SceneHost& window, const OBitmap& bitmap, const Rect& destination, const Rect& source);

} // namespace scene
