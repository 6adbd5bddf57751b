#include "rules/CourtGeometry.hpp"

#include <algorithm>
#include <cmath>

#include "rules/TruncateToInt.hpp"

namespace rules {

CourtGeometry CourtGeometry::FromBall(int width, int height) {
    CourtGeometry g;
    g.ballWidth = std::max(width, 1);
    g.ballHeight = std::max(height, 1);
    g.courtLeft = 6;
    g.courtTop = g.ballHeight + 10;
    g.courtWidth = 16 * g.ballWidth + g.ballWidth / 2;
    g.courtHeight = 16 * g.ballHeight;
    return g;
}

int CourtGeometry::CornerX(int row, int column) const {
    return (column - 1) * ballWidth + courtLeft + (row % 2 != 0 ? ballWidth / 2 : 0);
}

int CourtGeometry::CornerY(int row) const { return (row - 1) * ballHeight + courtTop; }

Cell CourtGeometry::CellOfPoint(double px, double py) const {
    const int row = rules::TruncateToInt((py - courtTop) / ballHeight + 1.0);
    const double shifted = row % 2 != 0 ? px - courtLeft - ballWidth / 2 : px - courtLeft;
    return {row, rules::TruncateToInt(shifted / ballWidth + 1.0)};
}

Cell CourtGeometry::ClickCell(int x, int y) const {
    const int row = (y - courtTop) / ballHeight + 1;
    const int column = (x - courtLeft - (row % 2 != 0 ? ballWidth / 2 : 0)) / ballWidth + 1;
    return ClampCell({row, column});
}

Cell ClampCell(Cell cell) { return {std::clamp(cell.row, 1, 16), std::clamp(cell.column, 1, 16)}; }

bool IsOnCourt(const CourtGeometry& court, int x, [[maybe_unused]] int y) {
    return x < court.courtLeft + court.courtWidth + kCourtClickMargin;
}

} // namespace rules
