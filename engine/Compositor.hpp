#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "engine/BackBuffer.hpp"
#include "engine/DirtyRectList.hpp"
#include "engine/RectGrid.hpp"
#include "scene/OGraph.hpp"

namespace engine {

// One redraw notification: `origin` is shown or no longer shown in `rect`; `top` is its
// top-level ancestor, `order` that one's position in the window's lists.
struct OGraphNotify {
    scene::OGraph* top = nullptr;
    int order = 0;
    scene::OGraph* origin = nullptr;
    scene::Rect rect;
    float depth = 0;
    scene::Visibility visibility = scene::Visibility::Shown;
};

// A window's frame composition: the back buffer, the objects notified since the last frame
// (pending), the objects on the screen (shown) and the areas to repaint (dirty). Compose
// turns the notifications into dirty areas, repaints them from the shown objects, far ones
// first, and hands back the areas for the screen. It knows the scene objects and the back
// buffer only; the window's lock guards every call.
class Compositor {
public:
    // Makes the back buffer, every pixel the background colour (0x00BBGGRR).
    void Allocate(int width, int height, std::uint32_t background);
    scene::BackBufferView View() { return m_backBuffer.View(); }

    // Records a notification; one of an empty area or a dead object is dropped.
    void Notify(const OGraphNotify& notify);
    // Forgets a departing object: its pending notification, or where it is shown, becomes dirty.
    void Forget(const scene::OGraph* object);
    // Drops every pending notification (the window is stopping).
    void DropPending() { m_pending.clear(); }
    void AddDirty(const scene::Rect& rect) { m_dirty.Add(rect); }
    // Paints the rectangle with the background colour; clamps it to the back buffer in place.
    void ClearRect(scene::Rect* rect) { m_backBuffer.ClearRect(rect); }

    // Settles the pending notifications and repaints every dirty area; returns the areas
    // painted, for the screen, and starts the next frame's dirty list empty.
    std::vector<scene::Rect> Compose();

    const std::vector<OGraphNotify>& Pending() const { return m_pending; }
    const DirtyRectList& Dirty() const { return m_dirty; }
    std::size_t ShownCount() const { return m_shown.size(); }

private:
    struct ByOrigin {
        bool operator()(const OGraphNotify& a, const OGraphNotify& b) const { return a.origin < b.origin; }
    };

    void SettlePending();
    void Repaint();

    engine::BackBuffer m_backBuffer;
    DirtyRectList m_dirty;
    std::vector<OGraphNotify> m_pending;
    std::set<OGraphNotify, ByOrigin> m_shown;
    // Scratch for Repaint, kept so that a frame allocates nothing once warm.
    RectGrid m_paintGrid;
    std::vector<std::uint32_t> m_nearby;
};

} // namespace engine
