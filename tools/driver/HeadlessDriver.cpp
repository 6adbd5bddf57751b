#include "HeadlessDriver.hpp"

#include <algorithm>
#include <memory>

#include "engine/MainThread.hpp"
#include "engine/OWindow.hpp"
#include "scene/OGraph.hpp"

namespace driver {

HeadlessDriver::HeadlessDriver(platform::Size screen) {
    auto owned = std::make_unique<platform::HeadlessPlatform>(screen);
    m_headless = owned.get();
    platform::SetCurrentPlatform(std::move(owned));
    engine::MainThread::Reset();
    engine::MainThread::Claim();
}

HeadlessDriver::~HeadlessDriver() {
    engine::MainThread::Reset();
}

void HeadlessDriver::FollowDialogs(const engine::OWindow* root) {
    m_root = root;
    noteDialogs();
}

void HeadlessDriver::noteDialogs() {
    if (!m_root || !engine::OWindow::IsLiveWindow(m_root)) return;
    for (engine::OWindow* w = engine::OWindow::DialogOf(m_root); w; w = engine::OWindow::DialogOf(w))
        if (std::find(m_dialogs.begin(), m_dialogs.end(), w) == m_dialogs.end()) m_dialogs.push_back(w);
}

engine::OWindow* HeadlessDriver::TopDialog() const {
    if (!m_root || !engine::OWindow::IsLiveWindow(m_root)) return nullptr;
    engine::OWindow* top = nullptr;
    for (engine::OWindow* w = engine::OWindow::DialogOf(m_root); w; w = engine::OWindow::DialogOf(w)) top = w;
    return top;
}

void HeadlessDriver::DestroyDialogs() {
    noteDialogs();
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it)
        if (engine::OWindow::IsLiveWindow(*it)) engine::OWindow::Destroy(*it);
    m_dialogs.clear();
}

void HeadlessDriver::DestroyWindows(const std::vector<engine::OWindow*>& windows) {
    for (engine::OWindow* w : windows)
        if (engine::OWindow::IsLiveWindow(w)) engine::OWindow::Destroy(w);
    engine::OWindow::WaitForFrameThreads();
    Pump();
}

void HeadlessDriver::Pump() {
    for (bool freed = true; freed;) {
        noteDialogs();
        platform::Event event;
        while (m_headless->PollEvent(event)) {
            m_procedure.Dispatch(event);
            noteDialogs();
        }
        // A closed dialog has let go of its owner; its frame thread would free it once its
        // frame sees the stop, which is done here. One whose frame still runs stays noted.
        freed = false;
        for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it) {
            engine::OWindow* dialog = *it;
            if (!engine::OWindow::IsLiveWindow(dialog)) {
                *it = nullptr;
            } else if (dialog->IsClosing()) {
                int sleep = 0;
                if (!dialog->RunFrame(sleep)) {
                    engine::OWindow::Destroy(dialog);
                    *it = nullptr;
                    freed = true;
                }
            }
        }
        std::erase(m_dialogs, nullptr);
    }
}

void HeadlessDriver::Inject(const engine::OWindow* window, platform::EventKind kind, int code, int x, int y) {
    Inject(window->PlatformWindow(), kind, code, x, y);
}

void HeadlessDriver::Inject(platform::WindowId window, platform::EventKind kind, int code, int x, int y) {
    platform::Event event;
    event.kind = kind;
    event.window = window;
    const bool button = platform::IsMouseButton(code);
    if (kind == platform::EventKind::Character) {
        event.character = static_cast<std::uint8_t>(code);
    } else if (button && kind != platform::EventKind::MouseMove) {
        // A mouse-button code stands for the button's own event.
        const bool down = kind == platform::EventKind::KeyDown || kind == platform::EventKind::MouseDown;
        event.kind = down ? platform::EventKind::MouseDown : platform::EventKind::MouseUp;
        event.button = platform::ButtonOf(code);
    } else {
        event.code = code;
    }
    event.x = x;
    event.y = y;
    m_headless->Inject(event);
}

void HeadlessDriver::Send(const engine::OWindow* window, platform::EventKind kind, int code, int x, int y) {
    Send(window->PlatformWindow(), kind, code, x, y);
}

void HeadlessDriver::Send(platform::WindowId window, platform::EventKind kind, int code, int x, int y) {
    Inject(window, kind, code, x, y);
    Pump();
}

void HeadlessDriver::MoveTo(const engine::OWindow* window, int x, int y) {
    m_headless->SetCursor(window->PlatformWindow(), {x, y});
    Send(window, platform::EventKind::MouseMove, 0, x, y);
    Send(window, platform::EventKind::MouseMove, 0, x, y);
}

void HeadlessDriver::Click(const engine::OWindow* window, int x, int y, int button) {
    MoveTo(window, x, y);
    const platform::WindowId id = window->PlatformWindow();
    Send(id, platform::EventKind::KeyDown, button, x, y);
    Send(id, platform::EventKind::KeyUp, button, x, y);
}

void HeadlessDriver::ClickOn(const engine::OWindow* window, const scene::OGraph* object) {
    Click(window, static_cast<int>(object->X() + object->Width() / 2),
          static_cast<int>(object->Y() + object->Height() / 2));
}

void HeadlessDriver::Press(const engine::OWindow* window, int key) {
    const platform::WindowId id = window->PlatformWindow();
    Send(id, platform::EventKind::KeyDown, key);
    Send(id, platform::EventKind::KeyUp, key);
}

void HeadlessDriver::Type(const engine::OWindow* window, std::string_view text) {
    for (const char c : text) Inject(window, platform::EventKind::Character, static_cast<unsigned char>(c));
    Pump();
}

void HeadlessDriver::Frame(const std::vector<engine::OWindow*>& windows) {
    if (windows.empty()) return;
    m_headless->SetTime(m_time);
    for (engine::OWindow* w : windows) {
        int sleep = 0;
        w->RunFrame(sleep);
    }
    // Read before serving the queue, which may free a dialog that closed.
    const int fps = windows.back()->FramesPerSecond();
    Pump();
    m_time += static_cast<std::uint32_t>(1000 / (fps > 0 ? fps : 1));
}

} // namespace driver
