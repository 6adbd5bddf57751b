#pragma once

#include <cstdint>
#include <random>

namespace game {

// The game's one pseudo-random generator. Uniform integers are taken modulo their range.
class GameRandom {
public:
    explicit GameRandom(std::uint32_t seed = 1) : m_engine(seed) {}
    void Seed(std::uint32_t seed) { m_engine.seed(seed); }

    // A uniform 31-bit number.
    std::uint32_t Next() { return m_engine() & 0x7FFFFFFFu; }
    int Below(int range) { return range > 0 ? int(Next() % std::uint32_t(range)) : 0; }
    // A standard normal number by the polar method, from 15-bit uniform draws.
    double Normal();

private:
    std::minstd_rand m_engine;
};

} // namespace game
