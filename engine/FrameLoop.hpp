#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace engine {

// A window's frame thread and its pace: the thread, the stop signal that ends its loop and
// cuts its sleep short, the frame rate and the count of frames run. It runs whatever body it
// is started with and knows nothing of windows.
class FrameLoop {
public:
    // False leaves the frames to the caller (see OWindow::RunFrame), for deterministic tests.
    void SetThreaded(bool threaded) { m_threaded = threaded; }
    bool Threaded() const { return m_threaded; }
    // True once a thread was started, until EndThread.
    bool HasThread() const { return m_thread.joinable(); }
    template <class Body>
    void StartThread(Body body) {
        m_thread = std::thread(std::move(body));
    }
    // Joins the thread, or detaches it when called on the thread itself.
    void EndThread();

    // Clears the stop signal (Start); RequestStop sets it and wakes a sleeping thread.
    void ClearStop();
    void RequestStop();
    bool StopRequested();
    // Sleeps until the time has passed or a stop is requested.
    void WaitForStop(int milliseconds);
    // While held the thread runs no frame: it sleeps, without waking on its own, until the
    // hold is let go or a stop is requested.
    void SetHeld(bool held);
    bool Held();
    void WaitWhileHeld();

    int FramesPerSecond() const { return m_framesPerSecond; }
    void SetFramesPerSecond(int fps) { m_framesPerSecond = fps; }
    // Raises the rate to `fps` when that is higher; it is never lowered by this.
    void RaiseFramesPerSecond(int fps);
    // The rate, made at least 1 first.
    int SteadyFramesPerSecond();

    void CountFrame() { ++m_framesRun; }
    std::uint64_t FramesRun() const { return m_framesRun; }

private:
    bool m_threaded = true;               // fixed once the window is reachable
    std::thread m_thread;                 // guarded by the window's lock until the window is destroyed
    std::mutex m_stopMutex;               // leaf lock for m_stopped and m_stopSignal
    std::condition_variable m_stopSignal; // used with m_stopMutex
    bool m_stopped = false;               // guarded by m_stopMutex
    bool m_held = false;                  // guarded by m_stopMutex
    // Atomic: set from any thread (AddObject, derived windows); read by the frame thread.
    std::atomic<int> m_framesPerSecond{50};
    std::atomic<std::uint64_t> m_framesRun{0}; // atomic: counted by the frame thread, read by tests
};

} // namespace engine
