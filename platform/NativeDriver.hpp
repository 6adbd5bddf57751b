#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.hpp"

namespace platform {

// One event as the window system reports it, before the window table judges it (owners,
// enabled flags, capture). Window events name a window the driver made.
struct NativeEvent {
    enum class Kind : std::uint8_t {
        CloseRequest,
        Exposed,     // `area`: the client area to present again
        Resized,     // `area`: (0, 0, client size)
        FocusGained,
        FocusLost,   // the window lost the keyboard focus, or was hidden or minimised
        MouseMove,
        ButtonDown,  // `code` is the button's KeyCode, 0 for a button the program has none for
        ButtonUp,
        KeyDown,     // `code` is a Windows virtual-key code, 0 for a key without one
        KeyUp,
        Character,   // `character` is one code page 1252 byte
        // Game controller input names window 0, as the table sends it where the focus is:
        // PadDown and PadUp for `pad`, PadAxis for `axis` moved to `code`.
        PadDown,
        PadUp,
        PadAxis,
    };
    Kind kind = Kind::CloseRequest;
    WindowId window = 0; // for mouse input the window under the pointer, 0 for none of ours
    int code = 0;
    int x = 0; // mouse input: screen pixels from the window's outer corner
    int y = 0;
    std::uint8_t character = 0;
    Rect area;
    PadButton pad = PadButton::None;
    PadAxis axis = PadAxis::None;
};

// How a window's client area lies in its native window.
struct WindowLayout {
    int scale = 1;           // screen pixels per program pixel
    Point offset;            // the client corner from the outer corner, in screen pixels
    Size client;             // the client size in the program's pixels
    int frame = 0;           // the frame drawn around the client, in the program's pixels
    bool fullScreen = false; // the border tile fills what the client leaves of the window
};

// The layout of a window shown with its frame at `scale`.
constexpr WindowLayout FramedLayout(int scale, Size client, int frame) {
    return WindowLayout{scale, Point{frame * scale, frame * scale}, client, frame, false};
}

// How the driver makes a window. Sizes and places are in screen pixels.
struct NativeWindowSpec {
    WindowSpec wanted;     // as the program asked, its owner 0 unless the window exists
    Point corner;          // the outer top-left corner
    Size outer;            // frame included
    int frame = 0;         // FrameWidth of the style kind, in the program's pixels
    int scale = 1;         // screen pixels per program pixel: its owner's, or the table's
};

// The operating system beneath the window table: what differs between a real desktop and
// windows in memory. A new backend is a folder here with a driver implementing this and a
// Platform that is the window table over it (as platform/sdl/SdlPlatform); the contract tests
// in tests/platform/PlatformContract.hpp then check it. The window table calls it with its own lock held, so a driver never
// calls back into the table. Every call but Wake, Milliseconds, ShowMessage, OpenUrl and
// PlaySound comes from the thread that runs the window table's operations.
class NativeDriver {
public:
    virtual ~NativeDriver() = default;

    // Whether a window can be made now (the display is open, no other copy of the program
    // runs); says why not where someone can read it.
    virtual bool Ready() = 0;
    // Makes a shown window, its client drawn in the background colour and its frame around
    // it; Exposed follows natively. 0 when it cannot; ids are never given twice.
    virtual WindowId Create(const NativeWindowSpec& wanted) = 0;
    virtual void Destroy(WindowId window) = 0;
    virtual void SetTitle(WindowId window, std::string_view title) = 0;
    virtual void Show(WindowId window, ShowMode mode) = 0;
    // Moves the outer corner to (x, y) in screen pixels.
    virtual void Move(WindowId window, Point corner) = 0;
    // The outer rectangle in screen pixels.
    virtual Rect Area(WindowId window) = 0;
    // The whole screen, or the part windows may cover, in screen pixels; 0 x 0 without one.
    virtual Size Screen(bool usable) = 0;
    // Raises the window and gives it the keyboard focus where the system lets it; the focus
    // events follow natively.
    virtual void Raise(WindowId window) = 0;
    // Has the system keep the mouse for the program, or lets it go.
    virtual void CaptureMouse(bool captured) = 0;
    // The pointer's screen position.
    virtual Point Cursor() = 0;
    // Copies `clipped` (inside the pixels, the client and the window) of `pixels` to the client
    // area on screen by the window's layout; `asked` is the area the program asked for.
    // `clipped` may be empty.
    virtual void Present(WindowId window, const Surface& pixels, const Rect& asked, const Rect& clipped) = 0;
    // Gives the window the outer rectangle `outer` (screen pixels) and shows its client by
    // `layout` from now on, drawing the frame or the border tile around it and the client in
    // the background colour until it is presented again; false when the system refused.
    virtual bool Place(WindowId window, const Rect& outer, const WindowLayout& layout) = 0;
    // Keeps a copy of the picture repeated around full-screen clients; an empty one is none.
    virtual void SetBorderTile(const ConstSurface& tile) = 0;

    enum class Pumped { Events, Nothing, Failed };
    // Whether WaitNative may block now; when not, only a posted event can arrive.
    virtual bool CanWait() = 0;
    // Appends the events of the system's next event to `out`, waiting for one when `block`.
    // Nothing when woken (see Wake), when the system's event means nothing to the program or
    // without waiting when none is there; Failed when the system could not wait.
    virtual Pumped WaitNative(std::vector<NativeEvent>& out, bool block) = 0;
    // Makes a WaitNative that blocks, or the next one, return; any thread.
    virtual void Wake() = 0;

    // A wrapping 32-bit millisecond clock; any thread.
    virtual std::uint32_t Milliseconds() = 0;
    virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
    virtual bool OpenUrl(std::string_view target) = 0;
    virtual bool SetClipboardText(std::string_view text) = 0;
    virtual void PlaySound(const std::string& path, bool wait) = 0;
    virtual void SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) = 0;
};

} // namespace platform
