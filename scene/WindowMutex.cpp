#include "scene/WindowMutex.hpp"

#include <atomic>
#include <condition_variable>

namespace scene {

namespace {

// Process-wide: one condition for every window lock, since the main thread may wait for any.
struct ReleaseSignal {
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t changes = 0;  // guarded by mutex
    int waiters = 0;            // guarded by mutex
    std::atomic<bool (*)()> isMainThread{nullptr};
    std::atomic<void (*)()> runPending{nullptr};
};

ReleaseSignal& signal() {
    static ReleaseSignal s;
    return s;
}

bool onMainThread() {
    bool (*isMain)() = signal().isMainThread.load();
    return isMain != nullptr && isMain();
}

} // namespace

void WindowMutex::lock() {
    if (try_lock()) return;
    if (!onMainThread()) {
        m_mutex.lock();
        ++m_depth;
        return;
    }
    WaitUntil([this] { return try_lock(); });
}

bool WindowMutex::try_lock() {
    if (!m_mutex.try_lock()) return false;
    ++m_depth;
    return true;
}

void WindowMutex::unlock() {
    const bool last = --m_depth == 0;
    m_mutex.unlock();
    // Only the outermost release can let a waiter in.
    if (last) SignalRelease();
}

void WindowMutex::SetMainThreadHooks(MainThreadHooks hooks) {
    ReleaseSignal& s = signal();
    s.isMainThread = hooks.isMainThread;
    s.runPending = hooks.runPending;
}

void WindowMutex::WakeMainThread() { SignalRelease(); }

std::uint64_t WindowMutex::BeginWait() {
    ReleaseSignal& s = signal();
    std::lock_guard lock(s.mutex);
    ++s.waiters;
    return s.changes;
}

void WindowMutex::EndWait() {
    ReleaseSignal& s = signal();
    std::lock_guard lock(s.mutex);
    --s.waiters;
}

void WindowMutex::WaitForChange(std::uint64_t seen) {
    ReleaseSignal& s = signal();
    // Work queued before this wait registered sent no signal; the thread that holds the lock
    // may be waiting for exactly that work.
    if (void (*run)() = s.runPending.load()) run();
    std::unique_lock lock(s.mutex);
    s.changed.wait(lock, [&] { return s.changes != seen; });
    --s.waiters;
}

void WindowMutex::SignalRelease() {
    ReleaseSignal& s = signal();
    std::lock_guard lock(s.mutex);
    // A waiter registers under this mutex before its attempt, so a release after a failed
    // attempt always finds it here.
    if (s.waiters == 0) return;
    ++s.changes;
    s.changed.notify_all();
}

} // namespace scene
