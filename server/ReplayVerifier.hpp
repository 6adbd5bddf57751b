#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "server/RecordStore.hpp"

namespace server {

// A few worker threads that check published replays, so that neither the I/O threads nor
// the database's threads spend the CPU of a replay. The queue is bounded: a publish that
// finds it full, or whose check has not begun by its deadline, is told the server is busy
// instead of the queue growing without bound.
class ReplayVerifier {
public:
    // The check of one replay text for a report's level and score (CheckReplay by default).
    using CheckFunction = std::function<ReplayCheck(const std::string& text, int level, std::int32_t score)>;

    static constexpr std::size_t kDefaultQueue = 64;

    ReplayVerifier(int workers, std::size_t queueLimit = kDefaultQueue, CheckFunction check = {});
    // Lets the checks in progress end and drops the queued ones. No Check may be running or
    // start on another thread meanwhile: the owner stops its callers first.
    ~ReplayVerifier();
    ReplayVerifier(const ReplayVerifier&) = delete;
    ReplayVerifier& operator=(const ReplayVerifier&) = delete;

    // Checks the replay on a worker and waits for the verdict until the deadline; nothing
    // when the queue is full or the deadline passed. Text that needs no replaying (none,
    // too long, not base64url) is judged on the calling thread without queueing.
    std::optional<ReplayCheck> Check(const std::string& text, int level, std::int32_t score, Deadline deadline);

    std::size_t Workers() const { return m_threads.size(); }
    std::size_t QueueLimit() const { return m_queueLimit; }

private:
    struct Job;
    void Work();

    CheckFunction m_check;
    std::size_t m_queueLimit;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Job>> m_queue;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace server
