#include "SocketWatchdog.hpp"

#include <sys/socket.h>

namespace server {

SocketWatchdog::SocketWatchdog() : m_thread([this] { Loop(); }) {}

SocketWatchdog::~SocketWatchdog() {
    {
        std::lock_guard lock(m_lock);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void SocketWatchdog::Loop() {
    std::unique_lock lock(m_lock);
    while (!m_ending) {
        Deadline next = Deadline::max();
        const Deadline now = std::chrono::steady_clock::now();
        for (auto& [id, entry] : m_entries) {
            if (entry.fired) continue;
            if (entry.deadline <= now) {
                ::shutdown(entry.socket, SHUT_RDWR);
                entry.fired = true;
            } else if (entry.deadline < next) {
                next = entry.deadline;
            }
        }
        if (next == Deadline::max())
            m_changed.wait(lock);
        else
            m_changed.wait_until(lock, next);
    }
}

SocketWatchdog::Watch::Watch(SocketWatchdog& dog, int socket, Deadline deadline) : m_dog(dog) {
    {
        std::lock_guard lock(m_dog.m_lock);
        m_id = m_dog.m_next++;
        m_dog.m_entries.emplace(m_id, Entry{socket, deadline});
    }
    m_dog.m_changed.notify_all();
}

SocketWatchdog::Watch::~Watch() {
    std::lock_guard lock(m_dog.m_lock);
    m_dog.m_entries.erase(m_id);
}

bool SocketWatchdog::Watch::Fired() const {
    std::lock_guard lock(m_dog.m_lock);
    const auto it = m_dog.m_entries.find(m_id);
    return it != m_dog.m_entries.end() && it->second.fired;
}

} // namespace server
