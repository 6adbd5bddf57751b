#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.hpp"

namespace platform {

// Windows in memory, for tests and simulation: input is injected by the
// caller, time is a manual clock, every presented area is recorded and each
// window keeps a screen image of what was presented, which can be saved.
// It keeps every promise of Platform as the SDL backend does on a desktop
// without a window manager; the platform contract tests run both.
class HeadlessPlatform : public Platform {
public:
    // `screen` is in screen pixels; the usable part is the whole screen.
    explicit HeadlessPlatform(Size screen = {1024, 768});

    void SetScale(int scale) override;
    WindowId CreateWindow(const WindowSpec& wanted) override;
    void DestroyWindow(WindowId window) override;
    void SetTitle(WindowId window, std::string_view title) override;
    void ShowWindow(WindowId window, ShowMode mode) override;
    void MoveWindow(WindowId window, int x, int y) override;
    Rect WindowArea(WindowId window) override;
    Size ClientSize(WindowId window) override;
    Size ScreenSize() override;
    Size UsableScreenSize() override;
    void EnableWindow(WindowId window, bool enabled) override;
    void ActivateWindow(WindowId window) override;
    void SetCapture(WindowId window) override;
    WindowId CaptureWindow() override;
    Point CursorPosition(WindowId window) override;
    void Present(WindowId window, const Surface& pixels, const Rect& area) override;
    Event WaitEvent() override;
    void PostEvent(const Event& event) override;
    std::uint32_t Milliseconds() override;
    void ShowMessage(std::string_view text, std::string_view caption) override;
    bool OpenUrl(std::string_view target) override;
    void PlaySound(const std::string& path, bool wait) override;
    void SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) override;

    // Test controls. Positions here are the window system's, in screen pixels; they are the
    // program's pixels at scale 1.
    // Queues an event as the window system reports it: input names the window under the
    // pointer or with the keyboard focus, in that window's client coordinates (screen pixels
    // from the corner inside its frame; a point off the client area is on the frame or
    // beyond). It becomes the program's event when it is taken, as SDL's are: mouse input goes
    // to the window holding the capture, mouse input off the client area is dropped without
    // it, input for a disabled window is dropped (a press or a close request brings its dialog
    // forward), and a press of Backspace, Tab, Enter or Escape is followed by its character.
    void Inject(const Event& event);
    // Moves the mouse to a client position of the window (from the corner inside its frame,
    // in screen pixels), or to a screen position with window 0.
    void SetCursor(WindowId window, Point client);
    void SetTime(std::uint32_t ms) { m_time = ms; }
    void AdvanceTime(std::uint32_t ms) { m_time += ms; }
    // Takes the next queued event without waiting; false when there is none.
    bool PollEvent(Event& event);
    // Makes the next CreateWindow fail, as when another copy of the program runs.
    void FailNextCreate() { m_failNextCreate = true; }
    // Makes OpenUrl refuse every address (it still records them), as a desktop without a
    // browser does.
    void RefuseUrls(bool refuse) { m_refuseUrls = refuse; }

    // Sizes and places in the program's pixels, the screen image in screen pixels.
    struct WindowState {
        WindowSpec wanted;
        Size client; // the wanted size, each side at least 1
        int frame = 0; // FrameWidth of the style kind
        std::string title;
        Point position; // the outer corner
        ShowMode shown = ShowMode::Show;
        bool enabled = true;
        // Top-down BGR, outer size x scale: the frame around the client area, which shows the
        // background until something is presented.
        std::vector<std::uint8_t> screen;
        std::vector<Rect> presented; // every area presented, in order
        Size icon;                   // the size of the icon set, 0 x 0 for none

        Size Outer() const { return {client.width + 2 * frame, client.height + 2 * frame}; }
        // The client area's corner on the screen, in the program's pixels.
        Point ClientOrigin() const { return {position.x + frame, position.y + frame}; }
    };
    // A copy of the window's state; an empty one for an unknown window.
    WindowState Window(WindowId window);
    bool Exists(WindowId window);
    WindowId ActiveWindow();
    // The window's screen image, frame included, as a surface (valid until the window changes).
    Surface Screen(WindowId window);
    // The window's outer rectangle on the screen, in screen pixels; empty for no window.
    Rect ScreenArea(WindowId window);
    // Saves what the window shows as a PNG file.
    bool SaveScreen(WindowId window, const std::string& path);
    std::vector<std::string> Sounds();
    std::vector<std::string> Urls();
    std::vector<std::string> Messages();

private:
    // What the window system reports, turned into events when taken.
    struct SystemEvent {
        Event event;
        bool focusLost = false; // the window lost the keyboard focus
    };

    bool takeLocked(Event& event);
    void translateLocked(const SystemEvent& next);
    void translateMouseLocked(Event event);
    void destroyLocked(WindowId window);
    void activateLocked(WindowId window);
    void raiseDialogOfLocked(WindowId window);
    WindowId topDialogLocked(WindowId window) const;
    void loseCaptureLocked();
    bool acceptsInputLocked(WindowId window) const;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Taken in this order, as the SDL backend does: events made by a call, posted ones,
    // then the window system's.
    std::deque<Event> m_made;
    std::deque<Event> m_posted;
    std::deque<SystemEvent> m_system;
    std::map<WindowId, WindowState> m_windows;
    WindowId m_nextId = 1;
    WindowId m_active = 0;
    WindowId m_capture = 0;
    Point m_cursorScreen;
    Size m_screen;
    int m_scale = 1;
    bool m_madeWindow = false;
    bool m_failNextCreate = false;
    std::atomic<bool> m_refuseUrls{false};
    std::atomic<std::uint32_t> m_time{0};
    std::vector<std::string> m_sounds, m_urls, m_messages;
};

} // namespace platform
