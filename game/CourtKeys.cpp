#include "game/CourtKeys.hpp"

#include "platform/KeyCodes.hpp"
#include "rules/BoardRules.hpp"
#include "rules/GameSettings.hpp"
#include "rules/TGame.hpp"

namespace game {

namespace {

std::optional<CursorDirection> ArrowDirection(int code) {
    switch (code) {
    case platform::Key_Left:
        return CursorDirection::Left;
    case platform::Key_Right:
        return CursorDirection::Right;
    case platform::Key_Up:
        return CursorDirection::Up;
    case platform::Key_Down:
        return CursorDirection::Down;
    default:
        return std::nullopt;
    }
}

} // namespace

bool PlayerPicks() {
    return rules::RulesOfLevel(rules::Settings().level).playerPicks;
}

CourtKeys::CourtKeys(const rules::CourtGeometry& court) : m_cursor(court) {
    // Before any ball was selected the aim waits in the middle of the court's floor.
    m_cursor.StartAiming({rules::kRows, rules::kColumns / 2});
    m_cursor.StartPicking({rules::kRows, rules::kColumns / 2});
}

void CourtKeys::Reveal(const rules::TGame& game) {
    m_visible = true;
    const rules::Cell selected = game.SelectedCell();
    m_seenSelection = selected;
    if (!selected.IsValid()) return;
    if (PlayerPicks())
        m_cursor.StartPicking(selected);
    else
        m_cursor.StartAiming(selected);
}

void CourtKeys::Step(CursorDirection direction, int repeats) {
    if (m_cursor.Stage() == CursorStage::Picking) {
        m_cursor.MoveHighlight(direction);
        return;
    }
    const int step = AimKeyStep(repeats, m_shift);
    switch (direction) {
    case CursorDirection::Left:
        m_cursor.MoveAim(-step, 0);
        break;
    case CursorDirection::Right:
        m_cursor.MoveAim(step, 0);
        break;
    case CursorDirection::Up:
        m_cursor.MoveAim(0, -step);
        break;
    case CursorDirection::Down:
        m_cursor.MoveAim(0, step);
        break;
    }
}

std::optional<CourtPoint> CourtKeys::Press(const rules::TGame& game) const {
    if (m_cursor.Stage() == CursorStage::Aiming) return m_cursor.Aim();
    // While picking only a free ball answers, as a click on it would select it.
    const rules::Cell cell = m_cursor.Highlight();
    if (!game.Grid()[cell.row][cell.column] || !rules::IsFree(game.Grid(), cell.row, cell.column))
        return std::nullopt;
    return m_cursor.HighlightCentre();
}

bool CourtKeys::GiveUp(const rules::TGame& game) {
    if (m_cursor.Stage() != CursorStage::Aiming || !PlayerPicks()) return false;
    const rules::Cell selected = game.SelectedCell();
    m_cursor.StartPicking(selected.IsValid() ? selected : m_cursor.Highlight());
    return true;
}

void CourtKeys::Nudge(int dx, int dy) {
    if (m_cursor.Stage() == CursorStage::Aiming) m_cursor.MoveAim(dx, dy);
}

CourtKeyAnswer CourtKeys::KeyDown(int code, const rules::TGame& game) {
    if (code == platform::Key_Shift) {
        m_shift = true;
        return {};
    }
    const std::optional<CursorDirection> direction = ArrowDirection(code);
    const bool press = code == platform::Key_Space || code == platform::Key_Return;
    const bool back = code == platform::Key_Escape || code == platform::Key_Backspace;
    if (!direction && !press && !back) return {};
    // A held key repeats its press; the count makes the aim mark go faster.
    m_repeats = code == m_heldKey ? m_repeats + 1 : 0;
    m_heldKey = code;
    if (!m_visible) {
        // The first key only shows where the player stands.
        if (back) return {};
        Reveal(game);
        return {true, std::nullopt};
    }
    if (direction) {
        Step(*direction, m_repeats);
        return {true, std::nullopt};
    }
    // A held Space or Enter clicks once.
    if (press) return {true, m_repeats == 0 ? Press(game) : std::nullopt};
    return {GiveUp(game), std::nullopt};
}

void CourtKeys::KeyUp(int code) {
    if (code == platform::Key_Shift) m_shift = false;
    if (code == m_heldKey) {
        m_heldKey = 0;
        m_repeats = 0;
    }
}

void CourtKeys::Clicked(const rules::TGame& game) {
    const rules::Cell selected = game.SelectedCell();
    // A pick of the ball already selected changes no selection, yet it is the pick.
    const bool picked = m_cursor.Stage() == CursorStage::Picking && selected == m_cursor.Highlight();
    if (selected.IsValid() && (picked || !(selected == m_seenSelection))) m_cursor.StartAiming(selected);
    m_seenSelection = selected;
}

bool CourtKeys::Follow(const rules::TGame& game) {
    // Balls move or wait: the turn is being played out.
    if (!game.AcceptsClicks()) {
        m_turnPlayed = true;
        return false;
    }
    const rules::Cell selected = game.SelectedCell();
    if (!m_turnPlayed && selected == m_seenSelection) return false;
    if (!selected.IsValid()) return false;
    m_turnPlayed = false;
    m_seenSelection = selected;
    // A new turn: where the player picks she picks again, from the ball the rules chose;
    // otherwise she goes on aiming from where the mark stands.
    if (PlayerPicks()) {
        m_cursor.StartPicking(selected);
    } else if (m_cursor.Stage() == CursorStage::Picking) {
        m_cursor.StartAiming(selected);
    } else {
        return false;
    }
    return m_visible;
}

bool CourtKeys::MouseMoved(int x, int y) {
    // A window appearing under a still pointer reports a move to the same place.
    const CourtPoint at{x, y};
    if (m_mouse && *m_mouse == at) return false;
    m_mouse = at;
    const bool wasVisible = m_visible;
    m_visible = false;
    return wasVisible;
}

void CourtKeys::ReleaseKeys() {
    m_shift = false;
    m_heldKey = 0;
    m_repeats = 0;
}

} // namespace game
