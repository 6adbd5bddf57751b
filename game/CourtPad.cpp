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
        if (direction) {
            m_held = direction;
            m_heldByStick = false;
            m_heldSince = now;
            m_repeats = 0;
        }
        return {true, std::nullopt};
    }
    if (direction) {
        keys.Step(*direction, 0);
        m_held = direction;
        m_heldByStick = false;
        m_heldSince = now;
        m_repeats = 0;
        return {true, std::nullopt};
    }
    if (button == PadButton::A) return {true, keys.Press(game)};
    return {keys.GiveUp(game), std::nullopt};
}

void CourtPad::ButtonUp(PadButton button) {
    if (m_held && !m_heldByStick && DpadDirection(button) == m_held) m_held.reset();
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

bool CourtPad::Repeat(CourtKeys& keys, std::optional<CursorDirection> direction, std::uint32_t now) {
    if (!direction) return false;
    const std::uint32_t held = now - m_heldSince;
    if (held < kRepeatDelay) return false;
    // Every repeat due since the last frame, so that the pace does not follow the frame rate.
    const int due = int((held - kRepeatDelay) / kRepeatPeriod) + 1;
    bool moved = false;
    while (m_repeats < due) {
        keys.Step(*direction, ++m_repeats);
        moved = true;
    }
    return moved;
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
    if (!m_held || m_heldByStick) {
        if (stick != m_held) {
            m_held = stick;
            m_heldByStick = stick.has_value();
            m_heldSince = now;
            m_repeats = 0;
            if (stick) {
                keys.Step(*stick, 0);
                return true;
            }
        }
    }
    return Repeat(keys, m_held, now) || moved;
}

void CourtPad::Release() {
    m_held.reset();
    m_heldByStick = false;
    m_repeats = 0;
    m_stickX = m_stickY = 0;
    m_carryX = m_carryY = 0;
}

} // namespace game
