#include "HeadlessSession.hpp"

#include "rules/BoardRules.hpp"

namespace sim {

bool IsAtRest(const rules::TGame& game) {
    return game.IsSettled() &&
           (game.SelectedCell().IsValid() || !rules::FirstFreeBall(game.Grid()).IsValid() || game.GameOver());
}

HeadlessSession::~HeadlessSession() {
    Close();
}

bool HeadlessSession::Open(const game::GameWindowSetup& setup) {
    Close();
    // The caller drives the frames so that every run is the same.
    // The simulator's game never waits for a dialog; it only reports which was asked for.
    game::GameWindowSetup quiet = setup;
    quiet.openDialogs = false;
    m_window =
        new game::OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, quiet);
    const bool started = m_window->Start();
    Pump();
    return started;
}

void HeadlessSession::Close() {
    if (!m_window) return;
    m_driver.DestroyWindows({m_window});
    m_window = nullptr;
}

void HeadlessSession::Pump() {
    m_driver.Pump();
}

void HeadlessSession::Tick() {
    m_driver.Frame(m_window);
}

void HeadlessSession::Click(int x, int y) {
    m_driver.Click(m_window, x, y);
}

bool HeadlessSession::RunUntilRest(int limit) {
    for (int ticks = 0; ticks < limit; ++ticks) {
        Tick();
        if (IsAtRest(*Game())) return true;
    }
    return false;
}

} // namespace sim
