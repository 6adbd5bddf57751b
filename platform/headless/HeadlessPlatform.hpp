#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/WindowTable.hpp"
#include "platform/headless/MemoryDriver.hpp"

namespace platform {

// Windows in memory, for tests and simulation: input is injected by the
// caller, time is a manual clock, every presented area is recorded and each
// window keeps a screen image of what was presented, which can be saved.
// It is the window table over the headless driver, so it keeps every promise of
// Platform by the same rules as the SDL backend, on a desktop without a window
// manager; the platform contract tests run both.
class HeadlessPlatform : public WindowTable {
public:
    // `screen` is in screen pixels; the usable part is the whole screen.
    explicit HeadlessPlatform(Size screen = {1024, 768});

    // Test controls. Positions here are the window system's, in screen pixels; they are the
    // program's pixels at scale 1.
    // Queues an event as the window system reports it: input names the window under the
    // pointer or with the keyboard focus, in that window's client coordinates (screen pixels
    // from the corner inside its frame; a point off the client area is on the frame or
    // beyond). It becomes the program's event when it is taken, as SDL's are: mouse input goes
    // to the window holding the capture, mouse input off the client area is dropped without
    // it, input for a disabled window is dropped (a press or a close request brings its dialog
    // forward), a press of Backspace, Tab, Enter or Escape is followed by its character, and
    // a key event carries the pointer's position. Game controller input (PadDown, PadUp,
    // PadAxis) names no window: it goes to the focused one, as the table decides. FocusLost is
    // the desktop giving the focus to another program, which leaves none of ours focused. Only
    // input, CloseRequest, Exposed, Resized, FocusGained and FocusLost come from the window
    // system; other kinds are ignored.
    void Inject(const Event& event);
    // A game controller's button pressed or released, or its axis moved to `value` (see
    // PadAxis), as Inject does them.
    void InjectPadButton(PadButton button, bool down);
    void InjectPadAxis(PadAxis axis, int value);
    // Moves the mouse to a client position of the window (from the corner inside its frame,
    // in screen pixels), or to a screen position with window 0.
    void SetCursor(WindowId window, Point client);
    void SetTime(std::uint32_t ms) { m_driver.SetTime(ms); }
    void AdvanceTime(std::uint32_t ms) { m_driver.AdvanceTime(ms); }
    // Makes the next CreateWindow fail, as when another copy of the program runs.
    void FailNextCreate() { m_driver.FailNextCreate(); }
    // Makes the next change of a window's place or size fail, as when the window system
    // refuses it (SetFullScreen then reports false and changes nothing).
    void FailNextPlace() { m_driver.FailNextPlace(); }
    // Changes the screen's size (screen pixels), 0 x 0 for a lost screen.
    void SetScreenSize(Size screen) { m_driver.SetScreen(screen); }
    // Makes OpenUrl refuse every address (it still records them), as a desktop without a
    // browser does.
    void RefuseUrls(bool refuse) { m_driver.RefuseUrls(refuse); }

    using WindowState = HeadlessWindow;
    // A copy of the window's state; an empty one for an unknown window.
    WindowState Window(WindowId window);
    WindowId ActiveWindow();
    // The window's screen image, frame included, as a surface (valid until the window changes).
    Surface Screen(WindowId window);
    // The window's outer rectangle on the screen, in screen pixels; empty for no window.
    Rect ScreenArea(WindowId window);
    // Saves what the window shows as a PNG file.
    bool SaveScreen(WindowId window, const std::string& path);
    std::vector<std::string> Sounds();
    std::vector<std::string> Urls();
    // The text last put on the clipboard.
    std::string Clipboard();
    std::vector<std::string> Messages();

private:
    MemoryDriver& m_driver; // owned by the window table
};

} // namespace platform
