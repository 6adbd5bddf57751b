#pragma once

#include <cstdint>

namespace platform {

// Input codes of KeyDown and KeyUp events and of a window's key operations: the mouse
// buttons, then Windows virtual-key codes. Letters and digits are their upper-case ASCII codes.
enum KeyCode : int {
    Key_LButton = 1,
    Key_RButton = 2,
    Key_MButton = 4,
    Key_Backspace = 8,
    Key_Tab = 9,
    Key_Return = 13,
    Key_Shift = 16,
    Key_Control = 17,
    Key_Alt = 18,
    Key_Pause = 19,
    Key_CapsLock = 20,
    Key_Escape = 27,
    Key_Space = 32,
    Key_PageUp = 33,
    Key_PageDown = 34,
    Key_End = 35,
    Key_Home = 36,
    Key_Left = 37,
    Key_Up = 38,
    Key_Right = 39,
    Key_Down = 40,
    Key_Insert = 45,
    Key_Delete = 46,
    Key_Add = 107,      // the keypad's +
    Key_Subtract = 109, // the keypad's -
    Key_F1 = 112,
    Key_F2 = 113,
    Key_F3 = 114,
    Key_F4 = 115,
    Key_F5 = 116,
    Key_F6 = 117,
    Key_F7 = 118,
    Key_F8 = 119,
    Key_F9 = 120,
    Key_F10 = 121,
    Key_F11 = 122,
    Key_F12 = 123,
    Key_Plus = 187,  // the main keyboard's + key, the = key on layouts with + on its shift
    Key_Minus = 189, // the main keyboard's - key
};

// True for the three mouse-button codes.
constexpr bool IsMouseButton(int code) {
    return code == Key_LButton || code == Key_RButton || code == Key_MButton;
}

// The mouse buttons of MouseDown and MouseUp events.
enum class MouseButton : std::uint8_t { None, Left, Right, Middle };

// The input code a window's key operations take for the button; 0 for none.
constexpr int KeyCodeOf(MouseButton button) {
    switch (button) {
    case MouseButton::Left:
        return Key_LButton;
    case MouseButton::Right:
        return Key_RButton;
    case MouseButton::Middle:
        return Key_MButton;
    case MouseButton::None:
        break;
    }
    return 0;
}

// The button behind a mouse-button input code; None for any other code.
constexpr MouseButton ButtonOf(int code) {
    switch (code) {
    case Key_LButton:
        return MouseButton::Left;
    case Key_RButton:
        return MouseButton::Right;
    case Key_MButton:
        return MouseButton::Middle;
    default:
        return MouseButton::None;
    }
}

} // namespace platform
