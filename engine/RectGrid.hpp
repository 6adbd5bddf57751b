#pragma once

#include <cstdint>
#include <vector>

#include "scene/Rect.hpp"

namespace engine {

// A coarse spatial index of numbered rectangles: a fixed grid of square cells,
// each listing the numbers of the rectangles that touch it. Rectangles beyond
// the grid fall into its border cells, so a query always finds every
// rectangle whose box meets the queried one (and maybe some that do not).
class RectGrid {
public:
    static constexpr int kCellSize = 64;
    static constexpr int kCells = 32;  // per side

    // Adds rectangle number `index`; numbers must be added in increasing order.
    void Insert(std::uint32_t index, const scene::Rect& rect);
    // Replaces `out` with the numbers of the rectangles that may meet `rect`,
    // in increasing order, each once.
    void Candidates(const scene::Rect& rect, std::vector<std::uint32_t>& out) const;
    void Clear();

private:
    struct Span {
        int firstColumn, lastColumn, firstRow, lastRow;
    };
    static Span Cover(const scene::Rect& rect);

    std::vector<std::uint32_t> m_cells[kCells * kCells];
    std::vector<int> m_used;  // cells holding anything, so Clear touches only those
};

} // namespace engine
