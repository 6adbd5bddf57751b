#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/BorderTile.hpp"
#include "platform/NativeDriver.hpp"

namespace platform {

// A window in memory, in screen pixels.
struct HeadlessWindow {
    WindowSpec wanted;
    std::string title;
    Rect area; // the outer rectangle on the screen
    WindowLayout layout;
    ShowMode shown = ShowMode::Show;
    bool enabled = true;
    // Top-down BGR, the area's size: the frame or the border around the client area, which
    // shows the background until something is presented.
    std::vector<std::uint8_t> screen;
    std::vector<Rect> presented; // every area presented, in order
    Size icon;                   // the size of the icon set, 0 x 0 for none

    // The client area's corner on the screen.
    Point ClientOrigin() const { return {area.left + layout.offset.x, area.top + layout.offset.y}; }
};

// Windows in memory beneath the window table: the window system's events are injected by
// the caller, time is a manual clock, presented areas are recorded into screen images.
// It behaves as a desktop without a window manager does. Safe from any thread.
class MemoryDriver : public NativeDriver {
public:
    explicit MemoryDriver(Size screen);

    bool Ready() override;
    WindowId Create(const NativeWindowSpec& request) override;
    void Destroy(WindowId window) override;
    void SetTitle(WindowId window, std::string_view title) override;
    void Show(WindowId window, ShowMode mode) override;
    void Move(WindowId window, Point corner) override;
    Rect Area(WindowId window) override;
    Size Screen(bool) override {
        return locked([&] { return m_screen; });
    }
    void Raise(WindowId window) override;
    void CaptureMouse(bool) override {}
    Point Cursor() override;
    void Present(WindowId window, const Surface& pixels, const Rect& asked, const Rect& clipped) override;
    bool Place(WindowId window, const Rect& outer, const WindowLayout& layout) override;
    void SetBorderTile(const ConstSurface& tile) override;
    bool CanWait() override { return true; }
    Pumped WaitNative(std::vector<NativeEvent>& out, bool block) override;
    void Wake() override;
    std::uint32_t Milliseconds() override { return m_time; }
    void ShowMessage(std::string_view text, std::string_view caption) override;
    bool OpenUrl(std::string_view target) override;
    bool SetClipboardText(std::string_view text) override;
    void PlaySound(const std::string& path, bool wait) override;
    void SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) override;

    // See HeadlessPlatform for these.
    void Inject(const Event& event);
    void SetCursor(WindowId window, Point client);
    void SetTime(std::uint32_t ms) { m_time = ms; }
    void AdvanceTime(std::uint32_t ms) { m_time += ms; }
    void FailNextCreate() { locked([&] { m_failNextCreate = true; }); }
    // Makes the next Place fail, as when the window system refuses a size.
    void FailNextPlace() {
        locked([&] { m_failNextPlace = true; });
    }
    // Changes the screen's size, 0 x 0 for none.
    void SetScreen(Size screen) {
        locked([&] { m_screen = screen; });
    }
    void RefuseUrls(bool refuse) { m_refuseUrls = refuse; }
    // A copy of the window; an empty one for an unknown window.
    HeadlessWindow Window(WindowId window);
    WindowId Focused() { return locked([&] { return m_focus; }); }
    Surface Image(WindowId window);
    std::vector<std::string> Sounds() { return locked([&] { return m_sounds; }); }
    std::vector<std::string> Urls() { return locked([&] { return m_urls; }); }
    std::string Clipboard() {
        return locked([&] { return m_clipboard; });
    }
    std::vector<std::string> Messages() { return locked([&] { return m_messages; }); }

private:
    // Runs `read` under the lock and returns what it returns.
    template <class F>
    std::invoke_result_t<F> locked(F read) {
        std::lock_guard lock(m_mutex);
        return read();
    }
    void queue(NativeEvent::Kind kind, WindowId window);
    Surface imageLocked(HeadlessWindow& window) const;
    // Paints the window's image whole: background in the client, the frame or border around it.
    void paintLocked(HeadlessWindow& window);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<NativeEvent> m_system;       // guarded by m_mutex, as the members below
    bool m_woken = false;
    std::map<WindowId, HeadlessWindow> m_windows;
    WindowId m_nextId = 1;
    WindowId m_focus = 0;
    Point m_cursorScreen;
    Size m_screen;
    bool m_failNextCreate = false;
    bool m_failNextPlace = false;
    BorderTile m_border;
    std::vector<std::string> m_sounds, m_urls, m_messages;
    std::string m_clipboard;
    std::atomic<bool> m_refuseUrls{false};
    std::atomic<std::uint32_t> m_time{0};
};

} // namespace platform
