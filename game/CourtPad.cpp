#include "game/CourtPad.hpp"

#include <cmath>
#include <cstdlib>

#include "rules/TGame.hpp"

namespace game {

using platform::PadAxis;
using platform::PadButton;

namespace {

std::optional<CursorDirection> DpadDirection(PadButton button) {
    switch (button) {
    case PadButton::Left:
        return CursorDirection::Left;
    case PadButton::Right:
        return CursorDirection::Right;
    case PadButton::Up:
        return CursorDirection::Up;
    case PadButton::Down:
        return CursorDirection::Down;
    default:
        return std::nullopt;
    }
}

// Whole pixels out of the carried travel; the rest stays carried.
int TakeWhole(double& carry) {
    const double whole = std::trunc(carry);
    carry -= whole;
    return int(whole);
}

} // namespace

CourtKeyAnswer CourtPad::ButtonDown(PadButton button, CourtKeys& keys, const rules::TGame& game,
                                    std::uint32_t now) {
    const std::optional<CursorDirection> direction = DpadDirection(button);
    if (!direction && button != PadButton::A && button != PadButton::B) return {};
    if (!keys.Visible()) {
        if (button == PadButton::B) return {};
        keys.Reveal(game);
        if (direction) Hold(*direction, false, now);
        return {true, std::nullopt};
    }
    if (direction) {
        keys.Step(*direction, 0);
        Hold(*direction, false, now);
        return {true, std::nullopt};
    }
    if (button == PadButton::A) return {true, keys.Press(game)};
    return {keys.GiveUp(game), std::nullopt};
}

void CourtPad::Hold(CursorDirection direction, bool byStick, std::uint32_t now) {
    m_held.Press(int(direction), now);
    m_heldByStick = byStick;
}

std::optional<CursorDirection> CourtPad::Held() const {
    if (!m_held.Held()) return std::nullopt;
    return CursorDirection(*m_held.Held());
}

void CourtPad::ButtonUp(PadButton button) {
    if (const std::optional<CursorDirection> direction = DpadDirection(button); direction && !m_heldByStick)
        m_held.Release(int(*direction));
}

void CourtPad::AxisMoved(PadAxis axis, int value) {
    if (axis == PadAxis::LeftX) m_stickX = value;
    if (axis == PadAxis::LeftY) m_stickY = value;
}

std::optional<CursorDirection> CourtPad::StickDirection() const {
    constexpr int kHalfWay = 16384;
    if (std::abs(m_stickX) < kHalfWay && std::abs(m_stickY) < kHalfWay) return std::nullopt;
    if (std::abs(m_stickX) >= std::abs(m_stickY))
        return m_stickX < 0 ? CursorDirection::Left : CursorDirection::Right;
    return m_stickY < 0 ? CursorDirection::Up : CursorDirection::Down;
}

bool CourtPad::Frame(CourtKeys& keys, const rules::TGame& game, std::uint32_t now) {
    const bool aiming = keys.Cursor().Stage() == CursorStage::Aiming;
    const bool tilted = StickSpeed(m_stickX) != 0.0 || StickSpeed(m_stickY) != 0.0;
    if (!keys.Visible()) {
        if (!tilted) return false;
        keys.Reveal(game);
        return true;
    }
    bool moved = false;
    if (aiming && tilted) {
        m_carryX += StickSpeed(m_stickX);
        m_carryY += StickSpeed(m_stickY);
        const int dx = TakeWhole(m_carryX), dy = TakeWhole(m_carryY);
        if (dx != 0 || dy != 0) {
            keys.Nudge(dx, dy);
            moved = true;
        }
    } else {
        m_carryX = m_carryY = 0;
    }
    // While picking, a tilted stick walks the highlight as a held d-pad does.
    const std::optional<CursorDirection> stick = aiming ? std::nullopt : StickDirection();
    if ((!Held() || m_heldByStick) && stick != Held()) {
        m_held.Clear();
        if (stick) {
            Hold(*stick, true, now);
            keys.Step(*stick, 0);
            return true;
        }
    }
    // Every repeat due since the last frame, so that the pace does not follow the frame rate.
    const std::optional<CursorDirection> held = Held();
    const int first = m_held.Repeats();
    const int due = m_held.Due(now);
    for (int i = 1; i <= due; ++i) keys.Step(*held, first + i);
    return moved || due > 0;
}

void CourtPad::Release() {
    m_held.Clear();
    m_heldByStick = false;
    m_stickX = m_stickY = 0;
    m_carryX = m_carryY = 0;
}

} // namespace game
