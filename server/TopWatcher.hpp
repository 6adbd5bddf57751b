#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace server {

class TopCache;

// A thread that asks the database for the table versions every period and has the cache read
// again the levels that other writers (another server on the same database, the operator's
// commands) changed. It stops when destroyed, within a period at most, plus a database read
// already under way, which is bounded as every read is.
class TopWatcher {
public:
    static constexpr std::chrono::milliseconds kPeriod{250};

    explicit TopWatcher(TopCache& cache, std::chrono::milliseconds period = kPeriod);
    ~TopWatcher();
    TopWatcher(const TopWatcher&) = delete;
    TopWatcher& operator=(const TopWatcher&) = delete;

private:
    void Run();

    TopCache& m_cache;
    const std::chrono::milliseconds m_period;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;  // last: starts once the members above are ready
};

} // namespace server
