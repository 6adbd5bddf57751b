#include "DirtyRectList.hpp"

namespace engine {

using scene::Rect;

bool CornersOverlap(const Rect& p, const Rect& e) {
    auto cornersInside = [](const Rect& a, const Rect& b) {
        return b.Contains(a.left, a.top) || b.Contains(a.right - 1, a.bottom - 1) ||
               b.Contains(a.right - 1, a.top) || b.Contains(a.left, a.bottom - 1);
    };
    return cornersInside(p, e) || cornersInside(e, p);
}

void Subtract(const Rect& piece, const Rect& existing, std::vector<Rect>& out) {
    // Disjoint boxes share no corner; most pairs end here.
    if (piece.right <= existing.left || existing.right <= piece.left || piece.bottom <= existing.top ||
        existing.bottom <= piece.top || !CornersOverlap(piece, existing)) {
        out.push_back(piece);
        return;
    }
    Rect c = piece;
    if (c.top < existing.top) {
        out.push_back({c.left, c.top, c.right, existing.top});
        c.top = existing.top;
    }
    if (existing.right < c.right) {
        out.push_back({existing.right, c.top, c.right, c.bottom});
        c.right = existing.right;
    }
    if (existing.bottom < c.bottom) {
        out.push_back({c.left, existing.bottom, c.right, c.bottom});
        c.bottom = existing.bottom;
    }
    if (c.left < existing.left) out.push_back({c.left, c.top, existing.left, c.bottom});
}

void DirtyRectList::Add(const Rect& rect) {
    if (rect.IsEmpty()) return;
    if (m_rects.empty()) {
        m_rects.push_back(rect);
        m_grid.Insert(0, rect);
        return;
    }
    // Only listed rectangles whose boxes meet `rect` can cut its pieces, which
    // all lie inside it; they are taken in list order, as the cutting order
    // decides the pieces.
    m_pieces.assign(1, rect);
    m_grid.Candidates(rect, m_nearby);
    for (const std::uint32_t index : m_nearby) {
        const Rect& existing = m_rects[index];
        if (rect.right <= existing.left || existing.right <= rect.left || rect.bottom <= existing.top ||
            existing.bottom <= rect.top)
            continue;
        m_next.clear();
        for (const Rect& p : m_pieces) Subtract(p, existing, m_next);
        m_pieces.swap(m_next);
        if (m_pieces.empty()) return;
    }
    for (const Rect& piece : m_pieces) {
        m_grid.Insert(std::uint32_t(m_rects.size()), piece);
        m_rects.push_back(piece);
    }
}

} // namespace engine
