#include "ui/OControl.hpp"

#include "engine/OWindow.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/Platform.hpp"
#include "scene/ResolvePath.hpp"

namespace ui {

using scene::OGraph;

namespace {

void playSound(const std::optional<std::string>& name) {
    if (!name || name->empty()) return;
    const std::string path = scene::ResolvePath(*name);
    if (!path.empty()) platform::CurrentPlatform().PlaySound(path, false);
}

} // namespace

OControl::OControl() {
    // Controls lie one unit in front of what they are placed on.
    m_relZ = -1.0f;
    m_z = -1.0f;
}

engine::OWindow* OControl::OwnerWindow() const { return dynamic_cast<engine::OWindow*>(m_window); }

void OControl::ReleaseContent() {
    OClip::ReleaseContent();
    m_hoverSound.reset();
    m_clickSound.reset();
}

OGraph* OControl::Clone() {
    auto* copy = new OControl;
    copy->CopyControl(*this);
    return copy;
}

void OControl::CopyControl(const OControl& other) {
    CopyGroup(other);
    m_hoverSound = other.m_hoverSound;
    m_clickSound = other.m_clickSound;
    m_focusable = other.m_focusable;
}

bool OControl::SetPosition(float x, float y, float z) {
    const bool wasMoving = m_moving;
    m_moving = true;
    const bool result = OClip::SetPosition(x, y, z);
    m_moving = wasMoving;
    return result;
}

void OControl::SetVisible(bool flag) {
    const bool hiding = m_visible && !flag;
    OGroup::SetVisible(flag);
    if (!hiding || m_moving) return;
    engine::OWindow* window = OwnerWindow();
    if (!window || window->IsClosing()) return;
    window->SetCaptureControl(nullptr);
    window->SetFocusControl(nullptr);
}

bool OControl::HitTest(int x, int y) {
    return m_visible && x >= 0 && y >= 0 && float(x) < m_width && float(y) < m_height;
}

void OControl::OnCaptureChange(engine::WindowControl* capture) {
    if (capture == this)
        m_state |= kCaptured;
    else
        m_state &= std::uint8_t(~(kHover | kPressed | kKeyPressed | kCaptured));
    UpdateState();
}

void OControl::OnMouseMove(int x, int y) {
    engine::OWindow* window = OwnerWindow();
    if (HitTest(x, y)) {
        if (window && (m_state & (kHover | kPressed)) == 0) window->SetCaptureControl(this);
        // Focus follows the mouse onto focusable controls.
        if (window && (m_state & kFocused) == 0 && m_focusable) window->SetFocusControl(this);
        m_state |= kHover;
    } else {
        m_state &= std::uint8_t(~kHover);
        if (window && (m_state & kPressed) == 0) window->SetCaptureControl(nullptr);
    }
    UpdateState();
}

void OControl::OnFocusChange(engine::WindowControl* focus) {
    if (focus == this)
        m_state |= kFocused;
    else
        m_state &= std::uint8_t(~(kFocused | kKeyPressed));
    UpdateState();
}

void OControl::OnKeyDown(int code, int, int) {
    engine::OWindow* window = OwnerWindow();
    switch (code) {
    case platform::Key_LButton:
        m_state |= kPressed;
        if (window) {
            if (m_focusable) window->SetFocusControl(this);
            window->SetCaptureControl(this);
        }
        break;
    case platform::Key_Tab:
        if (window) window->FocusNext();
        break;
    case platform::Key_Return:
        m_state |= kKeyPressed;
        break;
    default:
        break;
    }
    UpdateState();
}

void OControl::OnKeyUp(int code, int, int) {
    if (code == platform::Key_LButton) m_state &= std::uint8_t(~kPressed);
    if (code == platform::Key_Return) m_state &= std::uint8_t(~kKeyPressed);
    UpdateState();
}

void OControl::OnChar(std::uint8_t) {}

void OControl::SetText(const std::string&) {}

std::string OControl::GetText() const { return {}; }

void OControl::UpdateState() {
    const std::uint8_t now = m_state;
    const std::uint8_t before = m_previousState;
    // Recorded before the events go out, so that a handler that changes the state again
    // gets only the newer changes reported, never these twice.
    m_previousState = now;
    engine::OWindow* window = OwnerWindow();
    if (!window || now == before || IsBeingDestroyed()) return;
    window->Render();

    const std::uint8_t changed = now ^ before;
    int events[8];
    int count = 0;
    if (changed & kHover) events[count++] = (now & kHover) ? kEventMouseEntered : kEventMouseLeft;
    if (changed & kPressed) {
        if (now & kPressed) {
            events[count++] = kEventMousePressed;
        } else {
            events[count++] = kEventMouseReleased;
            if (now & kHover) events[count++] = kEventClick;
        }
    }
    if (changed & kKeyPressed) {
        if (now & kKeyPressed) {
            events[count++] = kEventEnterPressed;
        } else {
            events[count++] = kEventEnterReleased;
            if (now & kFocused) events[count++] = kEventClick;
        }
    }
    if (changed & kFocused) events[count++] = (now & kFocused) ? kEventFocusGained : kEventFocusLost;
    if (changed & kCaptured) events[count++] = (now & kCaptured) ? kEventCaptured : kEventReleased;

    for (int i = 0; i < count; ++i) {
        Notify(this, events[i]);
        // A handler may have released the control (a dialog closing on a click).
        if (!IsLive(this) || IsBeingDestroyed()) return;
    }
}

void OControl::Notify(OControl* sender, int code) {
    if (code == kEventMouseEntered) playSound(m_hoverSound);
    if (code == kEventClick) playSound(m_clickSound);
    if (IsLive(m_parent)) {
        if (auto* parent = dynamic_cast<OControl*>(m_parent)) parent->Notify(sender, code);
        return;
    }
    if (engine::OWindow* window = OwnerWindow()) window->ControlEvent(sender, code);
}

void OControl::SetSounds(std::optional<std::string> hoverSound, std::optional<std::string> clickSound) {
    m_hoverSound = std::move(hoverSound);
    m_clickSound = std::move(clickSound);
}

void OControl::NotifyOwnArea(OGraph* origin, scene::Visibility visibility) {
    if (!m_visible || origin == nullptr) return;
    if (origin == this) {
        for (int i = 0; i < FrameCount(); ++i) Announce(Frame(i), visibility);
        return;
    }
    const scene::Rect own = Bounds();
    OGraph::NotifyDisplay(origin, visibility, &own);
}

} // namespace ui
