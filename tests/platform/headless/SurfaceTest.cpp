#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>
#include <vector>

#include "platform/Surface.hpp"

namespace {

using platform::ConstSurface;
using platform::Surface;

TEST(Surface, RowsAreAddressedTopDownInEitherMemoryOrder) {
    std::vector<std::uint8_t> pixels(3 * 8);
    const Surface topDown{pixels.data(), 2, 3, 8, false};
    EXPECT_EQ(topDown.row(0), pixels.data());
    EXPECT_EQ(topDown.row(2), pixels.data() + 16);
    const Surface bottomUp{pixels.data(), 2, 3, 8, true};
    EXPECT_EQ(bottomUp.row(0), pixels.data() + 16);
    EXPECT_EQ(bottomUp.row(2), pixels.data());
}

TEST(Surface, AWritableViewIsAlsoAReadOnlyOne) {
    std::vector<std::uint8_t> pixels(3 * 8);
    const Surface writable{pixels.data(), 2, 3, 8, true};
    const ConstSurface readOnly = writable;
    EXPECT_EQ(readOnly.bits, writable.bits);
    EXPECT_EQ(readOnly.width, 2);
    EXPECT_EQ(readOnly.height, 3);
    EXPECT_EQ(readOnly.stride, 8);
    EXPECT_TRUE(readOnly.bottomUp);
    EXPECT_EQ(readOnly.row(1), writable.row(1));
    static_assert(std::is_same_v<decltype(readOnly.row(0)), const std::uint8_t*>);
    static_assert(!std::is_convertible_v<ConstSurface, Surface>);
}

} // namespace
