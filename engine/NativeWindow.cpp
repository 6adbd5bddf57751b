#include "NativeWindow.hpp"

#include "engine/MainThread.hpp"
#include "scene/Rect.hpp"

namespace engine {

namespace {

platform::Platform& os() {
    return platform::CurrentPlatform();
}

} // namespace

bool NativeWindow::Create(const platform::WindowSpec& wanted, platform::Size& screen) {
    platform::WindowSpec window = wanted;
    MainThread::Run([&] {
        screen = os().ScreenSize();
        if (window.width == 0) window.width = screen.width;
        if (window.height == 0) window.height = screen.height;
        m_id = os().CreateWindow(window);
        if (m_id) {
            const platform::Size client = os().ClientSize(m_id);
            m_clientWidth = float(client.width);
            m_clientHeight = float(client.height);
        }
    });
    m_width = window.width;
    m_height = window.height;
    return m_id != 0;
}

void NativeWindow::PostDestroy() {
    if (const platform::WindowId id = m_id) MainThread::Post([id] { os().DestroyWindow(id); });
}

void NativeWindow::Show() {
    const platform::WindowId id = m_id;
    MainThread::Post([id] { os().ShowWindow(id, platform::ShowMode::Show); });
}

void NativeWindow::ShowRestored(bool restore) {
    const platform::WindowId id = m_id;
    MainThread::Post([id, restore] {
        os().ShowWindow(id, restore ? platform::ShowMode::Restore : platform::ShowMode::Minimize);
    });
}

void NativeWindow::SetEnabled(bool enabled) {
    const platform::WindowId id = m_id;
    MainThread::Post([id, enabled] {
        os().EnableWindow(id, enabled);
        if (enabled) os().ActivateWindow(id);
    });
}

void NativeWindow::Activate() {
    const platform::WindowId id = m_id;
    MainThread::Post([id] { os().ActivateWindow(id); });
}

void NativeWindow::PlaceOn(platform::WindowId owner) {
    if (m_clientWidth == 0 || m_clientHeight == 0) return;
    const platform::WindowId id = m_id;
    const float clientWidth = m_clientWidth, clientHeight = m_clientHeight;
    MainThread::Run([&] {
        platform::Rect ref;
        if (owner) {
            ref = os().WindowArea(owner);
        } else {
            const platform::Size screen = os().ScreenSize();
            ref = {0, 0, screen.width, screen.height};
        }
        // The client size is centred in the owner's outer rectangle and the outer corner put
        // there, so a framed window sits one frame width right of and below the exact centre.
        const float x = float(ref.left) + (float(ref.right - ref.left) - clientWidth) * 0.5f;
        const float y = float(ref.top) + (float(ref.bottom - ref.top) - clientHeight) * 0.5f;
        os().MoveWindow(id, scene::TruncateToInt(x), scene::TruncateToInt(y));
    });
}

platform::Point NativeWindow::Cursor() {
    platform::Point p;
    const platform::WindowId id = m_id;
    MainThread::Run([&] { p = os().CursorPosition(id); });
    return p;
}

void NativeWindow::Post(int postedCode, const platform::Rect& area) {
    platform::Event e;
    e.kind = platform::EventKind::Posted;
    e.code = postedCode;
    e.window = m_id;
    e.area = area;
    os().PostEvent(e);
}

void NativeWindow::SetTitle(const std::string& text) {
    m_title = text;
    const platform::WindowId id = m_id;
    MainThread::Post([id, text] { os().SetTitle(id, text); });
}

void NativeWindow::TakePointer() {
    const platform::WindowId id = m_id;
    MainThread::Post([id] { os().SetCapture(id); });
}

void NativeWindow::ReleasePointer() {
    const platform::WindowId id = m_id;
    MainThread::Post([id] {
        if (os().CaptureWindow() == id) os().SetCapture(0);
    });
}

} // namespace engine
