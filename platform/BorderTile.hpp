#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Rect.hpp"
#include "platform/Surface.hpp"

namespace platform {

// The picture repeated around a full-screen window's client, from the window's corner, each
// of its pixels a scale x scale block; a plain dark colour until a picture is given.
class BorderTile {
public:
    // The colour (0x00RRGGBB) shown without a picture.
    static constexpr std::uint32_t kPlainColour = 0x181820;

    // Keeps a copy of `tile`; an empty one brings the plain colour back.
    void Set(const ConstSurface& tile);
    // The colour (0x00RRGGBB) of window pixel (x, y), x and y not negative, at `scale`.
    std::uint32_t PixelAt(int x, int y, int scale) const;
    // Fills `target`, which holds the window pixels of `part` (its pixel (0, 0) is part's
    // top-left corner), with the border at `scale`.
    void Draw(const Surface& target, const Rect& part, int scale) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_pixels; // top-down BGR, m_width x m_height
};

// The parts of `window` that lie outside `client` (both in the same pixels):
// the bands above and below it at full width, and left and right of it between them. Empty
// parts are left out.
std::vector<Rect> BandsAround(Rect window, Rect client);

} // namespace platform
