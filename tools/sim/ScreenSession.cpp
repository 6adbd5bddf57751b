#include "ScreenSession.hpp"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/MainThread.hpp"
#include "platform/KeyCodes.hpp"
#include "scene/OGraph.hpp"

namespace sim {

ScreenSession::ScreenSession() {
    auto owned = std::make_unique<platform::HeadlessPlatform>(platform::Size{1024, 768});
    m_headless = owned.get();
    platform::SetCurrentPlatform(std::move(owned));
    engine::MainThread::Reset();
    engine::MainThread::Claim();
}

ScreenSession::~ScreenSession() {
    Close();
    engine::MainThread::Reset();
}

bool ScreenSession::Open(game::GameWindowSetup setup) {
    Close();
    // The caller drives the frames of every window, dialogs included, so that every run
    // draws the same pictures.
    engine::NextWindowParams() = {0x0099CCFF, 7, 750, 600, false};
    setup.openDialogs = true;
    m_window = new game::OGameWindow(nullptr, std::move(setup));
    const bool started = m_window->CreateFailed() == 0 && m_window->Start();
    Pump();
    return started;
}

void ScreenSession::Close() {
    if (!m_window) return;
    // The dialogs go first, the top one first, as their owners wait for them.
    NoteDialogs();
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it)
        if (engine::OWindow::IsLiveWindow(*it)) engine::OWindow::Destroy(*it);
    m_dialogs.clear();
    if (engine::OWindow::IsLiveWindow(m_window)) engine::OWindow::Destroy(m_window);
    m_window = nullptr;
    engine::OWindow::WaitForFrameThreads();
    Pump();
}

engine::OWindow* ScreenSession::TopDialog() const {
    engine::OWindow* top = nullptr;
    if (!m_window || !engine::OWindow::IsLiveWindow(m_window)) return nullptr;
    for (engine::OWindow* w = engine::OWindow::DialogOf(m_window); w; w = engine::OWindow::DialogOf(w)) top = w;
    return top;
}

void ScreenSession::NoteDialogs() {
    if (!m_window || !engine::OWindow::IsLiveWindow(m_window)) return;
    for (engine::OWindow* w = engine::OWindow::DialogOf(m_window); w; w = engine::OWindow::DialogOf(w))
        if (std::find(m_dialogs.begin(), m_dialogs.end(), w) == m_dialogs.end()) m_dialogs.push_back(w);
}

void ScreenSession::Pump() {
    for (bool freed = true; freed;) {
        NoteDialogs();
        platform::Event event;
        while (m_headless->PollEvent(event)) {
            m_procedure.Dispatch(event);
            NoteDialogs();
        }
        // A closed dialog has let go of its owner, but nobody frees it without a frame
        // thread: that is done here, the top one first, and what that queued is served.
        freed = false;
        for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it) {
            engine::OWindow* dialog = *it;
            if (!engine::OWindow::IsLiveWindow(dialog)) {
                *it = nullptr;
            } else if (dialog->IsClosing()) {
                int sleep = 0;
                if (!dialog->RunFrame(sleep)) engine::OWindow::Destroy(dialog);
                *it = nullptr;
                freed = true;
            }
        }
        std::erase(m_dialogs, nullptr);
    }
}

void ScreenSession::Frame() {
    if (!m_window) return;
    m_headless->SetTime(m_time);
    std::vector<engine::OWindow*> chain;
    for (engine::OWindow* w = m_window; w; w = engine::OWindow::DialogOf(w)) chain.push_back(w);
    for (engine::OWindow* w : chain) {
        int sleep = 0;
        w->RunFrame(sleep);
    }
    const int fps = chain.back()->FramesPerSecond();
    Pump();
    m_time += std::uint32_t(1000 / (fps > 0 ? fps : 1));
}

void ScreenSession::Frames(int count) {
    for (int i = 0; i < count; ++i) Frame();
}

void ScreenSession::Send(engine::OWindow* window, platform::EventKind kind, int code, int x, int y) {
    platform::Event event;
    event.kind = kind;
    event.window = window->PlatformWindow();
    event.code = code;
    event.x = std::uint16_t(x);
    event.y = std::uint16_t(y);
    m_headless->Inject(event);
    Pump();
}

void ScreenSession::ClickAt(engine::OWindow* window, int x, int y) {
    m_headless->SetCursor(window->PlatformWindow(), {x, y});
    // The first move may only take the capture from the control the mouse was over.
    Send(window, platform::EventKind::MouseMove, 0, x, y);
    Send(window, platform::EventKind::MouseMove, 0, x, y);
    Send(window, platform::EventKind::KeyDown, platform::Key_LButton, x, y);
    Send(window, platform::EventKind::KeyUp, platform::Key_LButton, x, y);
}

void ScreenSession::ClickOn(engine::OWindow* window, const scene::OGraph* object) {
    ClickAt(window, int(object->X() + object->Width() / 2), int(object->Y() + object->Height() / 2));
}

bool ScreenSession::CloseTopDialog() {
    engine::OWindow* dialog = TopDialog();
    if (!dialog) return true;
    dialog->PostClose();
    Pump();
    return TopDialog() != dialog;
}

bool ScreenSession::Save(engine::OWindow* window, const std::string& path) {
    return window && m_headless->SaveScreen(window->PlatformWindow(), path);
}

} // namespace sim
