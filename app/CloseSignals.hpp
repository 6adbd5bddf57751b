#pragma once

#include <atomic>
#include <cstdint>

namespace app {

// Turns SIGTERM, SIGINT and SIGHUP into an orderly close of the current window, so that a
// logout or `kill` saves the game as closing the window does. Block must run before any
// other thread starts, so that every thread inherits the blocked mask and only the
// watcher thread receives the signals.
//
// A signal names no window: it leaves a request that the main thread takes after the
// message that wakes it, and hands to whichever window is current then. A window that
// gives way to the next in between cannot swallow it.
class CloseSignals {
public:
    static void Block();
    // Starts the watcher, which calls Request for each signal.
    static void Watch();
    // Leaves a close request and wakes the main loop with a message that reaches no window.
    // Any thread; needs the current platform.
    static void Request();
    // True once for any number of requests since the last call; main thread.
    [[nodiscard]] static bool TakeRequest();
    // While `busy` returns true the main thread cannot take a close request (a message box
    // holds it), so a signal calls `endNow`, which does not return. Plain functions: the
    // watcher thread calls them.
    static void EndAtOnceWhile(bool (*busy)(), void (*endNow)());
};

} // namespace app
