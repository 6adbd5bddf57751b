#include "X11Focus.hpp"

#include <X11/Xlib.h>

bool GiveTheFocusToNobody() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    XSetInputFocus(display, None, RevertToNone, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}
