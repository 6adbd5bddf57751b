#include "game/CourtCursor.hpp"

#include <algorithm>
#include <cstdlib>

namespace game {

void CourtCursor::StartPicking(rules::Cell cell) {
    m_stage = CursorStage::Picking;
    m_highlight = rules::ClampCell(cell);
    m_goalX = m_court.CentreX(m_highlight.row, m_highlight.column);
}

void CourtCursor::StartAiming(rules::Cell cell) {
    const rules::Cell ball = rules::ClampCell(cell);
    m_stage = CursorStage::Aiming;
    m_highlight = ball;
    m_aim = Clamped({m_court.CentreX(ball.row, ball.column), m_court.CentreY(ball.row)});
}

void CourtCursor::MoveHighlight(CursorDirection direction) {
    rules::Cell next = m_highlight;
    switch (direction) {
    case CursorDirection::Left:
    case CursorDirection::Right:
        next.column += direction == CursorDirection::Left ? -1 : 1;
        if (!next.IsValid()) return;
        m_highlight = next;
        m_goalX = m_court.CentreX(next.row, next.column);
        return;
    case CursorDirection::Up:
    case CursorDirection::Down: {
        next.row += direction == CursorDirection::Up ? -1 : 1;
        if (next.row < 1 || next.row > rules::kRows) return;
        // Of the two cells the row's offset puts beside the column, the one nearer the goal;
        // on a tie the left one.
        int best = 1;
        for (int column = 1; column <= rules::kColumns; ++column) {
            const int distance = std::abs(m_court.CentreX(next.row, column) - m_goalX);
            if (distance < std::abs(m_court.CentreX(next.row, best) - m_goalX)) best = column;
        }
        m_highlight = {next.row, best};
        return;
    }
    }
}

void CourtCursor::MoveAim(int dx, int dy) {
    m_aim = Clamped({m_aim.x + dx, m_aim.y + dy});
}

CourtPoint CourtCursor::HighlightCentre() const {
    return {m_court.CentreX(m_highlight.row, m_highlight.column), m_court.CentreY(m_highlight.row)};
}

CourtPoint CourtCursor::Clamped(CourtPoint point) const {
    return {std::clamp(point.x, m_court.courtLeft, m_court.courtLeft + m_court.courtWidth - 1),
            std::clamp(point.y, m_court.courtTop, m_court.courtTop + m_court.courtHeight - 1)};
}

int AimKeyStep(int repeats, bool fine) {
    const int base = fine ? 1 : 4;
    const int growth = repeats < 4 ? 1 : repeats < 10 ? 2 : repeats < 16 ? 3 : 4;
    return base * growth;
}

double StickSpeed(int deflection) {
    const int magnitude = std::min(std::abs(deflection), 32767);
    if (magnitude <= kStickDeadZone) return 0.0;
    const double tilt = double(magnitude - kStickDeadZone) / double(32767 - kStickDeadZone);
    // Squared, so that a small tilt aims finely and a full one crosses the court in a second
    // and a half.
    const double speed = kStickTopSpeed * tilt * tilt;
    return deflection < 0 ? -speed : speed;
}

} // namespace game
