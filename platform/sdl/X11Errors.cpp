#include "platform/sdl/X11Errors.hpp"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cstring>

namespace platform {

namespace {

XErrorHandler previousHandler = nullptr;

int handleError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    return previousHandler ? previousHandler(display, error) : 0;
}

} // namespace

void TolerateStaleWindowErrors() {
    // Before SDL's video starts no driver is known yet; the handler is harmless elsewhere.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "x11") != 0) return;
    // SDL swaps handlers inside some of its calls and may put back one it saved before ours,
    // so this is called again before each wait; it keeps the handler it finds as the next one.
    const XErrorHandler current = XSetErrorHandler(handleError);
    if (current != handleError) previousHandler = current;
}

} // namespace platform
