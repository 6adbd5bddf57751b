#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "store/Crc32.hpp"

namespace {

std::uint32_t crcOf(const std::string& s) {
    return store::crc32(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

TEST(Crc32, CheckValues) {
    EXPECT_EQ(crcOf("123456789"), 0xFC891918u);
    EXPECT_EQ(crcOf(""), 0u);
    EXPECT_EQ(store::crc32Bytewise(reinterpret_cast<const std::uint8_t*>("123456789"), 9),
              0xFC891918u);
    // Not the reflected variant, whose check value this would be.
    EXPECT_NE(crcOf("123456789"), 0xCBF43926u);
}

TEST(Crc32, SixteenByteFoldingMatchesTheBytewiseForm) {
    std::mt19937 rng(7);
    std::vector<std::uint8_t> data(70000);
    for (auto& b : data) b = static_cast<std::uint8_t>(rng());
    for (std::size_t offset = 0; offset < 16; ++offset)
        for (std::size_t length = 0; length <= 70; ++length)
            ASSERT_EQ(store::crc32(data.data() + offset, length),
                      store::crc32Bytewise(data.data() + offset, length))
                << "offset " << offset << " length " << length;
    EXPECT_EQ(store::crc32(data.data(), data.size()),
              store::crc32Bytewise(data.data(), data.size()));
}

} // namespace
