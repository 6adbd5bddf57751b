#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Identifies a platform window; 0 is no window.
using WindowId = std::uint32_t;

struct Point {
    int x = 0;
    int y = 0;
};

struct Size {
    int width = 0;
    int height = 0;
};

// Left, top, right, bottom; right and bottom exclusive.
struct Area {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return left >= right || top >= bottom; }
    bool operator==(const Area&) const = default;
};

// A 24-bit pixel buffer owned by someone else: 3 bytes a pixel, blue, green,
// red. Client row y is memory row y, or height - 1 - y when bottom-up.
struct Surface {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool bottomUp = false;

    std::uint8_t* row(int y) const { return bits + std::ptrdiff_t(bottomUp ? height - 1 - y : y) * stride; }
};

// How a window is made. Style kind bits: 1 popup without caption, 2 fixed
// size, 4 framed; every kind the program uses is drawn without decorations.
struct WindowSpec {
    std::string name;
    int width = 0;   // outer size; the platform keeps client size equal to it
    int height = 0;
    int styleKind = 0;
    std::uint32_t background = 0;  // 0x00BBGGRR
    WindowId owner = 0;            // a dialog stays above its owner, centred on it
};

enum class EventKind : std::uint8_t {
    None,
    CloseRequest,  // the user or the system asks the window to close
    Destroyed,     // the platform window is gone
    Resized,       // client size changed
    Exposed,       // `area` must be presented again from the back buffer
    KeyDown,       // `code` is a KeyCode: a mouse button or a Windows virtual-key code
    KeyUp,
    Character,     // `character` is one code page 1252 byte
    MouseMove,     // x, y are client coordinates as unsigned 16-bit halves
    CaptureLost,
    FocusGained,
    Posted,        // a message posted with PostEvent; `code` and `value` are the poster's
};

struct Event {
    EventKind kind = EventKind::None;
    WindowId window = 0;
    int code = 0;
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint8_t character = 0;
    Area area;
    std::uint64_t value = 0;
};

enum class ShowMode { Show, Minimize, Restore };

// The operating-system layer. Window, event and presentation operations run on
// the main thread only, except where a contract says "any thread".
class Platform {
public:
    virtual ~Platform() = default;

    // Makes a shown window; 0 when it cannot be made (or another copy of the program runs).
    virtual WindowId CreateWindow(const WindowSpec& wanted) = 0;
    // Destroys the window; a Destroyed event for it follows.
    virtual void DestroyWindow(WindowId window) = 0;
    // Sets the title the desktop shows for the window.
    virtual void SetTitle(WindowId window, std::string_view title) = 0;
    // Shows, minimises or restores the window.
    virtual void ShowWindow(WindowId window, ShowMode mode) = 0;
    // Moves the window's top-left corner to screen position (x, y).
    virtual void MoveWindow(WindowId window, int x, int y) = 0;
    // The window's outer rectangle in screen coordinates.
    virtual Area WindowArea(WindowId window) = 0;
    // The window's client size in pixels.
    virtual Size ClientSize(WindowId window) = 0;
    // The size of the screen the windows live on.
    virtual Size ScreenSize() = 0;
    // A disabled window receives no input events.
    virtual void EnableWindow(WindowId window, bool enabled) = 0;
    // Raises the window and gives it the keyboard focus.
    virtual void ActivateWindow(WindowId window) = 0;
    // Routes all mouse events to the window until ReleaseCapture (0 releases too).
    virtual void SetCapture(WindowId window) = 0;
    // The window holding the mouse capture, or 0.
    virtual WindowId CaptureWindow() = 0;
    // The mouse position in the window's client coordinates (may be outside it).
    virtual Point CursorPosition(WindowId window) = 0;
    // Copies `area` of `pixels` to the same client area of the window on screen.
    virtual void Present(WindowId window, const Surface& pixels, const Area& area) = 0;
    // Blocks until the next event and returns it; never busy-waits.
    virtual Event WaitEvent() = 0;
    // Queues an event for WaitEvent and wakes it; any thread.
    virtual void PostEvent(const Event& event) = 0;
    // A wrapping 32-bit millisecond clock; any thread.
    virtual std::uint32_t Milliseconds() = 0;
    // A modal message box with an OK button.
    virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
    // Hands a web address or file to the desktop; returns at once; false if it could not.
    virtual bool OpenUrl(std::string_view target) = 0;
    // Plays a WAV file on the single voice; any thread. Without `wait` it returns at
    // once and is skipped while another sound plays; with `wait` it returns when done.
    virtual void PlaySound(const std::string& path, bool wait) = 0;
    // Sets the window's icon from a 24-bit image.
    virtual void SetIcon(WindowId window, const Surface& image) = 0;
};

// The platform the program runs on; set once at start-up (tests set a headless one).
Platform& CurrentPlatform();
void SetCurrentPlatform(std::unique_ptr<Platform> platform);

} // namespace platform
