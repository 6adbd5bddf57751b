#pragma once

#include <string>

#include "game/OGameWindow.hpp"
#include "tools/driver/HeadlessDriver.hpp"

namespace scene {
class OGraph;
}

namespace sim {

// The game window on the headless platform with its dialogs open for real, as a player
// sees them: the caller drives the frames of every window with a manual clock, input goes
// through the platform as the window system's would, and a dialog that closed is torn
// down at once. Owns at most one game window; the platform lives as long as the session.
class ScreenSession {
public:
    ScreenSession() = default;
    ~ScreenSession();
    ScreenSession(const ScreenSession&) = delete;
    ScreenSession& operator=(const ScreenSession&) = delete;

    // Makes and starts a game window that opens its dialogs; false when it cannot start.
    bool Open(game::GameWindowSetup setup);
    // Destroys the dialogs and the window, if any, and handles what that queued.
    void Close();

    // One frame of every window from the game window up; the clock then moves on by the
    // frame period of the top one.
    void Frame();
    void Frames(int count);
    // Serves every queued event, then tears down every dialog that closed meanwhile.
    void Pump();

    // Moves the mouse onto the window pixel and clicks it with the left button.
    void ClickAt(engine::OWindow* window, int x, int y);
    // The same on the middle of one of the window's objects.
    void ClickOn(engine::OWindow* window, const scene::OGraph* object);

    // The dialog on top of the game window's chain of dialogs, or null.
    engine::OWindow* TopDialog() const;
    // Closes the top dialog as the user would; false when it is still open afterwards.
    bool CloseTopDialog();

    // Writes what the window shows as a PNG file; false when it cannot be written.
    bool Save(engine::OWindow* window, const std::string& path);

    game::OGameWindow* Window() const { return m_window; }

private:
    driver::HeadlessDriver m_driver;
    game::OGameWindow* m_window = nullptr;
};

} // namespace sim
