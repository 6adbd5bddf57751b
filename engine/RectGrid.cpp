#include "RectGrid.hpp"

#include <algorithm>

namespace engine {

namespace {

int cellOf(std::int32_t coordinate) {
    // Floor division, so negative coordinates land in cell 0 like the rest of the border.
    const int cell = coordinate >= 0 ? coordinate / RectGrid::kCellSize
                                     : -((-coordinate + RectGrid::kCellSize - 1) / RectGrid::kCellSize);
    return std::clamp(cell, 0, RectGrid::kCells - 1);
}

} // namespace

RectGrid::Span RectGrid::Cover(const scene::Rect& rect) {
    return {cellOf(rect.left), cellOf(rect.right - 1), cellOf(rect.top), cellOf(rect.bottom - 1)};
}

void RectGrid::Insert(std::uint32_t index, const scene::Rect& rect) {
    if (rect.IsEmpty()) return;
    const Span span = Cover(rect);
    for (int row = span.firstRow; row <= span.lastRow; ++row)
        for (int column = span.firstColumn; column <= span.lastColumn; ++column) {
            std::vector<std::uint32_t>& cell = m_cells[row * kCells + column];
            if (cell.empty()) m_used.push_back(row * kCells + column);
            cell.push_back(index);
        }
}

void RectGrid::Candidates(const scene::Rect& rect, std::vector<std::uint32_t>& out) const {
    out.clear();
    if (rect.IsEmpty()) return;
    const Span span = Cover(rect);
    bool single = true;
    for (int row = span.firstRow; row <= span.lastRow; ++row)
        for (int column = span.firstColumn; column <= span.lastColumn; ++column) {
            const std::vector<std::uint32_t>& cell = m_cells[row * kCells + column];
            if (cell.empty()) continue;
            if (!out.empty()) single = false;
            out.insert(out.end(), cell.begin(), cell.end());
        }
    // One cell's list is already in order; several must be merged.
    if (!single) {
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }
}

void RectGrid::Clear() {
    for (const int cell : m_used) m_cells[cell].clear();
    m_used.clear();
}

} // namespace engine
