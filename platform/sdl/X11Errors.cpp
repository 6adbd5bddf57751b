#include "platform/sdl/X11Errors.hpp"

#include <SDL.h>
#include <X11/Xlib.h>

#include <atomic>
#include <cstring>
#include <unistd.h>

namespace platform {

namespace {

XErrorHandler previousHandler = nullptr;
std::atomic<void (*)()> displayLossAction{nullptr};
std::atomic<pid_t> displayLossProcess{0};

int handleError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    return previousHandler ? previousHandler(display, error) : 0;
}

int handleDisplayLoss(Display*) {
    // A child that SDL forked to show a message box only ends; the program does the rest.
    if (::getpid() != displayLossProcess.load()) ::_exit(1);
    static const char message[] = "hoopstack: the connection to the display is lost\n";
    // Nothing here may use the display or the C library's exit machinery.
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, message, sizeof message - 1);
    if (void (*action)() = displayLossAction.load()) action();
    ::_exit(1);
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
    if (displayLossAction.load() != nullptr) XSetIOErrorHandler(handleDisplayLoss);
}

void EndOnDisplayLoss(void (*action)()) {
    displayLossAction = action;
    displayLossProcess = ::getpid();
    XSetIOErrorHandler(handleDisplayLoss);
}

} // namespace platform
