#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "server/RecordStore.hpp"

namespace server {

// A few worker threads that check published replays, so that neither the I/O threads nor
// the database's threads spend the CPU of a replay, and nobody waits for a check in a
// thread: a check is submitted with what to do once it is done. The cheapest waiting check
// (the fewest frames to play) begins first, so real games are never stuck behind costly
// replays; the queue is bounded, and a full one makes room for a cheaper check by dropping
// its costliest. A check not done by its deadline is answered with nothing then (one begun
// goes on for nobody). The workers run at a lower
// priority than the rest of the server, so that pages stay prompt while they are busy.
class ReplayVerifier {
public:
    // The check of one replay text for a report's level and score (CheckReplay by default).
    using CheckFunction = std::function<ReplayCheck(const std::string& text, int level, std::int32_t score)>;
    // Called exactly once per submitted check, on a worker or the submitting thread, never
    // under the verifier's lock: the verdict, or nothing when the check was dropped (queue
    // full of cheaper checks, deadline passed, verifier stopping).
    using Done = std::function<void(std::optional<ReplayCheck>)>;

    static constexpr std::size_t kDefaultQueue = 64;

    ReplayVerifier(int workers, std::size_t queueLimit = kDefaultQueue, CheckFunction check = {});
    // Lets the checks in progress end and drops the queued ones. No Submit may be running or
    // start on another thread meanwhile: the owner stops its callers first.
    ~ReplayVerifier();
    ReplayVerifier(const ReplayVerifier&) = delete;
    ReplayVerifier& operator=(const ReplayVerifier&) = delete;

    // Queues the check of a replay that plays `frames` frames (ReplayFrames).
    void Submit(const std::string& text, int level, std::int32_t score, std::uint32_t frames,
                Deadline deadline, Done done);
    // Checks the text and waits for the verdict until the deadline; nothing when it was
    // dropped. Text that needs no playing is judged at once on the calling thread.
    std::optional<ReplayCheck> Check(const std::string& text, int level, std::int32_t score, Deadline deadline);

    std::size_t Workers() const { return m_threads.size(); }
    std::size_t QueueLimit() const { return m_queueLimit; }
    std::size_t Waiting() const;

private:
    struct Job;
    // Cheapest first, then first come.
    using Order = std::pair<std::uint64_t, std::uint64_t>;
    void Work();
    void Expire();
    // Gives the job its answer unless it has one; never under the lock.
    static void Answer(Job& job, std::optional<ReplayCheck> result);
    // Forgets a job, waiting or running; the lock is held.
    std::shared_ptr<Job> ForgetLocked(const Order& order);

    CheckFunction m_check;
    std::size_t m_queueLimit;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_deadlines;
    // Every job not answered yet; the waiting ones in order; all of them by deadline.
    std::map<Order, std::shared_ptr<Job>> m_jobs;
    std::set<Order> m_queue;
    std::set<std::pair<Deadline, Order>> m_byDeadline;
    std::uint64_t m_arrivals = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
    std::thread m_expiry;
};

} // namespace server
