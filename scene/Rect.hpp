#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace scene {

// Truncates a coordinate toward zero, saturating at the int32 range so that huge or
// non-finite positions can never cause an undefined conversion. NaN becomes 0.
constexpr int32_t TruncateToInt(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// A rectangle in window client pixels; right and bottom are exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr int64_t Width() const { return int64_t{right} - left; }
    constexpr int64_t Height() const { return int64_t{bottom} - top; }

    // A rectangle is empty when it covers no pixel.
    constexpr bool IsEmpty() const { return left >= right || top >= bottom; }

    constexpr bool Contains(int32_t x, int32_t y) const {
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

} // namespace scene
