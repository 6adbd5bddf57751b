#pragma once

#include <cstdint>

namespace assetgen {

// A small fixed-seed generator (xorshift32), so that every build draws the same noise on
// every machine; the standard library's distributions are not pinned down that far.
class Noise {
public:
    explicit Noise(uint32_t seed) : m_state(seed ? seed : 0x9E3779B9u) {}

    uint32_t NextBits();
    // Uniform in [-1, 1).
    double Next();

private:
    uint32_t m_state;
};

} // namespace assetgen
