#pragma once

#include <algorithm>
#include <cstdint>

namespace platform {

// A rectangle in pixels; right and bottom are exclusive. Widths and heights are 64-bit so
// that no pair of 32-bit edges can overflow them.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int64_t Width() const { return std::int64_t{right} - left; }
    constexpr std::int64_t Height() const { return std::int64_t{bottom} - top; }

    // A rectangle is empty when it covers no pixel.
    constexpr bool IsEmpty() const { return left >= right || top >= bottom; }

    constexpr bool Contains(std::int32_t x, std::int32_t y) const {
        return left <= x && x < right && top <= y && y < bottom;
    }

    // The common part of both rectangles; may be empty.
    constexpr Rect Intersect(const Rect& other) const {
        return Rect{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                    std::min(bottom, other.bottom)};
    }

    constexpr bool Intersects(const Rect& other) const { return !Intersect(other).IsEmpty(); }

    constexpr bool operator==(const Rect&) const = default;
};

} // namespace platform
