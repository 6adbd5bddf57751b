#include "game/GameRandom.hpp"

#include <cmath>

namespace game {

double GameRandom::Normal() {
    float u = 0, v = 0, s = 0;
    do {
        u = (float(Below(32768)) / 32768.0f) * 2.0f - 1.0f;
        v = (float(Below(32768)) / 32768.0f) * 2.0f - 1.0f;
        s = u * u + v * v;
    } while (!(s < 1.0f));
    if (s <= 0.0f) return 0.0;
    return u * std::sqrt(-2.0 * std::log(s) / s);
}

} // namespace game
