#pragma once

#include <optional>

#include "rules/BoardRules.hpp"
#include "rules/CourtGeometry.hpp"

namespace rules {

constexpr double kGravity = 1.0;
constexpr double kFloorBounce = -0.5;
constexpr double kRestSpeed = 2.0;
constexpr float kFlyingDepth = -1.0f;
constexpr float kDropSpeed = 5.0f;

// A launch in whole pixels per frame, and the unrounded vertical speed it came from.
struct LaunchSpeed {
    int vx = 0;
    int vy = 0;
    double rawVy = 0;
    bool upward = false;  // the aim lies above the ball's centre
};

// The speed that sends the ball in `from` toward the aim point (x, y): an aim above the
// ball becomes the apex of the flight. Nullopt when the throw is refused: no ball in a
// valid cell, both rounded speeds 0, or the first cell it would enter is occupied or
// outside the court.
std::optional<LaunchSpeed> LaunchToward(const CourtGeometry& geometry, const BallGrid& grid, Cell from, int x,
                                        int y);

// Where a flying ball comes to rest this frame, or nullopt when it may fly on. The centre
// is (cx, cy), the point it will reach in two frames (nx, ny); `vy` its vertical speed and
// `thrown` whether it is the player's ball, which bounces on the floor row until slow.
std::optional<Cell> RestCell(const CourtGeometry& geometry, const BallGrid& grid, double cx, double cy, double nx,
                             double ny, float vy, bool thrown);

} // namespace rules
