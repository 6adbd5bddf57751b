#include "game/ReplaySpeed.hpp"

namespace game {

bool ReplaySpeed::Faster() {
    if (IsFastest()) return false;
    m_factor *= 2;
    return true;
}

bool ReplaySpeed::Slower() {
    if (IsSlowest()) return false;
    m_factor /= 2;
    return true;
}

std::string ReplaySpeed::Label() const {
    return "x" + std::to_string(m_factor);
}

} // namespace game
