#pragma once

namespace rules {

// A cell of the court: rows 1 (top) to 16 (floor), columns 1 to 16; rows 0 and 17 and
// columns 0 and 17 are the empty border.
struct Cell {
    int row = -1;
    int column = -1;
    bool operator==(const Cell&) const = default;
    bool IsValid() const { return row >= 1 && row <= 16 && column >= 1 && column <= 16; }
};

constexpr int kRows = 16;
constexpr int kColumns = 16;
constexpr int kColours = 7;

// +1 for odd rows, which are shifted right by half a ball, and -1 for even rows.
constexpr int RowOffset(int row) { return row % 2 != 0 ? 1 : -1; }

// The six honeycomb neighbours of a cell, in the order every board search visits them.
struct Neighbours {
    Cell cells[6];
};
constexpr Neighbours NeighboursOf(int row, int column) {
    const int o = RowOffset(row);
    return {{{row + 1, column}, {row + 1, column + o}, {row, column - 1}, {row, column + 1},
             {row - 1, column}, {row - 1, column + o}}};
}

struct PointF {
    double x = 0;
    double y = 0;
};

// The court's pixel geometry, derived from the size of a ball picture.
struct CourtGeometry {
    int ballWidth = 34;
    int ballHeight = 33;
    int courtLeft = 6;
    int courtTop = 43;
    int courtWidth = 561;
    int courtHeight = 528;

    static CourtGeometry FromBall(int width, int height);

    // Top-left corner and centre of a cell, in window pixels.
    int CornerX(int row, int column) const;
    int CornerY(int row) const;
    int CentreX(int row, int column) const { return CornerX(row, column) + ballWidth / 2; }
    int CentreY(int row) const { return CornerY(row) + ballHeight / 2; }

    // The cell a point lies in, unclamped; the row's parity is taken before any clamping.
    Cell CellOfPoint(double px, double py) const;
    // The cell a click selects: integer division, both coordinates clamped to 1-16.
    Cell ClickCell(int x, int y) const;
    // Where a waiting ball of the ceiling row's slot (1-16) is shown.
    int CeilingSlotX(int column) const { return (column - 1) * ballWidth + courtLeft + ballWidth / 4; }
    int CeilingSlotY() const { return courtTop - ballHeight - 5; }
};

// Clamps both coordinates to 1-16.
Cell ClampCell(Cell cell);

// How far right of the court's right edge a click still counts as one on the court, in pixels.
constexpr int kCourtClickMargin = 10;

// Whether a click at window pixel (x, y) is one on the court, which the rules take: anywhere
// left of the court's right edge plus the margin, at any height (a click above the court aims
// at its top row). Right of that lies the panel, whose clicks go to its buttons alone.
bool IsOnCourt(const CourtGeometry& court, int x, int y);

} // namespace rules
