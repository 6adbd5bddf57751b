#include "Compositor.hpp"

#include <algorithm>

namespace engine {

using scene::OGraph;
using scene::Rect;
using scene::Visibility;

void Compositor::Allocate(int width, int height, std::uint32_t background) {
    m_backBuffer.Allocate(width, height, background);
}

void Compositor::Notify(const OGraphNotify& notify) {
    if (!notify.rect.IsEmpty() && OGraph::IsLive(notify.origin)) m_pending.push_back(notify);
}

void Compositor::Forget(const OGraph* object) {
    auto pending = std::find_if(m_pending.begin(), m_pending.end(),
                                [&](const OGraphNotify& n) { return n.origin == object; });
    OGraphNotify key;
    key.origin = const_cast<OGraph*>(object);
    if (pending != m_pending.end()) {
        m_dirty.Add(pending->rect);
        m_shown.erase(key);
        m_pending.erase(pending);
    } else if (auto shown = m_shown.find(key); shown != m_shown.end()) {
        // Never leave a departing object shown, or Compose would draw it after it is gone;
        // repaint where it stood instead.
        m_dirty.Add(shown->rect);
        m_shown.erase(shown);
    }
}

std::vector<Rect> Compositor::Compose() {
    SettlePending();
    if (m_dirty.Empty()) return {};
    Repaint();
    std::vector<Rect> painted = m_dirty.Rects();
    m_dirty.Clear();
    return painted;
}

void Compositor::SettlePending() {
    std::vector<bool> consumed(m_pending.size(), false);
    for (std::size_t i = 0; i < m_pending.size(); ++i) {
        if (consumed[i]) continue;
        const OGraphNotify first = m_pending[i];
        OGraphNotify last = first;
        for (std::size_t j = i; j < m_pending.size(); ++j)
            if (m_pending[j].origin == first.origin) {
                last = m_pending[j];
                consumed[j] = true;
            }
        // An object on the screen is judged by where it is shown: one repainted in place
        // (a new blend level) and then moved or hidden in the same frame leaves its old place.
        if (const auto shown = m_shown.find(first); shown != m_shown.end()) {
            m_dirty.Add(shown->rect);
            m_shown.erase(shown);
            if (last.visibility == Visibility::Shown) m_shown.insert(last);
            m_dirty.Add(last.rect);
            continue;
        }
        if (first.visibility == Visibility::Hidden) m_dirty.Add(first.rect);
        if (last.visibility == Visibility::Shown) {
            m_shown.insert(last);
            m_dirty.Add(last.rect);
        }
    }
    m_pending.clear();
}

void Compositor::Repaint() {
    std::vector<OGraphNotify> paintOrder(m_shown.begin(), m_shown.end());
    std::stable_sort(paintOrder.begin(), paintOrder.end(), [](const OGraphNotify& a, const OGraphNotify& b) {
        if (a.depth != b.depth) return a.depth > b.depth;
        return a.order < b.order;
    });

    // Drawing frees nothing, so liveness is settled once per frame; the grid
    // finds the entries near each dirty rectangle, in paint order.
    m_paintGrid.Clear();
    for (std::size_t i = 0; i < paintOrder.size(); ++i)
        if (OGraph::IsLive(paintOrder[i].origin)) m_paintGrid.Insert(std::uint32_t(i), paintOrder[i].rect);
    for (const Rect& dirty : m_dirty.Rects()) {
        Rect cleared = dirty;
        m_backBuffer.ClearRect(&cleared);
        m_paintGrid.Candidates(dirty, m_nearby);
        for (const std::uint32_t i : m_nearby) {
            Rect part = dirty.Intersect(paintOrder[i].rect);
            if (!part.IsEmpty()) paintOrder[i].origin->Draw(&part);
        }
    }
}

} // namespace engine
