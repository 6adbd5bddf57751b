#include "WindowProcedure.hpp"

#include "engine/MainThread.hpp"
#include "engine/Messages.hpp"
#include "engine/OWindow.hpp"
#include "platform/KeyCodes.hpp"
#include "scene/OGraph.hpp"

namespace engine {

using platform::EventKind;
using platform::MouseButton;

void WindowProcedure::Dispatch(const platform::Event& event) {
    if (event.kind == EventKind::Posted && event.code == kPostedTasks) {
        MainThread::RunPending();
        return;
    }
    OWindow* window = OWindow::LockFromPlatformWindow(event.window);
    if (!window) {
        m_drags.erase(event.window);
        return;
    }
    Handle(*window, event);
    window->Lock().unlock();
}

void WindowProcedure::Handle(OWindow& w, const platform::Event& e) {
    // A closing window takes no more input; only its teardown and painting go on.
    if (w.IsClosing() && IsInput(e)) return;
    switch (e.kind) {
    case EventKind::Destroyed:
        Destroyed(w);
        break;
    case EventKind::CloseRequest:
        CloseRequested(w);
        break;
    case EventKind::Resized: {
        const platform::Size size = platform::CurrentPlatform().ClientSize(e.window);
        w.SetClientSize(float(size.width), float(size.height));
        break;
    }
    case EventKind::Exposed:
        platform::CurrentPlatform().Present(e.window, w.BackBuffer(), e.area);
        break;
    case EventKind::FocusGained:
    case EventKind::FocusLost:
        // A blocked owner that gains the focus has already handed it on to its dialog.
        if (!w.IsClosing()) w.FocusChanged(e.kind == EventKind::FocusGained);
        break;
    case EventKind::PadDown:
        // The platform hands a blocked window's pad input to its dialog; this is its backstop.
        if (!w.IsBlocked()) w.PadButtonDown(e.pad);
        break;
    case EventKind::PadUp:
        if (!w.IsBlocked()) w.PadButtonUp(e.pad);
        break;
    case EventKind::PadAxis:
        if (!w.IsBlocked()) w.PadAxisMoved(e.axis, e.code);
        break;
    case EventKind::KeyDown:
        w.KeyDown(e.code, e.x, e.y);
        break;
    case EventKind::KeyUp:
        w.KeyUp(e.code, e.x, e.y);
        break;
    case EventKind::Character:
        w.Char(e.character);
        break;
    case EventKind::MouseDown:
        if (e.button == MouseButton::Left ? BeginDrag(w, e.x, e.y) : InCaption(w, e)) break;
        w.KeyDown(platform::KeyCodeOf(e.button), e.x, e.y);
        break;
    case EventKind::MouseUp:
        if (e.button == MouseButton::Left && IsDragging(e.window)) {
            m_drags.erase(e.window);
            if (platform::CurrentPlatform().CaptureWindow() == e.window) platform::CurrentPlatform().SetCapture(0);
            break;
        }
        if (InCaption(w, e)) break;
        w.KeyUp(platform::KeyCodeOf(e.button), e.x, e.y);
        break;
    case EventKind::MouseMove:
        if (IsDragging(e.window)) {
            const Drag& drag = m_drags[e.window];
            const platform::Rect area = platform::CurrentPlatform().WindowArea(e.window);
            platform::CurrentPlatform().MoveWindow(e.window, area.left + e.x - drag.grabX, area.top + e.y - drag.grabY);
            break;
        }
        if (InCaption(w, e)) break;
        w.MouseMove(e.x, e.y);
        break;
    case EventKind::CaptureLost:
        m_drags.erase(e.window);
        w.CaptureLost();
        break;
    case EventKind::Posted:
        if (e.code == kPostedClose) CloseRequested(w);
        if (e.code == kPostedMouseMove) w.MouseMove(0, 0);
        if (e.code == kPostedPresent) platform::CurrentPlatform().Present(e.window, w.BackBuffer(), e.area);
        break;
    case EventKind::None:
        break;
    }
}

void WindowProcedure::CloseRequested(OWindow& w) {
    bool allow = true;
    if (!w.IsClosing()) w.QueryClose(allow);
    if (!allow) return;
    platform::CurrentPlatform().DestroyWindow(w.PlatformWindow());
}

void WindowProcedure::Destroyed(OWindow& w) {
    m_drags.erase(w.PlatformWindow());
    w.ForgetInputControls();
    // The owner is let go here, once; the later destruction of the object must neither
    // activate it again nor unblock it for another dialog.
    w.ReleaseOwner();
    if (w.IsClosing()) return;
    w.DetachPlatformWindow();
    w.CloseFromPlatform();
}

bool WindowProcedure::IsInput(const platform::Event& e) {
    switch (e.kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp:
    case EventKind::Character:
    case EventKind::MouseMove:
    case EventKind::MouseDown:
    case EventKind::MouseUp:
    case EventKind::PadDown:
    case EventKind::PadUp:
    case EventKind::PadAxis:
        return true;
    case EventKind::Posted:
        return e.code == kPostedMouseMove;
    default:
        return false;
    }
}

bool WindowProcedure::InCaption(OWindow& w, const platform::Event& e) {
    // A captured mouse reaches the window wherever it is, as over any client area.
    if (w.CaptureControl() || platform::CurrentPlatform().CaptureWindow() == e.window) return false;
    return w.IsCaptionHit(e.x, e.y);
}

bool WindowProcedure::BeginDrag(OWindow& w, int x, int y) {
    if (w.CaptureControl() || !w.IsCaptionHit(x, y)) return false;
    m_drags[w.PlatformWindow()] = {x, y};
    platform::CurrentPlatform().SetCapture(w.PlatformWindow());
    return true;
}

bool WindowProcedure::IsDragging(platform::WindowId id) const {
    return m_drags.count(id) != 0;
}

} // namespace engine
