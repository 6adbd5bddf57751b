#pragma once

#include "platform/Platform.hpp"
#include "platform/Surface.hpp"
#include "platform/Rect.hpp"

#include <cstdint>
#include <vector>

struct SDL_Surface;
struct SDL_Window;

// Drawing into an SDL window's surface: the backend's frame, the program's pixels, the icon.
namespace platform {

// Draws a frame `frame` program pixels wide around the window's surface at `scale` and shows
// it; a window without a frame is left alone.
void DrawFrame(SDL_Window* window, int frame, int scale);

// Copies `area` (already clipped to all three) of the 24-bit `pixels` into the locked
// `surface`, whose client pixel (0, 0) lies `clientOffset` screen pixels right of and below its
// corner, each pixel as a `scale` x `scale` block; `unscaled` keeps the converted pixels of the
// `client`-sized client area in between.
void CopyToSurface(SDL_Surface* surface, Point clientOffset, Size client, const Surface& pixels,
                   const Rect& area, int scale, std::vector<std::uint8_t>& unscaled);

// A 32-bit icon of the 24-bit `image`, pixels of value `colourKey` transparent; null for an
// empty image. The caller frees it.
SDL_Surface* IconSurface(const Surface& image, std::uint32_t colourKey);

} // namespace platform
