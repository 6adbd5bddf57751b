#include "platform/sdl/X11Buttons.hpp"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

namespace platform {

int X11ButtonFromSdl(std::uint8_t sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT:
        return Button1;
    case SDL_BUTTON_MIDDLE:
        return Button2;
    case SDL_BUTTON_RIGHT:
        return Button3;
    // The X server numbers the side buttons after the wheel's four.
    case SDL_BUTTON_X1:
        return 8;
    case SDL_BUTTON_X2:
        return 9;
    default:
        return 0;
    }
}

bool ReleaseButtonsOn(SDL_Window* window, std::uint32_t buttons) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* display = info.info.x11.display;
    const Window target = info.info.x11.window;
    for (std::uint8_t button = SDL_BUTTON_LEFT; button <= SDL_BUTTON_X2; ++button) {
        const int number = X11ButtonFromSdl(button);
        if ((buttons & SDL_BUTTON(button)) == 0 || number == 0) continue;
        XEvent release{};
        release.xbutton.type = ButtonRelease;
        release.xbutton.display = display;
        release.xbutton.window = target;
        release.xbutton.root = DefaultRootWindow(display);
        release.xbutton.time = CurrentTime;
        release.xbutton.button = unsigned(number);
        release.xbutton.same_screen = True;
        XSendEvent(display, target, False, ButtonReleaseMask, &release);
    }
    // The server hands the events back on this connection; after the round trip they are
    // queued, and the pump has SDL read them while it still knows the window.
    XSync(display, False);
    SDL_PumpEvents();
    return true;
}

} // namespace platform
