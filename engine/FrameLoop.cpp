#include "FrameLoop.hpp"

#include <chrono>

namespace engine {

void FrameLoop::EndThread() {
    if (!m_thread.joinable()) return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

void FrameLoop::ClearStop() {
    std::lock_guard lock(m_stopMutex);
    m_stopped = false;
}

void FrameLoop::RequestStop() {
    {
        std::lock_guard lock(m_stopMutex);
        m_stopped = true;
    }
    m_stopSignal.notify_all();
}

bool FrameLoop::StopRequested() {
    std::lock_guard lock(m_stopMutex);
    return m_stopped;
}

void FrameLoop::WaitForStop(int milliseconds) {
    std::unique_lock lock(m_stopMutex);
    m_stopSignal.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_stopped; });
}

void FrameLoop::SetHeld(bool held) {
    {
        std::lock_guard lock(m_stopMutex);
        m_held = held;
    }
    m_stopSignal.notify_all();
}

bool FrameLoop::Held() {
    std::lock_guard lock(m_stopMutex);
    return m_held;
}

void FrameLoop::WaitWhileHeld() {
    std::unique_lock lock(m_stopMutex);
    m_stopSignal.wait(lock, [this] { return m_stopped || !m_held; });
}

void FrameLoop::RaiseFramesPerSecond(int fps) {
    if (fps > m_framesPerSecond) m_framesPerSecond = fps;
}

int FrameLoop::SteadyFramesPerSecond() {
    if (m_framesPerSecond <= 0) m_framesPerSecond = 1;
    return m_framesPerSecond;
}

} // namespace engine
