#include "game/GamePause.hpp"

namespace game {

void GamePause::Stop(PauseCause cause, std::uint32_t now) {
    m_cause = cause;
    m_since = now;
}

void GamePause::Resume(std::uint32_t now) {
    if (!Paused()) return;
    m_stoppedFor += now - m_since;
    m_cause = PauseCause::None;
}

void GamePause::Toggle(std::uint32_t now) {
    if (Paused())
        Resume(now);
    else
        Stop(PauseCause::Player, now);
}

void GamePause::FocusLost(std::uint32_t now) {
    if (!Paused()) Stop(PauseCause::FocusLost, now);
}

bool GamePause::FocusGained(std::uint32_t now) {
    if (m_cause != PauseCause::FocusLost) return false;
    Resume(now);
    return true;
}

} // namespace game
