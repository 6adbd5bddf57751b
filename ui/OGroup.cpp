#include "ui/OGroup.hpp"

#include <algorithm>

namespace ui {

using scene::OGraph;
using scene::Rect;

void OGroup::Announce(OGraph* object, scene::Visibility visibility) {
    if (!OGraph::IsLive(object) || !object->IsVisible()) return;
    if (auto* container = dynamic_cast<scene::OClip*>(object)) {
        // Only the leaves are handed to the window, so that nothing is drawn twice.
        for (int i = 0; i < container->FrameCount(); ++i) Announce(container->Frame(i), visibility);
        return;
    }
    const Rect bounds = object->Bounds();
    object->NotifyDisplay(object, visibility, &bounds);
}

void OGroup::AttachWindow(scene::SceneHost* window) {
    if (IsBeingDestroyed() || window == m_window) return;
    OGraph::AttachWindow(window);
    for (int i = 0; i < FrameCount(); ++i) {
        OGraph* child = Frame(i);
        if (IsLive(child)) child->AttachWindow(window);
    }
}

OGraph* OGroup::Clone() {
    auto* copy = new OGroup;
    copy->CopyGroup(*this);
    return copy;
}

void OGroup::CopyGroup(const OGroup& other) {
    SetPosition(other.RelativeX(), other.RelativeY(), other.RelativeZ());
    SetSize(other.Width(), other.Height(), other.Depth());
    SaveGeometry();
    SetVisible(other.IsVisible());
    m_colourKey = other.ColourKey();
    m_blendLevel = other.BlendLevel();
    m_items = other.Items();
    m_alignment = other.Alignment();
    SetFramesPerSecond(other.FramesPerSecond());
    for (int i = 0; i < other.FrameCount(); ++i) {
        OGraph* child = other.Frame(i);
        if (!IsLive(child)) continue;
        OGraph* copy = child->Clone();
        if (!copy) continue;
        // A shared image takes its source's visibility; the copy must look like the child.
        copy->SetVisible(child->IsVisible());
        AddChild(copy);
    }
}

void OGroup::Tick(std::uint32_t time) {
    if (FrameCount() == 0) return;
    // The product is kept in 64 bits so that a long pause cannot wrap it below one step.
    const std::uint32_t elapsed = time - m_lastChildTick;
    const std::uint64_t steps =
        std::uint64_t{elapsed} * static_cast<std::uint32_t>(std::max(FramesPerSecond(), 0)) / 1000u;
    if (steps >= 1) {
        m_lastChildTick = time;
        for (int i = 0; i < FrameCount(); ++i) {
            OGraph* child = Frame(i);
            if (IsLive(child)) child->Tick(time);
        }
    }
    OGraph::Tick(time);
}

void OGroup::Draw(Rect* clip) {
    if (!m_visible) return;
    for (int i = 0; i < FrameCount(); ++i) {
        OGraph* child = Frame(i);
        if (!IsLive(child) || !child->IsVisible()) continue;
        if (clip) {
            Rect part = *clip;
            child->Draw(&part);
        } else {
            child->Draw(nullptr);
        }
    }
}

void OGroup::SetVisible(bool flag) {
    if (flag == m_visible) return;
    // Children report through this group, which passes reports on only while visible.
    if (!flag) {
        for (int i = 0; i < FrameCount(); ++i) Announce(Frame(i), scene::Visibility::Hidden);
        m_visible = false;
    } else {
        m_visible = true;
        for (int i = 0; i < FrameCount(); ++i) Announce(Frame(i), scene::Visibility::Shown);
    }
}

void OGroup::AddChild(OGraph* object) {
    if (!IsLive(object) || HasAncestorOrSelf(object)) return;
    const bool visible = object->IsVisible();
    OClip::AddChild(object);
    if (object->IsVisible() != visible) object->SetVisible(visible);
}

} // namespace ui
