#pragma once

#include <cstdint>
#include <mutex>

namespace scene {

// The recursive lock of one window. A frame thread may hold it while it waits for the main
// thread, so the main thread must never block on it outright: when installed, the main-thread
// hooks make `lock` on the main thread wait on a condition that fires when any window lock is
// released or main-thread work is queued, and run that work meanwhile. Other threads block
// plainly. Satisfies Lockable, so std::lock_guard and std::unique_lock work with it.
class WindowMutex {
public:
    struct MainThreadHooks {
        bool (*isMainThread)() = nullptr;
        void (*runPending)() = nullptr;
    };

    WindowMutex() = default;
    WindowMutex(const WindowMutex&) = delete;
    WindowMutex& operator=(const WindowMutex&) = delete;

    void lock();
    bool try_lock();
    void unlock();

    // Installed once by the engine; until then every thread blocks plainly.
    static void SetMainThreadHooks(MainThreadHooks hooks);

    // Runs `attempt` until it returns true, running main-thread work between attempts and
    // otherwise sleeping until a window lock is released or work is queued. For code that
    // must try several locks (or look a window up) before each attempt.
    template <class Attempt>
    static void WaitUntil(Attempt attempt) {
        for (;;) {
            const std::uint64_t seen = BeginWait();
            const bool done = attempt();
            if (done) {
                EndWait();
                return;
            }
            WaitForChange(seen);
        }
    }

    // Wakes the main thread from a wait because work was queued for it.
    static void WakeMainThread();

private:
    // Registers a waiter and returns the current change count.
    static std::uint64_t BeginWait();
    static void EndWait();
    // Sleeps until the change count moves past `seen`, then ends the wait and runs queued work.
    static void WaitForChange(std::uint64_t seen);
    static void SignalRelease();

    std::recursive_mutex m_mutex;
    int m_depth = 0;  // guarded by m_mutex
};

} // namespace scene
