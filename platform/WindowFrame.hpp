#pragma once

#include <cstdint>
#include <optional>

#include "platform/Rect.hpp"
#include "platform/Surface.hpp"

namespace platform {

// The bits of a window's style kind (WindowSpec::styleKind), which combine.
enum StyleKindBit : int {
    kPopupStyleBit = 1,     // a popup without caption or system menu
    kFixedSizeStyleBit = 2, // not resizable
    kFramedStyleBit = 4,    // a frame around the client area
};
// The intro's borderless popup.
constexpr int kBorderlessPopupStyle = kPopupStyleBit | kFixedSizeStyleBit;
// The game window's and every dialog's popup with a frame and no caption bar.
constexpr int kFramedPopupStyle = kPopupStyleBit | kFixedSizeStyleBit | kFramedStyleBit;

// The frame's width in the program's pixels on every side of a framed window: a dark outline,
// a lit and a shaded bevel, and a dark line against the client area.
constexpr int kFrameWidth = 4;

// How far the client area lies inside the outer window on every side, in the program's pixels.
constexpr int FrameWidth(int styleKind) {
    return (styleKind & kFramedStyleBit) != 0 ? kFrameWidth : 0;
}

// The outer size of a window of the style kind whose client area is `width` x `height`.
constexpr int OuterSide(int clientSide, int styleKind) {
    return clientSide + 2 * FrameWidth(styleKind);
}

// The frame's colour (0x00RRGGBB) at pixel (x, y) of a window whose outer size is `width` x
// `height`, all in the program's pixels, with a frame `frameWidth` wide; nothing inside the
// client area and outside the window. Rings count from the outer edge: each ring is lit on its
// top and left side and shaded on its bottom and right side, the shade taking the two corners
// where the sides meet, so the frame stands out of the screen.
std::optional<std::uint32_t> FramePixel(int x, int y, int width, int height, int frameWidth);

// Draws the frame of a window of outer size `width` x `height` (the program's pixels) shown at
// `scale` into `target`, which holds the screen pixels of `part` of the window (screen pixels
// from its outer corner; part's top-left is the target's pixel (0, 0)). Each of the program's
// pixels is a `scale` x `scale` block; client pixels and pixels outside `part` stay untouched.
void DrawWindowFrame(const Surface& target, const Rect& part, int width, int height, int frameWidth, int scale);

} // namespace platform
