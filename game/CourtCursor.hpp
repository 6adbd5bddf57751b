#pragma once

#include "rules/CourtGeometry.hpp"

namespace game {

// What keys and gamepads point at on the court: a highlighted cell while the player picks a
// ball, then an aim mark while she aims from it.
enum class CursorStage { Picking, Aiming };

// A window pixel on the court.
struct CourtPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CourtPoint&) const = default;
};

enum class CursorDirection { Left, Right, Up, Down };

// The pointer of key and gamepad play, as a value: the stage, the highlighted cell and the
// aim point, kept inside the court. It knows the court's geometry and nothing of the rules;
// the window turns its points into the clicks a mouse would make.
class CourtCursor {
public:
    explicit CourtCursor(const rules::CourtGeometry& court) : m_court(court) {}

    CursorStage Stage() const { return m_stage; }
    rules::Cell Highlight() const { return m_highlight; }
    CourtPoint Aim() const { return m_aim; }

    // Picks from `cell` (clamped to the court): the highlight stands there.
    void StartPicking(rules::Cell cell);
    // Aims from `cell`'s ball: the aim mark stands at its centre.
    void StartAiming(rules::Cell cell);
    // Moves the highlight to the next cell: left and right within the row, up and down to the
    // neighbouring row's cell nearest the column the player went straight up or down from, so
    // that up then down comes back. Stops at the court's edges.
    void MoveHighlight(CursorDirection direction);
    // Moves the aim mark by (dx, dy) pixels, stopping at the court's edges.
    void MoveAim(int dx, int dy);
    // The point a click selects the highlighted ball at: its centre.
    CourtPoint HighlightCentre() const;

private:
    CourtPoint Clamped(CourtPoint point) const;

    rules::CourtGeometry m_court;
    CursorStage m_stage = CursorStage::Picking;
    rules::Cell m_highlight{16, 1};
    // The x the highlight keeps to while it moves up and down; set by a move within a row.
    int m_goalX = 0;
    CourtPoint m_aim;
};

// Pixels an arrow key moves the aim mark on its `repeats`-th automatic repeat (0 for the
// press itself): 4, or 1 with Shift, growing to four times that while the key is held.
int AimKeyStep(int repeats, bool fine);

// The aim mark's speed from a stick's deflection (-32768 to 32767), in pixels a frame:
// 0 inside the dead zone, then growing with the deflection to kStickTopSpeed at full tilt.
double StickSpeed(int deflection);
inline constexpr int kStickDeadZone = 8000;
inline constexpr double kStickTopSpeed = 8.0;

} // namespace game
