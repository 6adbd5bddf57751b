#pragma once

#include <vector>

#include "engine/RectGrid.hpp"
#include "scene/Rect.hpp"

namespace engine {

// The areas of a window to repaint in the next frame. Rectangles are kept
// disjoint as they are added: a new one is cut into the pieces that lie
// outside every rectangle already listed. Overlap is detected by corners, so
// two rectangles crossing like a plus sign, with no corner inside the other,
// both stay whole.
class DirtyRectList {
public:
    void Add(const scene::Rect& rect);
    void Clear() {
        m_rects.clear();
        m_grid.Clear();
    }
    bool Empty() const { return m_rects.empty(); }
    const std::vector<scene::Rect>& Rects() const { return m_rects; }

private:
    std::vector<scene::Rect> m_rects;
    // Finds the listed rectangles near a new one without walking the whole list.
    RectGrid m_grid;
    // Scratch lists for Add, kept so that adding allocates nothing once warm.
    std::vector<scene::Rect> m_pieces, m_next;
    std::vector<std::uint32_t> m_nearby;
};

// True when a corner of either rectangle lies inside the other, tested in a fixed order.
bool CornersOverlap(const scene::Rect& piece, const scene::Rect& existing);

// Appends the parts of `piece` outside `existing` to `out`: above, right,
// below, left, in that order; `piece` itself when they do not overlap.
void Subtract(const scene::Rect& piece, const scene::Rect& existing, std::vector<scene::Rect>& out);

} // namespace engine
