#pragma once

#include <cstdint>

namespace rules {

// The game's one pseudo-random generator: the minimal-standard linear congruential
// generator (x := 48271 x mod 2^31 - 1), whose state is one number, so a game's start can be
// recorded and replayed. Uniform integers are taken modulo their range.
class GameRandom {
public:
    static constexpr std::uint32_t kModulus = 2147483647u;

    explicit GameRandom(std::uint32_t seed = 1) { Seed(seed); }
    // Any seed is accepted; one that is a multiple of the modulus acts as 1.
    void Seed(std::uint32_t seed) {
        m_state = seed % kModulus;
        if (m_state == 0) m_state = 1;
    }

    // The whole state, from 1 to 2^31 - 2; Restore(State()) continues the same sequence.
    std::uint32_t State() const { return m_state; }
    // False, changing nothing, for a value that is no state of the generator.
    bool Restore(std::uint32_t state) {
        if (state == 0 || state >= kModulus) return false;
        m_state = state;
        return true;
    }

    // A uniform 31-bit number.
    std::uint32_t Next() {
        m_state = std::uint32_t(std::uint64_t(m_state) * 48271u % kModulus);
        return m_state;
    }
    int Below(int range) { return range > 0 ? int(Next() % std::uint32_t(range)) : 0; }
    // A standard normal number by the polar method, from 15-bit uniform draws.
    double Normal();

private:
    std::uint32_t m_state = 1;
};

// A seed that differs on every call and every run: the clock's nanoseconds mixed with the
// system's entropy source (the clock alone when that source fails).
std::uint32_t FreshSeed();

} // namespace rules
