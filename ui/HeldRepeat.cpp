#include "ui/HeldRepeat.hpp"

namespace ui {

void HeldRepeat::Press(int what, std::uint32_t now) {
    m_held = what;
    m_since = now;
    m_repeats = 0;
}

void HeldRepeat::Release(int what) {
    if (m_held == what) m_held.reset();
}

int HeldRepeat::Due(std::uint32_t now) {
    if (!m_held) return 0;
    const std::uint32_t held = now - m_since;
    if (held < kDelay) return 0;
    const int due = int((held - kDelay) / kPeriod) + 1;
    const int fresh = due - m_repeats;
    m_repeats = due;
    return fresh > 0 ? fresh : 0;
}

} // namespace ui
