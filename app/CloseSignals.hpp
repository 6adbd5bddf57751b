#pragma once

#include <atomic>
#include <cstdint>

namespace app {

// Turns SIGTERM, SIGINT and SIGHUP into an orderly close of the current window, so that a
// logout or `kill` saves the game as closing the window does. Block must run before any
// other thread starts, so that every thread inherits the blocked mask and only the
// watcher thread receives the signals.
class CloseSignals {
public:
    static void Block();
    // Starts the watcher; it posts a close request to the window set with SetTarget, or
    // ends the message loop when there is none.
    static void Watch();
    static void SetTarget(std::uint32_t platformWindow);
    // The window the next signal closes; 0 for none.
    static std::uint32_t Target();
    // While `busy` returns true the main thread cannot take a close request (a message box
    // holds it), so a signal calls `endNow`, which does not return. Plain functions: the
    // watcher thread calls them.
    static void EndAtOnceWhile(bool (*busy)(), void (*endNow)());
};

} // namespace app
