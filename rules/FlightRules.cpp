#include "rules/FlightRules.hpp"

#include <cmath>

#include "rules/TruncateToInt.hpp"

namespace rules {

namespace {

// Halves away from zero.
int roundSpeed(double v) { return v > 0 ? rules::TruncateToInt(v + 0.5) : rules::TruncateToInt(v - 0.5); }

} // namespace

std::optional<LaunchSpeed> LaunchToward(const CourtGeometry& geometry, const BallGrid& grid, Cell from, int x,
                                        int y) {
    if (!from.IsValid() || !grid[from.row][from.column]) return std::nullopt;
    const int r = from.row, c = from.column;
    const double cx = geometry.CentreX(r, c), cy = geometry.CentreY(r);
    const double dx = x - cx, dy = y - cy;
    double vx = 0, vy = 0;
    if (std::fabs(dy) < 1.0) {
        vx = dx / 10.0;
    } else if (dy < 0) {
        vy = -0.5 * kGravity - std::sqrt(-2.0 * kGravity * dy);
        vx = dx / (-vy / kGravity);
    } else if ((dx > 0 && IsEmpty(grid, r, c + 1)) || (dx < 0 && IsEmpty(grid, r, c - 1))) {
        vx = dx * std::sqrt(kGravity / (2.0 * std::fabs(dy)));
    } else {
        vx = dx / 10.0;
        vy = dy / 10.0;
    }
    LaunchSpeed speed{roundSpeed(vx), roundSpeed(vy), vy, y < cy};
    if (speed.vx == 0 && speed.vy == 0) return std::nullopt;

    // The first cell the ball enters; gravity always brings it out of its own cell, and
    // the bound only guards against a runaway loop.
    double px = cx, py = cy, v = vy;
    Cell next = from;
    for (int i = 0; i < 100000 && next == from; ++i) {
        v += kGravity;
        px += speed.vx;
        py += v;
        next = geometry.CellOfPoint(px, py);
    }
    if (!next.IsValid() || next == from || !IsEmpty(grid, next.row, next.column)) return std::nullopt;
    return speed;
}

std::optional<Cell> RestCell(const CourtGeometry& geometry, const BallGrid& grid, double cx, double cy, double nx,
                             double ny, float vy, bool thrown) {
    const double ex = nx - cx, ey = ny - cy;
    const double reach = std::fabs(ey) >= std::fabs(ex) ? std::fabs(ey) / geometry.ballHeight
                                                        : std::fabs(ex) / geometry.ballWidth;
    const int steps = rules::TruncateToInt((reach + 1.0) * 4.0);
    const bool mayStop = std::fabs(vy) <= kRestSpeed || !thrown;

    Cell candidate = ClampCell(geometry.CellOfPoint(cx, cy));
    if (!IsEmpty(grid, candidate.row, candidate.column)) return candidate;
    if (candidate.row == 16 && mayStop) return candidate;
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps;
        Cell cell = geometry.CellOfPoint(cx + t * ex, cy + t * ey);
        if (cell.row > 16 && mayStop) return candidate;
        cell = ClampCell(cell);
        if (!IsEmpty(grid, cell.row, cell.column)) return candidate;
        candidate = cell;
    }
    return std::nullopt;
}

} // namespace rules
