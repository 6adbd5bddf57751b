#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace store {

// The round keys of one 8-byte key: 16 subkeys of eight 6-bit groups each.
// `packed` holds the same groups laid out for the table-driven round function.
struct KeySchedule {
    std::array<std::array<std::uint8_t, 8>, 16> subkeys{};
    std::array<std::array<std::uint32_t, 2>, 16> packed{};
};

// Builds the schedule of a key; the low bit of every key byte is ignored.
KeySchedule makeKeySchedule(const std::uint8_t key[8]);

// Enciphers or deciphers one 8-byte block in place. Deciphering with the same
// schedule always returns the original block.
void encryptBlock(std::uint8_t block[8], const KeySchedule& schedule);
void decryptBlock(std::uint8_t block[8], const KeySchedule& schedule);

// Chained encipherment of a whole buffer with an in-band length byte in the
// last block. Returns the ciphertext length 8 * (n / 8 + 1); when `capacity`
// is smaller than that, writes nothing and only returns the length.
std::size_t encryptBuffer(const std::uint8_t* source, std::size_t n, std::uint8_t* destination,
                          std::size_t capacity, const std::uint8_t key[8]);

// Deciphers the whole 8-byte blocks of `source` (a trailing part block is
// ignored). Fewer than 8 bytes return 0. When `capacity` is below the whole
// blocks' size, writes nothing and returns that size. Otherwise writes all
// whole blocks and returns full - 8 + count byte; the length is valid only when
// the count byte lies in 0..7 (see decryptedLengthIsValid).
std::ptrdiff_t decryptBuffer(const std::uint8_t* source, std::size_t m, std::uint8_t* destination,
                             std::size_t capacity, const std::uint8_t key[8]);

// True when `length`, as returned by decryptBuffer for `m` source bytes,
// comes from a count byte in 0..7.
bool decryptedLengthIsValid(std::ptrdiff_t length, std::size_t m);

} // namespace store
