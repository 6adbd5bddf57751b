#include "Crc32.hpp"

#include <array>

namespace store {
namespace {

constexpr std::uint32_t kPolynomial = 0x04C11DB7;

constexpr int kSlices = 16;

// tables[0] is the classic byte table; tables[k] advances a byte through k
// more zero bytes, which lets the main loop fold sixteen bytes at a time.
constexpr std::array<std::array<std::uint32_t, 256>, kSlices> buildCrcTables() {
    std::array<std::array<std::uint32_t, 256>, kSlices> tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ kPolynomial : crc << 1;
        tables[0][i] = crc;
    }
    for (int k = 1; k < kSlices; ++k)
        for (int i = 0; i < 256; ++i)
            tables[k][i] = (tables[k - 1][i] << 8) ^ tables[0][tables[k - 1][i] >> 24];
    return tables;
}

constexpr auto kCrcTables = buildCrcTables();

inline std::uint32_t stepByte(std::uint32_t crc, std::uint8_t byte) {
    return (crc << 8) ^ kCrcTables[0][(crc >> 24) ^ byte];
}

} // namespace

std::uint32_t crc32Bytewise(const std::uint8_t* bytes, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) crc = stepByte(crc, bytes[i]);
    return ~crc;
}

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t length) {
    const auto& t = kCrcTables;
    std::uint32_t crc = 0xFFFFFFFFu;
    while (length >= 16) {
        crc ^= (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
               (std::uint32_t(bytes[2]) << 8) | bytes[3];
        crc = t[15][crc >> 24] ^ t[14][(crc >> 16) & 0xFF] ^ t[13][(crc >> 8) & 0xFF] ^
              t[12][crc & 0xFF] ^ t[11][bytes[4]] ^ t[10][bytes[5]] ^ t[9][bytes[6]] ^
              t[8][bytes[7]] ^ t[7][bytes[8]] ^ t[6][bytes[9]] ^ t[5][bytes[10]] ^
              t[4][bytes[11]] ^ t[3][bytes[12]] ^ t[2][bytes[13]] ^ t[1][bytes[14]] ^
              t[0][bytes[15]];
        bytes += 16;
        length -= 16;
    }
    while (length-- > 0) crc = stepByte(crc, *bytes++);
    return ~crc;
}

} // namespace store
