#include "ReplayVerifier.hpp"

#include <algorithm>
#include <exception>

#include "server/ReplayCheck.hpp"
#include "store/ReplayFile.hpp"

namespace server {

// One queued check; shared by the waiting caller and the worker, so either may leave first.
struct ReplayVerifier::Job {
    std::string text;
    int level = kFirstLevel;
    std::int32_t score = 0;
    bool started = false;
    bool abandoned = false;
    std::optional<ReplayCheck> result;
    std::condition_variable done;
};

ReplayVerifier::ReplayVerifier(int workers, std::size_t queueLimit, CheckFunction check)
    : m_check(check ? std::move(check) : CheckFunction(&CheckReplay)), m_queueLimit(std::max<std::size_t>(1, queueLimit)) {
    for (int i = 0; i < std::max(1, workers); ++i) m_threads.emplace_back([this] { Work(); });
}

ReplayVerifier::~ReplayVerifier() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
        for (const auto& job : m_queue) job->done.notify_all();
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) thread.join();
}

std::optional<ReplayCheck> ReplayVerifier::Check(const std::string& text, int level, std::int32_t score,
                                                 Deadline deadline) {
    const std::string_view trimmed = store::TrimReplayText(text);
    if (trimmed.empty() || trimmed.size() > kMaxStoredReplay || !IsReplayText(trimmed))
        return CheckReplay(trimmed, level, score);
    auto job = std::make_shared<Job>();
    job->text = std::string(trimmed);
    job->level = level;
    job->score = score;
    std::unique_lock lock(m_lock);
    if (m_stopping || m_queue.size() >= m_queueLimit) return std::nullopt;
    m_queue.push_back(job);
    m_wake.notify_one();
    if (!job->done.wait_until(lock, deadline, [&] { return job->result.has_value() || m_stopping; })) {
        // Not done in time: the worker drops it unbegun, or finishes it for nobody.
        job->abandoned = true;
        if (!job->started) m_queue.erase(std::find(m_queue.begin(), m_queue.end(), job));
        return std::nullopt;
    }
    return job->result;
}

void ReplayVerifier::Work() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) return;
        std::shared_ptr<Job> job = std::move(m_queue.front());
        m_queue.pop_front();
        job->started = true;
        lock.unlock();
        ReplayCheck result;
        try {
            result = m_check(job->text, job->level, job->score);
        } catch (const std::exception& e) {
            // Only want of memory; the record is kept, unverified.
            result.reason = std::string("replay could not be checked: ") + e.what();
        }
        lock.lock();
        job->result = std::move(result);
        job->done.notify_all();
    }
}

} // namespace server
