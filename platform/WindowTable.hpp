#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/NativeDriver.hpp"
#include "platform/Platform.hpp"

namespace platform {

// The window rules every backend shares, on top of a NativeDriver: the owner tree, enabled
// flags, the mouse capture, a disabled window's input handed to its innermost dialog, the
// order of made, posted and native events, the characters that keys type, and the window that
// game controller input goes to. It keeps every
// promise of Platform; a backend only supplies the driver. Its own state is behind one lock,
// which is not held while the driver waits for native events; which thread may call what is
// still the contract's (window operations on the main thread), as a real driver needs it.
class WindowTable : public Platform {
public:
    explicit WindowTable(std::unique_ptr<NativeDriver> driver);
    ~WindowTable() override;
    WindowTable(const WindowTable&) = delete;
    WindowTable& operator=(const WindowTable&) = delete;

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
    bool SetClipboardText(std::string_view text) override;
    void PlaySound(const std::string& path, bool wait) override;
    void SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) override;
    bool SetFullScreen(WindowId window, bool full) override;
    bool IsFullScreen(WindowId window) override;
    void SetBorderTile(const Surface& tile) override;

    // Takes the next event without waiting; false when there is none.
    bool PollEvent(Event& event);
    bool Exists(WindowId window);
    // The window that last gained the keyboard focus and has not lost it, or 0.
    WindowId FocusedWindow();
    // Whether the window exists and is enabled.
    bool Enabled(WindowId window);
    int Scale();
    // The scale the window shows at: the table's, its owner's, or its full-screen one; 0 for
    // no window.
    int ScaleOf(WindowId window);

protected:
    NativeDriver& Driver() { return *m_driver; }

private:
    struct Entry {
        WindowId owner = 0;
        int frame = 0; // FrameWidth of the style kind, in the program's pixels
        bool enabled = true;
        WindowLayout layout;
        bool full = false;
        Rect windowed; // on the full screen, the outer rectangle to go back to (screen pixels)
        int windowedScale = 1;
    };

    // Takes a made or else a posted event.
    bool takeQueuedLocked(Event& event);
    bool take(Event& event, bool wait);
    void translateLocked(const NativeEvent& native);
    void translateMouseLocked(const NativeEvent& native);
    void translateKeyLocked(const NativeEvent& native);
    void translatePadLocked(const NativeEvent& native);
    void destroyLocked(WindowId window);
    // The innermost dialog of the newest dialog the window owns, or 0 when it has none.
    WindowId topDialogLocked(WindowId window) const;
    void raiseDialogOfLocked(WindowId window);
    void loseCaptureLocked();
    void pushLocked(const Event& event);
    void pushLocked(EventKind kind, WindowId window);
    bool acceptsInputLocked(WindowId window) const;
    Rect areaLocked(WindowId window);
    Size clientSizeLocked(WindowId window);
    Size screenLocked(bool usable);
    // The pointer relative to the window's client corner, in screen pixels.
    Point cursorOnClientLocked(WindowId window);
    // The client's top-left corner on the screen, in screen pixels.
    Point clientCornerLocked(WindowId window);
    // The scale a dialog of `owner` (0: none) shows at.
    int scaleForOwnerLocked(WindowId owner) const;
    // Every window `window` owns, and theirs, oldest first.
    std::vector<WindowId> dialogsOfLocked(WindowId window) const;
    void exposeLocked(WindowId window);
    // Queues an event of the kind whose area is the window's whole client.
    void pushWholeClientLocked(EventKind kind, WindowId window);

    std::unique_ptr<NativeDriver> m_driver;
    // Lock order: m_mutex, then m_postMutex, then the driver's own.
    std::mutex m_mutex;
    std::map<WindowId, Entry> m_windows; // guarded by m_mutex, as the members up to m_made
    WindowId m_capture = 0;
    WindowId m_focused = 0;
    int m_scale = 1;
    bool m_madeWindow = false;
    bool m_waitingNative = false; // a thread waits in the driver without the lock
    // Taken in this order: events that calls made, posted events, then the native ones.
    std::deque<Event> m_made;
    std::mutex m_postMutex;
    std::condition_variable m_postCv;  // signalled when an event is posted
    std::deque<Event> m_postQueue;     // guarded by m_postMutex
};

// The character a key press also types on its own (Backspace, Tab, Enter, Escape), as
// Windows follows such a press with it; 0 for other keys.
std::uint8_t CharacterForKey(int virtualKey);
// `area` limited to the rectangle (0, 0, width, height); may come out empty.
Rect ClipArea(const Rect& area, int width, int height);
// The top-left corner that centres a window of `size` on `owner` (halves truncated to zero).
Point CentreOn(const Rect& owner, Size size);
// The largest whole scale, 1 to kMaxScale, at which `client` fits `screen`; 1 when none does.
int FullScreenScale(Size screen, Size client);
// The corner that centres `client` at `scale` on `screen`, rounded down to a multiple of the
// scale, 0 on a side where it does not fit.
Point FullScreenCorner(Size screen, Size client, int scale);

} // namespace platform
