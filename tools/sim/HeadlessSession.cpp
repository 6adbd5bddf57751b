#include "HeadlessSession.hpp"

#include <memory>

#include "engine/MainThread.hpp"
#include "rules/BoardRules.hpp"
#include "platform/KeyCodes.hpp"

namespace sim {

bool IsAtRest(const game::TGame& game) {
    return game.IsSettled() &&
           (game.SelectedCell().IsValid() || !game::FirstFreeBall(game.Grid()).IsValid() || game.GameOver());
}

HeadlessSession::HeadlessSession() {
    auto owned = std::make_unique<platform::HeadlessPlatform>(platform::Size{1024, 768});
    m_headless = owned.get();
    platform::SetCurrentPlatform(std::move(owned));
    engine::MainThread::Reset();
    engine::MainThread::Claim();
}

HeadlessSession::~HeadlessSession() {
    Close();
    engine::MainThread::Reset();
}

bool HeadlessSession::Open(const game::GameWindowSetup& setup) {
    Close();
    // The caller drives the frames so that every run is the same.
    engine::NextWindowParams() = {0x0099CCFF, 7, 750, 600, false};
    // The simulator's game never waits for a dialog; it only reports which was asked for.
    game::GameWindowSetup quiet = setup;
    quiet.openDialogs = false;
    m_window = new game::OGameWindow(nullptr, quiet);
    const bool started = m_window->Start();
    Pump();
    return started;
}

void HeadlessSession::Close() {
    if (!m_window) return;
    if (engine::OWindow::IsLiveWindow(m_window)) engine::OWindow::Destroy(m_window);
    m_window = nullptr;
    Pump();
}

void HeadlessSession::Pump() {
    platform::Event event;
    while (m_headless->PollEvent(event)) m_procedure.Dispatch(event);
}

void HeadlessSession::Tick() {
    m_headless->SetTime(m_time);
    int sleep = 0;
    m_window->RunFrame(sleep);
    Pump();
    const int fps = m_window->FramesPerSecond();
    m_time += std::uint32_t(1000 / (fps > 0 ? fps : 1));
}

void HeadlessSession::Inject(platform::EventKind kind, int x, int y) {
    platform::Event event;
    event.kind = kind;
    event.window = m_window->PlatformWindow();
    event.code = platform::Key_LButton;
    event.x = std::uint16_t(x);
    event.y = std::uint16_t(y);
    m_headless->Inject(event);
    Pump();
}

void HeadlessSession::Click(int x, int y) {
    m_headless->SetCursor(m_window->PlatformWindow(), {x, y});
    // A real mouse moves onto what it presses: a button takes the press only once the mouse
    // is over it, and the first move may only take the capture from the control it left.
    Inject(platform::EventKind::MouseMove, x, y);
    Inject(platform::EventKind::MouseMove, x, y);
    Inject(platform::EventKind::KeyDown, x, y);
    Inject(platform::EventKind::KeyUp, x, y);
}

bool HeadlessSession::RunUntilRest(int limit) {
    for (int ticks = 0; ticks < limit; ++ticks) {
        Tick();
        if (IsAtRest(*Game())) return true;
    }
    return false;
}

} // namespace sim
