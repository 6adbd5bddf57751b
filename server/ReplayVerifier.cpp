#include "ReplayVerifier.hpp"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <future>

#include "server/ReplayCheck.hpp"
#include "store/ReplayFile.hpp"

namespace server {

namespace {

// How much less than the serving threads the workers are to the kernel's scheduler.
constexpr int kWorkerNiceness = 10;

} // namespace

struct ReplayVerifier::Job {
    std::string text;
    int level = kFirstLevel;
    std::int32_t score = 0;
    Deadline deadline;
    Order order;
    Done done;
    std::atomic<bool> answered{false};
};

ReplayVerifier::ReplayVerifier(int workers, std::size_t queueLimit, CheckFunction check)
    : m_check(check ? std::move(check) : CheckFunction(&CheckReplay)), m_queueLimit(std::max<std::size_t>(1, queueLimit)) {
    for (int i = 0; i < std::max(1, workers); ++i) m_threads.emplace_back([this] { Work(); });
    m_expiry = std::thread([this] { Expire(); });
}

ReplayVerifier::~ReplayVerifier() {
    std::vector<std::shared_ptr<Job>> dropped;
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
        for (const Order& order : m_queue) dropped.push_back(m_jobs[order]);
        for (const Order& order : m_queue) m_jobs.erase(order);
        m_queue.clear();
    }
    m_wake.notify_all();
    m_deadlines.notify_all();
    for (const auto& job : dropped) Answer(*job, std::nullopt);
    for (std::thread& thread : m_threads) thread.join();
    m_expiry.join();
}

std::size_t ReplayVerifier::Waiting() const {
    std::lock_guard lock(m_lock);
    return m_queue.size();
}

void ReplayVerifier::Answer(Job& job, std::optional<ReplayCheck> result) {
    if (!job.answered.exchange(true)) job.done(std::move(result));
}

std::shared_ptr<ReplayVerifier::Job> ReplayVerifier::ForgetLocked(const Order& order) {
    const auto found = m_jobs.find(order);
    if (found == m_jobs.end()) return nullptr;
    std::shared_ptr<Job> job = std::move(found->second);
    m_jobs.erase(found);
    m_queue.erase(order);
    m_byDeadline.erase({job->deadline, order});
    return job;
}

void ReplayVerifier::Submit(const std::string& text, int level, std::int32_t score, std::uint32_t frames,
                            Deadline deadline, Done done) {
    auto job = std::make_shared<Job>();
    job->text = text;
    job->level = level;
    job->score = score;
    job->deadline = deadline;
    job->done = std::move(done);
    std::shared_ptr<Job> dropped;
    {
        std::lock_guard lock(m_lock);
        job->order = {frames, m_arrivals++};
        if (m_stopping) {
            dropped = job;
        } else if (m_queue.size() >= m_queueLimit) {
            // Full: the costliest waiting check gives way to a cheaper one, never to a dearer.
            const Order costliest = *m_queue.rbegin();
            dropped = costliest < job->order ? job : ForgetLocked(costliest);
        }
        if (dropped != job) {
            m_jobs.emplace(job->order, job);
            m_queue.insert(job->order);
            m_byDeadline.insert({deadline, job->order});
            m_wake.notify_one();
            if (m_byDeadline.begin()->second == job->order) m_deadlines.notify_one();
        }
    }
    if (dropped) Answer(*dropped, std::nullopt);
}

std::optional<ReplayCheck> ReplayVerifier::Check(const std::string& text, int level, std::int32_t score,
                                                 Deadline deadline) {
    const std::optional<std::uint32_t> frames = ReplayFrames(text);
    if (!frames) return CheckReplay(text, level, score);
    std::promise<std::optional<ReplayCheck>> verdict;
    std::future<std::optional<ReplayCheck>> waited = verdict.get_future();
    Submit(std::string(store::TrimReplayText(text)), level, score, *frames, deadline,
           [&verdict](std::optional<ReplayCheck> check) { verdict.set_value(std::move(check)); });
    return waited.get();
}

void ReplayVerifier::Work() {
    // Linux gives each thread a niceness of its own.
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), kWorkerNiceness);
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) return;
        const Order order = *m_queue.begin();
        m_queue.erase(m_queue.begin());
        const std::shared_ptr<Job> job = m_jobs[order];
        lock.unlock();
        std::optional<ReplayCheck> result;
        try {
            result = m_check(job->text, job->level, job->score);
        } catch (const std::exception& e) {
            // Only want of memory; the record is kept, unverified.
            result = ReplayCheck{};
            result->reason = std::string("replay could not be checked: ") + e.what();
        }
        lock.lock();
        ForgetLocked(order);
        lock.unlock();
        Answer(*job, std::move(result));
        lock.lock();
    }
}

void ReplayVerifier::Expire() {
    std::unique_lock lock(m_lock);
    while (!m_stopping) {
        if (m_byDeadline.empty()) {
            m_deadlines.wait(lock);
            continue;
        }
        const Deadline first = m_byDeadline.begin()->first;
        if (std::chrono::steady_clock::now() < first) {
            m_deadlines.wait_until(lock, first);
            continue;
        }
        // Past its deadline: a waiting check is dropped, a running one goes on for nobody.
        std::vector<std::shared_ptr<Job>> expired;
        const auto now = std::chrono::steady_clock::now();
        while (!m_byDeadline.empty() && m_byDeadline.begin()->first <= now) {
            const Order order = m_byDeadline.begin()->second;
            m_byDeadline.erase(m_byDeadline.begin());
            if (m_queue.erase(order)) {
                expired.push_back(std::move(m_jobs[order]));
                m_jobs.erase(order);
            } else {
                expired.push_back(m_jobs[order]);
            }
        }
        lock.unlock();
        for (const auto& job : expired) Answer(*job, std::nullopt);
        lock.lock();
    }
}

} // namespace server
