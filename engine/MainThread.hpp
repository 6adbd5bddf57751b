#pragma once

#include <functional>

namespace engine {

// Only the main thread may touch platform windows. Code on frame threads
// hands such work to it: Post for work whose result nobody waits for, Run for
// work whose result is needed. The main thread runs queued work whenever it
// handles the wake-up event, and while it waits for a window lock (see
// scene::WindowMutex), so that a frame thread holding that lock and waiting in
// Run cannot deadlock with it.
class MainThread {
public:
    // Makes the calling thread the main thread.
    static void Claim();
    // Claims the calling thread unless a thread is claimed already; every window's constructor
    // calls it, so the thread that makes the first window is the main thread.
    static void ClaimIfUnclaimed();
    // True only on the claimed main thread; false everywhere before a thread is claimed.
    static bool IsCurrent();
    // Runs the task on the main thread and waits for it (at once when already there, or when no
    // thread is claimed yet).
    static void Run(const std::function<void()>& task);
    // Runs the task on the main thread without waiting (at once when already there, or when no
    // thread is claimed yet).
    static void Post(std::function<void()> task);
    // Runs every queued task; main thread only.
    static void RunPending();
    // Forgets the main thread and drops queued tasks; for tests.
    static void Reset();
};

} // namespace engine
