#include "Cipher.hpp"

#include <bit>
#include <cstring>
#include <random>

namespace store {
namespace {

// The published DES tables. Bit 1 is the most significant bit of byte 0.
constexpr std::uint8_t kPC1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
    35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
    46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr std::uint8_t kPC2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
    26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
    51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr std::uint8_t kRotations[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

constexpr std::uint8_t kIP[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4, 62, 54, 46, 38, 30, 22,
    14, 6,  64, 56, 48, 40, 32, 24, 16, 8, 57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
    27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

constexpr std::uint8_t kFP[64] = {
    40, 8,  48, 16, 56, 24, 64, 32, 39, 7,  47, 15, 55, 23, 63, 31, 38, 6,  46, 14, 54, 22,
    62, 30, 37, 5,  45, 13, 53, 21, 61, 29, 36, 4,  44, 12, 52, 20, 60, 28, 35, 3,  43, 11,
    51, 19, 59, 27, 34, 2,  42, 10, 50, 18, 58, 26, 33, 1,  41, 9,  49, 17, 57, 25};

constexpr std::uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                 2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr std::uint8_t kS[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5,  3,  8,  4,  1,  14, 8,  13, 6, 2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0, 6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0,  5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9,  11, 5, 0,  14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1,  3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,  13, 7,  0, 9,  3, 4,
     6,  10, 2,  8,  5,  14, 12, 11, 15, 1,  13, 6,  4,  9,  8,  15, 3,  0,  11, 1, 2, 12,
     5,  10, 14, 7,  1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3, 0,  6,  9,  10, 1,  2, 8,  5,  11, 12, 4,  15, 13, 8, 11, 5,  6, 15,
     0,  3,  4,  7, 2,  12, 1,  10, 14, 9, 10, 6,  9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5,  2,  8,  4, 3,  15, 0,  6,  10, 1, 13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6, 8,  5,  3,  15, 13, 0, 14, 9,  14, 11, 2,  12, 4, 7,
     13, 1,  5,  0,  15, 10, 3,  9, 8,  6,  4,  2,  1,  11, 10, 13, 7, 8,  15, 9,  12, 5,
     6,  3,  0,  14, 11, 8,  12, 7, 1,  14, 2,  13, 6,  15, 0,  9,  10, 4, 5,  3},
    {12, 1,  10, 15, 9, 2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11, 10, 15, 4,  2,  7, 12,
     9,  5,  6,  1,  13, 14, 0,  11, 3,  8,  9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4, 10,
     1,  13, 11, 6,  4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8, 13, 3,  12, 9, 7,  5,  10, 6,  1,  13, 0, 11, 7,  4,  9,
     1,  10, 14, 3,  5,  12, 2, 15, 8,  6,  1, 4,  11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0,  5,  9,  2,  6,  11, 13, 8, 1,  4,  10, 7, 9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3, 14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4,  12, 5,  6,  11, 0,  14, 9,  2,  7, 11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3,  5,  8,  2,  1,  14, 7,  4,  10, 8, 13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Picks `outBits` bits out of the `inBits`-bit value `in`; table entries are
// 1-based source positions counted from the most significant bit.
constexpr std::uint64_t permute(std::uint64_t in, int inBits, const std::uint8_t* table,
                                int outBits) {
    std::uint64_t out = 0;
    for (int i = 0; i < outBits; ++i)
        out = (out << 1) | ((in >> (inBits - table[i])) & 1);
    return out;
}

constexpr std::uint64_t bytesToBits(const std::uint8_t (&bytes)[8]) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | bytes[i];
    return v;
}

struct DesTables {
    // S-box j followed by P, indexed by the 6-bit group (first bit most significant).
    std::uint32_t sp[8][64]{};
    // IP of one input nibble: low word = left half, high word = right half,
    // each read little-endian from bytes 0..3 and 4..7 of the permuted block.
    std::uint64_t ip[16][16]{};
    // FP of one nibble of (first half | second half << 32); result bytes are
    // little-endian in the word, byte 0 lowest.
    std::uint64_t fp[16][16]{};
};

constexpr DesTables buildDesTables() {
    DesTables t;
    for (int j = 0; j < 8; ++j) {
        for (int v = 0; v < 64; ++v) {
            const int row = ((v >> 4) & 2) | (v & 1);
            const int col = (v >> 1) & 15;
            const std::uint64_t s = std::uint64_t(kS[j][row * 16 + col]) << (28 - 4 * j);
            t.sp[j][v] = static_cast<std::uint32_t>(permute(s, 32, kP, 32));
        }
    }
    for (int p = 0; p < 16; ++p) {
        for (int v = 0; v < 16; ++v) {
            const std::uint64_t out = permute(std::uint64_t(v) << (60 - 4 * p), 64, kIP, 64);
            std::uint64_t left = 0, right = 0;
            for (int i = 0; i < 4; ++i) {
                left |= ((out >> (56 - 8 * i)) & 0xFF) << (8 * i);
                right |= ((out >> (24 - 8 * i)) & 0xFF) << (8 * i);
            }
            t.ip[p][v] = left | (right << 32);

            const std::uint64_t halves = std::uint64_t(v) << (4 * p);
            std::uint8_t pre[8]{};
            for (int i = 0; i < 8; ++i) pre[i] = static_cast<std::uint8_t>(halves >> (8 * i));
            const std::uint64_t fin = permute(bytesToBits(pre), 64, kFP, 64);
            std::uint64_t bytes = 0;
            for (int i = 0; i < 8; ++i) bytes |= ((fin >> (56 - 8 * i)) & 0xFF) << (8 * i);
            t.fp[p][v] = bytes;
        }
    }
    return t;
}

constexpr DesTables kDesTables = buildDesTables();

inline std::uint32_t roundFunction(std::uint32_t half, const std::array<std::uint32_t, 2>& k) {
    const std::uint32_t x = std::rotl(half, 1);
    const std::uint32_t odd = x ^ k[0];
    const std::uint32_t even = std::rotr(x, 4) ^ k[1];
    const auto& sp = kDesTables.sp;
    return sp[0][(even >> 24) & 63] ^ sp[2][(even >> 16) & 63] ^ sp[4][(even >> 8) & 63] ^
           sp[6][even & 63] ^ sp[1][(odd >> 24) & 63] ^ sp[3][(odd >> 16) & 63] ^
           sp[5][(odd >> 8) & 63] ^ sp[7][odd & 63];
}

template <bool Decrypt>
inline void cryptBlock(std::uint8_t block[8], const KeySchedule& schedule) {
    std::uint64_t halves = 0;
    for (int i = 0; i < 8; ++i)
        halves |= kDesTables.ip[2 * i][block[i] >> 4] | kDesTables.ip[2 * i + 1][block[i] & 15];
    auto left = static_cast<std::uint32_t>(halves);
    auto right = static_cast<std::uint32_t>(halves >> 32);

    for (int i = 0; i < 16; i += 2) {
        const int a = Decrypt ? 15 - i : i;
        const int b = Decrypt ? 14 - i : i + 1;
        left ^= roundFunction(right, schedule.packed[a]);
        right ^= roundFunction(left, schedule.packed[b]);
    }

    // The halves swap on the way out: the right half comes first.
    const std::uint64_t preoutput = right | (std::uint64_t(left) << 32);
    std::uint64_t out = 0;
    for (int q = 0; q < 16; ++q) out |= kDesTables.fp[q][(preoutput >> (4 * q)) & 15];
    for (int i = 0; i < 8; ++i) block[i] = static_cast<std::uint8_t>(out >> (8 * i));
}

std::uint8_t fillerByte() {
    thread_local std::minstd_rand generator{std::random_device{}()};
    return static_cast<std::uint8_t>(generator());
}

} // namespace

KeySchedule makeKeySchedule(const std::uint8_t key[8]) {
    std::uint8_t bytes[8];
    std::memcpy(bytes, key, 8);
    const std::uint64_t selected = permute(bytesToBits(bytes), 64, kPC1, 56);
    std::uint32_t c = static_cast<std::uint32_t>(selected >> 28) & 0xFFFFFFF;
    std::uint32_t d = static_cast<std::uint32_t>(selected) & 0xFFFFFFF;

    KeySchedule schedule;
    for (int round = 0; round < 16; ++round) {
        for (int s = 0; s < kRotations[round]; ++s) {
            c = ((c << 1) | (c >> 27)) & 0xFFFFFFF;
            d = ((d << 1) | (d >> 27)) & 0xFFFFFFF;
        }
        const std::uint64_t k = permute((std::uint64_t(c) << 28) | d, 56, kPC2, 48);
        auto& groups = schedule.subkeys[round];
        for (int j = 0; j < 8; ++j) groups[j] = static_cast<std::uint8_t>((k >> (42 - 6 * j)) & 63);
        schedule.packed[round][0] = (std::uint32_t(groups[1]) << 24) | (groups[3] << 16) |
                                    (groups[5] << 8) | groups[7];
        schedule.packed[round][1] = (std::uint32_t(groups[0]) << 24) | (groups[2] << 16) |
                                    (groups[4] << 8) | groups[6];
    }
    return schedule;
}

void encryptBlock(std::uint8_t block[8], const KeySchedule& schedule) {
    cryptBlock<false>(block, schedule);
}

void decryptBlock(std::uint8_t block[8], const KeySchedule& schedule) {
    cryptBlock<true>(block, schedule);
}

std::size_t encryptBuffer(const std::uint8_t* source, std::size_t n, std::uint8_t* destination,
                          std::size_t capacity, const std::uint8_t key[8]) {
    const std::size_t out = n - n % 8 + 8;
    if (capacity < out) return out;

    const KeySchedule schedule = makeKeySchedule(key);
    // The working block is also the chaining value: after each block it holds
    // the ciphertext just written. Unused bytes of a short block keep what it
    // held, which is filler with no meaning.
    std::uint8_t work[8] = {};
    std::uint8_t chain[8] = {};
    for (std::size_t k = 0; k < n; k += 8) {
        const std::size_t c = n - k < 8 ? n - k : 8;
        std::memcpy(work, source + k, c);
        if (c < 8) work[7] = static_cast<std::uint8_t>(c);
        for (int i = 0; i < 8; ++i) work[i] ^= chain[i];
        encryptBlock(work, schedule);
        std::memcpy(chain, work, 8);
        std::memcpy(destination + k, work, 8);
    }
    if (n % 8 == 0) {
        for (int i = 0; i < 7; ++i) work[i] = fillerByte();
        work[7] = 0;
        for (int i = 0; i < 8; ++i) work[i] ^= chain[i];
        encryptBlock(work, schedule);
        std::memcpy(destination + out - 8, work, 8);
    }
    return out;
}

std::ptrdiff_t decryptBuffer(const std::uint8_t* source, std::size_t m, std::uint8_t* destination,
                             std::size_t capacity, const std::uint8_t key[8]) {
    const std::size_t full = m - m % 8;
    if (full < 8) return 0;
    if (capacity < full) return static_cast<std::ptrdiff_t>(full);

    const KeySchedule schedule = makeKeySchedule(key);
    std::uint8_t chain[8] = {};
    std::uint8_t kept[8];
    std::uint8_t work[8];
    for (std::size_t k = 0; k < full; k += 8) {
        std::memcpy(kept, source + k, 8);
        std::memcpy(work, kept, 8);
        decryptBlock(work, schedule);
        for (int i = 0; i < 8; ++i) destination[k + i] = work[i] ^ chain[i];
        std::memcpy(chain, kept, 8);
    }
    const auto count = static_cast<std::int8_t>(destination[full - 1]);
    return static_cast<std::ptrdiff_t>(full) - 8 + count;
}

bool decryptedLengthIsValid(std::ptrdiff_t length, std::size_t m) {
    const auto full = static_cast<std::ptrdiff_t>(m - m % 8);
    if (full < 8) return length == 0;
    return length >= full - 8 && length <= full - 1;
}

} // namespace store
