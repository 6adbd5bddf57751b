#pragma once

#include <cstdint>

namespace platform {

// The buttons of a game controller, named after their places on an Xbox-style pad.
enum class PadButton : std::uint8_t {
    None,
    A,             // the bottom face button
    B,             // the right face button
    X,             // the left face button
    Y,             // the top face button
    Back,          // the small button left of the middle
    Guide,         // the middle button
    Start,         // the small button right of the middle
    LeftStick,     // the left stick pressed in
    RightStick,    // the right stick pressed in
    LeftShoulder,  // the left bumper
    RightShoulder, // the right bumper
    Up,            // the d-pad's up
    Down,          // the d-pad's down
    Left,          // the d-pad's left
    Right,         // the d-pad's right
};

// The axes of a game controller and the values they report.
enum class PadAxis : std::uint8_t {
    None,
    LeftX,        // -32768 (left) to 32767 (right), 0 at rest
    LeftY,        // -32768 (up) to 32767 (down), 0 at rest
    RightX,       // as LeftX, for the right stick
    RightY,       // as LeftY, for the right stick
    LeftTrigger,  // 0 (released) to 32767 (pulled fully)
    RightTrigger, // as LeftTrigger
};

// How many PadButton and PadAxis values there are, None included.
inline constexpr int kPadButtonCount = static_cast<int>(PadButton::Right) + 1;
inline constexpr int kPadAxisCount = static_cast<int>(PadAxis::RightTrigger) + 1;

} // namespace platform
