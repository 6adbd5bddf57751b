#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Gamepad.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/PixelScale.hpp"
#include "platform/Rect.hpp"
#include "platform/Surface.hpp"
#include "platform/WindowFrame.hpp"

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

// How a window is made. Style kind bits: see StyleKindBit (WindowFrame.hpp).
// No kind gets the desktop's decorations. A framed kind gets the backend's own raised frame,
// FrameWidth(kind) pixels wide on every side (see WindowFrame.hpp), drawn around the client
// area: its outer size is the client size plus twice the frame, and the client area's corner
// lies FrameWidth(kind) pixels right of and below the outer corner. Other kinds have no frame;
// their outer size is the client size.
struct WindowSpec {
    std::string name;
    int width = 0; // client size; a side below 1 becomes 1, none is clamped to the screen
    int height = 0;
    int styleKind = 0;
    std::uint32_t background = 0; // 0x00BBGGRR; the window shows it where nothing was presented
    WindowId owner = 0;           // makes a dialog of it, see CreateWindow; 0 or no window: none
};

// Input events are KeyDown, KeyUp, Character, MouseMove, MouseDown, MouseUp, PadDown, PadUp,
// PadAxis and CloseRequest. Game controller input (PadDown, PadUp, PadAxis) goes to the window
// with the keyboard focus, to its innermost dialog when it is disabled, and nowhere while no
// window of the program has the focus.
enum class EventKind : std::uint8_t {
    None,
    CloseRequest, // the user asks the window to close
    Destroyed,    // the platform window is gone; once per window
    Resized,      // client size changed, or the window is new; `area` is (0, 0, client size)
    Exposed,      // the window system lost `area`, which must be presented again from the back buffer;
                  // a new window's whole client; the backend has already redrawn the frame
    // `code` is a Windows virtual-key code, x, y the mouse position in the window's client
    // coordinates when the key was pressed or released; a press of Backspace, Tab, Enter or
    // Escape is followed by its Character (8, 9, 13, 27).
    KeyDown,
    KeyUp,
    Character, // `character` is one code page 1252 byte
    // x, y are the receiving window's client coordinates, negative left of or above the client
    // area; a window gets mouse events off its client area (on its frame or beyond) only while
    // it holds the capture.
    MouseMove,
    MouseDown,   // `button` was pressed, at x, y as for MouseMove
    MouseUp,     // `button` was released, at x, y as for MouseMove
    CaptureLost, // the window no longer holds the mouse capture, see SetCapture
    FocusGained, // the window got the keyboard focus, which it did not have
    FocusLost,   // the window lost the keyboard focus it had, or was hidden or minimised with it
    PadDown,     // `pad` was pressed, on any game controller
    PadUp,       // `pad` was released, also when its controller was unplugged
    PadAxis,     // `axis` moved to `code` (see PadAxis), also back to rest when its controller was unplugged
    Posted,      // a message posted with PostEvent; every field is the poster's
};

struct Event {
    EventKind kind = EventKind::None;
    WindowId window = 0;
    int code = 0;
    MouseButton button = MouseButton::None;
    int x = 0;
    int y = 0;
    std::uint8_t character = 0;
    Rect area;
    std::uint64_t value = 0;
    PadButton pad = PadButton::None;
    PadAxis axis = PadAxis::None;
};

enum class ShowMode { Show, Minimize, Restore };

// The operating-system layer. Window, event and presentation operations run on
// the main thread only, except where a contract says "any thread". Operations on
// a window that does not exist do nothing. The platform contract tests check
// every backend against these comments.
//
// Every position and size here is in the program's pixels: at scale N each one covers N x N
// screen pixels (see SetScale; a window's own scale for its positions and areas), so the program sees the
// same sizes at every scale. Window positions and areas are the outer window's, frame included; mouse
// positions, presented areas and events' areas are in client coordinates, inside the frame. Frames scale too.
class Platform {
public:
    virtual ~Platform() = default;

    // Shows every window at `scale` (1 to kMaxScale) from the first window on; other values,
    // and every call once a window has been made, change nothing. The default is 1. A dialog
    // shows at its owner's scale, which the full screen may change (see SetFullScreen).
    virtual void SetScale(int scale) = 0;

    // Makes a shown window that takes the keyboard focus, its outer rectangle centred on its
    // owner's outer rectangle or else on the screen (halves truncated toward zero), so that
    // equally framed windows have their client areas centred too; Resized comes first of its
    // events, then Exposed and FocusGained. 0 when it cannot be made (or another copy of the
    // program runs); ids are never given twice.
    virtual WindowId CreateWindow(const WindowSpec& wanted) = 0;
    // Destroys the window and first the windows it owns, innermost first; each one gets
    // CaptureLost if it holds the capture, then Destroyed.
    virtual void DestroyWindow(WindowId window) = 0;
    // Sets the title the desktop shows for the window, in code page 1252.
    virtual void SetTitle(WindowId window, std::string_view title) = 0;
    // Shows, minimises or restores the window; showing and restoring keep its place and size.
    virtual void ShowWindow(WindowId window, ShowMode mode) = 0;
    // Moves the window's outer top-left corner to screen position (x, y), on the screen or
    // off it; no Resized follows. A move by (dx, dy) moves the client area by (dx, dy), so a
    // drag that moves the window by the pointer's client-coordinate travel is exact.
    virtual void MoveWindow(WindowId window, int x, int y) = 0;
    // The window's outer rectangle in screen coordinates, frame included; empty for no window.
    virtual Rect WindowArea(WindowId window) = 0;
    // The window's client size in pixels, frame excluded; 0 x 0 for no window.
    virtual Size ClientSize(WindowId window) = 0;
    // The size of the screen the windows live on.
    virtual Size ScreenSize() = 0;
    // The part of the screen that windows may cover, without the desktop's panels; 0 x 0
    // when there is no screen.
    virtual Size UsableScreenSize() = 0;
    // A disabled window receives no input events and loses the capture; a mouse or key
    // press (on its frame too) or a close request on it activates its dialog instead.
    virtual void EnableWindow(WindowId window, bool enabled) = 0;
    // Raises the window and gives it the keyboard focus; the window losing the focus loses
    // the capture. A window with dialogs hands the focus on to its newest one's innermost.
    virtual void ActivateWindow(WindowId window) = 0;
    // Routes every mouse event to the window, in its client coordinates, until the capture
    // is set to 0, which sends no CaptureLost. The holder gets CaptureLost when another
    // window takes the capture, when it is disabled or destroyed, or when it loses the focus.
    virtual void SetCapture(WindowId window) = 0;
    // The window holding the mouse capture, or 0.
    virtual WindowId CaptureWindow() = 0;
    // The mouse position in the window's client coordinates, from the corner inside the
    // frame (may be outside the client area); (0, 0) for no window.
    virtual Point CursorPosition(WindowId window) = 0;
    // Copies `area` of `pixels`, clipped to both, to the same client area of the window on screen,
    // inside its frame, which no presentation covers; at scale N each pixel shows as an N x N block.
    virtual void Present(WindowId window, const Surface& pixels, const Rect& area) = 0;
    // Blocks until the next event and returns it; never busy-waits. Events that calls made
    // (Resized, CaptureLost, Destroyed) come first, then posted events, then the window
    // system's, input among them.
    virtual Event WaitEvent() = 0;
    // Queues an event, every field kept, for WaitEvent and wakes it, also while no window
    // exists; posted events keep their order; any thread.
    virtual void PostEvent(const Event& event) = 0;
    // A wrapping 32-bit millisecond clock; any thread.
    virtual std::uint32_t Milliseconds() = 0;
    // A modal message box with an OK button.
    virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
    // Hands a web address or file to the desktop; returns at once; false if it could not.
    virtual bool OpenUrl(std::string_view target) = 0;
    // Puts UTF-8 text on the desktop's clipboard; false if it could not.
    virtual bool SetClipboardText(std::string_view text) = 0;
    // Plays a WAV file on the single voice; any thread. Without `wait` it returns at
    // once and is skipped while another sound plays; with `wait` it returns when done.
    virtual void PlaySound(const std::string& path, bool wait) = 0;
    // Shows a window without an owner over the whole screen, its client at the largest whole
    // scale (1 to kMaxScale) at which it fits (1 when none does), centred (the corner rounded
    // down to whole pixels of that scale, and clipped at the right and bottom when too large),
    // the border tile around it, its frame not shown; or back at its former place and scale.
    // Its dialogs, and theirs, take its scale and keep their place relative to its client in the
    // program's pixels; each window changed is exposed whole, none is resized. On the full
    // screen WindowArea is the client's place in the window's own pixels and MoveWindow does
    // nothing. False for a dialog, no window or no screen; true when it already was so.
    virtual bool SetFullScreen(WindowId window, bool full) = 0;
    // Whether the window shows on the full screen.
    virtual bool IsFullScreen(WindowId window) = 0;
    // The picture (24-bit) repeated around full-screen clients from the screen's corner, each of
    // its pixels a block of the window's scale; shown from the next full-screen change or
    // exposure on. Until one is given, or with an empty one, a plain dark colour.
    virtual void SetBorderTile(const Surface& tile) = 0;
    // Sets the window's icon from a 24-bit image; its pixels of value `colourKey` (blue |
    // green << 8 | red << 16) are transparent, and a key above 0xFFFFFF keys none.
    virtual void SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) = 0;
};

// The platform the program runs on; set once at start-up (tests set a headless one).
Platform& CurrentPlatform();
void SetCurrentPlatform(std::unique_ptr<Platform> platform);

} // namespace platform
