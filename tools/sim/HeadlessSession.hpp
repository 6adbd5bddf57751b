#pragma once

#include "game/OGameWindow.hpp"
#include "tools/driver/HeadlessDriver.hpp"

namespace sim {

// True when the rules wait for the next throw: nothing moves and a ball is selected,
// unless no ball is free or the game is over.
bool IsAtRest(const rules::TGame& game);

// The game window on the headless platform, with the frames driven by a manual clock.
// Owns at most one window at a time; the platform lives as long as the session.
class HeadlessSession {
public:
    HeadlessSession() = default;
    ~HeadlessSession();
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    // Makes and starts a game window; false when its pictures cannot be loaded.
    bool Open(const game::GameWindowSetup& setup);
    // Destroys the window, if any, and handles what that queued.
    void Close();

    // One frame at the clock's time; the clock then moves on by one frame period.
    void Tick();
    // A left click at the window pixel as a real mouse makes it, each event handled at once.
    void Click(int x, int y);
    // Ticks at least once and until the game is at rest; false after `limit` ticks.
    bool RunUntilRest(int limit);
    void Pump();

    game::OGameWindow* Window() const { return m_window; }
    rules::TGame* Game() const { return m_window ? m_window->Game() : nullptr; }

private:
    driver::HeadlessDriver m_driver;
    game::OGameWindow* m_window = nullptr;
};

} // namespace sim
