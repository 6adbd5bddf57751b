#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace platform {

// A 24-bit pixel buffer owned by someone else: 3 bytes a pixel, blue, green, red; rows are
// `stride` bytes apart. Callers address it in top-down client coordinates: client row y is
// memory row y, or height - 1 - y when bottom-up. `Byte` is const for a read-only view.
template <typename Byte>
struct BasicSurface {
    Byte* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool bottomUp = false;

    // The first byte of client row y.
    Byte* row(int y) const { return bits + std::ptrdiff_t(bottomUp ? height - 1 - y : y) * stride; }

    // Every view of writable pixels is also a read-only view of them.
    operator BasicSurface<const Byte>() const requires(!std::is_const_v<Byte>) {
        return {bits, width, height, stride, bottomUp};
    }
};

using Surface = BasicSurface<std::uint8_t>;
using ConstSurface = BasicSurface<const std::uint8_t>;

} // namespace platform
