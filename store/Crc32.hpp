#pragma once

#include <cstddef>
#include <cstdint>

namespace store {

// CRC-32/BZIP2: polynomial 0x04C11DB7, initial value and final XOR 0xFFFFFFFF,
// no bit reflection. "123456789" gives 0xFC891918; no bytes give 0.
std::uint32_t crc32(const std::uint8_t* bytes, std::size_t length);

// The byte-at-a-time form of the same checksum; the reference for crc32.
std::uint32_t crc32Bytewise(const std::uint8_t* bytes, std::size_t length);

} // namespace store
