#include "TopWatcher.hpp"

#include <cstdio>

#include "server/TopCache.hpp"

namespace server {

TopWatcher::TopWatcher(TopCache& cache, std::chrono::milliseconds period)
    : m_cache(cache), m_period(period), m_thread([this] { Run(); }) {}

TopWatcher::~TopWatcher() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void TopWatcher::Run() {
    bool failing = false;
    std::unique_lock lock(m_lock);
    while (!m_stopping) {
        lock.unlock();
        const bool polled = m_cache.Poll();
        // One line when the versions become unreadable and one when they are back, not one a period.
        if (polled == failing)
            std::fprintf(stderr, "hoopstack-leaderboard: %s\n",
                         polled ? "the table versions can be read again"
                                : "cannot read the table versions: the pages show the tables as last read");
        failing = !polled;
        lock.lock();
        m_wake.wait_for(lock, m_period, [this] { return m_stopping; });
    }
}

} // namespace server
