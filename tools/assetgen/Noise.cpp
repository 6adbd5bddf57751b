#include "Noise.hpp"

namespace assetgen {

uint32_t Noise::NextBits() {
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return m_state;
}

double Noise::Next() {
    return (NextBits() >> 8) / double(1u << 23) - 1.0;
}

} // namespace assetgen
