#include "platform/sdl/QuietWait.hpp"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {
namespace {

Display* xDisplayOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    return info.info.x11.display;
}

} // namespace

QuietWait::QuietWait() : m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

QuietWait::~QuietWait() {
    if (m_wake >= 0) ::close(m_wake);
}

void QuietWait::Wait(SDL_Event& event, SDL_Window* window) {
    Display* const display = xDisplayOf(window);
    // Each poll of SDL's queue pumps it: the X events read, the joysticks read.
    while (SDL_PollEvent(&event) == 0) {
        if (display != nullptr) {
            // What SDL asked the server for goes out before the sleep, and events that a
            // reply brought into Xlib's own queue are read at once, as the socket shows none.
            XFlush(display);
            if (XEventsQueued(display, QueuedAlready) > 0) continue;
        }
        pollfd sources[2] = {{m_wake, POLLIN, 0}, {display ? ConnectionNumber(display) : -1, POLLIN, 0}};
        ++m_sleeps;
        ::poll(sources, display ? 2 : 1, kJoystickPeriod);
        if (sources[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t read = ::read(m_wake, &count, sizeof count);
        }
    }
}

void QuietWait::Wake() {
    if (m_wake < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
}

} // namespace platform
