#pragma once

#include <cstdint>

#include "scene/OClip.hpp"

namespace ui {

// A container that shows all of its children at once and moves, ticks, draws and attaches
// them together. Its size grows to cover every child added, and its tick rate is the
// highest frame rate among the children that are clips.
class OGroup : public scene::OClip {
public:
    OGroup() = default;

    void AttachWindow(scene::SceneHost* window) override;
    scene::OGraph* Clone() override;
    // Ticks the children at the group's tick rate, then moves the group by its velocity.
    void Tick(std::uint32_t time) override;
    // Draws every visible child with the same clip rectangle; nothing while hidden.
    void Draw(scene::Rect* clip) override;
    // Records the flag and reports every visible child as removed or added.
    void SetVisible(bool flag) override;
    // Adds a live object as the last child without changing its visibility.
    void AddChild(scene::OGraph* object) override;

    // Reports every shown leaf below `object` (the object itself when it has no children)
    // as shown or no longer shown, each through its own parent chain.
    static void Announce(scene::OGraph* object, scene::Visibility visibility);

protected:
    // Gives this group other's geometry, flags and copies of its children.
    void CopyGroup(const OGroup& other);

private:
    std::uint32_t m_lastChildTick = 0;
};

} // namespace ui
