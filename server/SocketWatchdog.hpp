#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

namespace server {

// Ends blocking calls on sockets that outlive their deadline: at the deadline the socket is
// shut down, so a library waiting on it (libpq waiting for a frozen database server) sees the
// connection end and returns an error. The socket stays open for its owner to close.
class SocketWatchdog {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    SocketWatchdog();
    ~SocketWatchdog();
    SocketWatchdog(const SocketWatchdog&) = delete;
    SocketWatchdog& operator=(const SocketWatchdog&) = delete;

    // Watches `socket` while it lives; the socket must stay open that long.
    class Watch {
    public:
        Watch(SocketWatchdog& dog, int socket, Deadline deadline);
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;
        // True when the deadline passed and the socket was shut down.
        bool Fired() const;

    private:
        SocketWatchdog& m_dog;
        std::uint64_t m_id;
    };

private:
    struct Entry {
        int socket;
        Deadline deadline;
        bool fired = false;
    };
    void Loop();

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<std::uint64_t, Entry> m_entries;
    std::uint64_t m_next = 0;
    bool m_ending = false;
    std::thread m_thread;
};

} // namespace server
