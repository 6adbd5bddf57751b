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

std::vector<Rect> Subtract(const Rect& piece, const Rect& existing) {
    if (!CornersOverlap(piece, existing)) return {piece};
    std::vector<Rect> out;
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
    return out;
}

void DirtyRectList::Add(const Rect& rect) {
    if (rect.IsEmpty()) return;
    if (m_rects.empty()) {
        m_rects.push_back(rect);
        return;
    }
    std::vector<Rect> pieces{rect};
    for (const Rect& existing : m_rects) {
        std::vector<Rect> next;
        for (const Rect& p : pieces) {
            auto parts = Subtract(p, existing);
            next.insert(next.end(), parts.begin(), parts.end());
        }
        pieces = std::move(next);
        if (pieces.empty()) return;
    }
    m_rects.insert(m_rects.end(), pieces.begin(), pieces.end());
}

} // namespace engine
