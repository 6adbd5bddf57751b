#include "ScreenSession.hpp"

#include <vector>

namespace sim {

ScreenSession::~ScreenSession() {
    Close();
}

bool ScreenSession::Open(game::GameWindowSetup setup) {
    Close();
    // The caller drives the frames of every window, dialogs included, so that every run
    // draws the same pictures.
    setup.openDialogs = true;
    m_window = new game::OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false},
                                     std::move(setup));
    m_driver.FollowDialogs(m_window);
    const bool started = m_window->CreateFailed() == 0 && m_window->Start();
    Pump();
    return started;
}

void ScreenSession::Close() {
    if (!m_window) return;
    // The dialogs go first, as their owners wait for them.
    m_driver.DestroyDialogs();
    m_driver.FollowDialogs(nullptr);
    m_driver.DestroyWindows({m_window});
    m_window = nullptr;
}

engine::OWindow* ScreenSession::TopDialog() const {
    return m_driver.TopDialog();
}

void ScreenSession::Pump() {
    m_driver.Pump();
}

void ScreenSession::Frame() {
    if (!m_window) return;
    std::vector<engine::OWindow*> chain;
    for (engine::OWindow* w = m_window; w; w = engine::OWindow::DialogOf(w)) chain.push_back(w);
    m_driver.Frame(chain);
}

void ScreenSession::Frames(int count) {
    for (int i = 0; i < count; ++i) Frame();
}

void ScreenSession::ClickAt(engine::OWindow* window, int x, int y) {
    m_driver.Click(window, x, y);
}

void ScreenSession::ClickOn(engine::OWindow* window, const scene::OGraph* object) {
    m_driver.ClickOn(window, object);
}

bool ScreenSession::CloseTopDialog() {
    engine::OWindow* dialog = TopDialog();
    if (!dialog) return true;
    dialog->PostClose();
    Pump();
    return TopDialog() != dialog;
}

bool ScreenSession::Save(engine::OWindow* window, const std::string& path) {
    return window && m_driver.Platform().SaveScreen(window->PlatformWindow(), path);
}

} // namespace sim
