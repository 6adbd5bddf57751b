#pragma once

#include <cstdint>
#include <limits>

namespace rules {

// Truncates a coordinate toward zero, saturating at the int32 range so that huge or
// non-finite positions can never cause an undefined conversion. NaN becomes 0.
constexpr int32_t TruncateToInt(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

} // namespace rules
