#pragma once

#include <functional>

#include "platform/Platform.hpp"

namespace game {

// Tells which key presses switch between the window and the full screen: F11, and Enter
// while Alt is held. A key held down and repeating by the keyboard switches once.
class FullScreenKeys {
public:
    // True when this press is the switch.
    bool KeyDown(int code);
    void KeyUp(int code);
    // Forgets what was held, as when the window loses the keyboard focus.
    void Release();

    // Switches the window between the window and the full screen and tells `switched` (when
    // set) which way it went; nothing when the platform could not. Main thread.
    static void Switch(platform::WindowId window, const std::function<void(bool full)>& switched);

private:
    bool m_alt = false;
    bool m_f11 = false;   // held since it switched
    bool m_enter = false; // held since it switched with Alt
};

} // namespace game
