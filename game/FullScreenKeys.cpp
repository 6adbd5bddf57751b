#include "game/FullScreenKeys.hpp"

#include "platform/KeyCodes.hpp"

namespace game {

bool FullScreenKeys::KeyDown(int code) {
    switch (code) {
    case platform::Key_Alt:
        m_alt = true;
        return false;
    case platform::Key_F11:
        if (m_f11) return false;
        m_f11 = true;
        return true;
    case platform::Key_Return:
        if (!m_alt || m_enter) return false;
        m_enter = true;
        return true;
    default:
        return false;
    }
}

void FullScreenKeys::KeyUp(int code) {
    switch (code) {
    case platform::Key_Alt:
        m_alt = false;
        break;
    case platform::Key_F11:
        m_f11 = false;
        break;
    case platform::Key_Return:
        m_enter = false;
        break;
    default:
        break;
    }
}

void FullScreenKeys::Release() {
    *this = FullScreenKeys();
}

void FullScreenKeys::Switch(platform::WindowId window, const std::function<void(bool full)>& switched) {
    platform::Platform& os = platform::CurrentPlatform();
    const bool full = !os.IsFullScreen(window);
    if (os.SetFullScreen(window, full) && switched) switched(full);
}

} // namespace game
