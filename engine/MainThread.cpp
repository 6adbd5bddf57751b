#include "MainThread.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <thread>

#include "engine/Messages.hpp"
#include "platform/Platform.hpp"

namespace engine {
namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable done;
    std::deque<std::function<void()>> tasks;
    unsigned long long finished = 0;  // tasks run so far, for Run's wait
    unsigned long long queued = 0;
    std::atomic<bool> claimed{false};
    std::thread::id owner;
};

Queue& queue() {
    static Queue q;
    return q;
}

unsigned long long enqueue(std::function<void()> task) {
    Queue& q = queue();
    unsigned long long ticket;
    {
        std::lock_guard lock(q.mutex);
        q.tasks.push_back(std::move(task));
        ticket = ++q.queued;
    }
    platform::Event wake;
    wake.kind = platform::EventKind::Posted;
    wake.code = kPostedTasks;
    platform::CurrentPlatform().PostEvent(wake);
    return ticket;
}

} // namespace

void MainThread::Claim() {
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    q.owner = std::this_thread::get_id();
    q.claimed = true;
}

bool MainThread::IsCurrent() {
    Queue& q = queue();
    if (!q.claimed) return true;
    std::lock_guard lock(q.mutex);
    return q.owner == std::this_thread::get_id();
}

void MainThread::Run(const std::function<void()>& task) {
    if (IsCurrent()) {
        task();
        return;
    }
    const unsigned long long ticket = enqueue(task);
    Queue& q = queue();
    std::unique_lock lock(q.mutex);
    q.done.wait(lock, [&] { return q.finished >= ticket; });
}

void MainThread::Post(std::function<void()> task) {
    if (IsCurrent()) {
        task();
        return;
    }
    enqueue(std::move(task));
}

void MainThread::RunPending() {
    Queue& q = queue();
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(q.mutex);
            if (q.tasks.empty()) return;
            task = std::move(q.tasks.front());
            q.tasks.pop_front();
        }
        task();
        {
            std::lock_guard lock(q.mutex);
            ++q.finished;
        }
        q.done.notify_all();
    }
}

void MainThread::Lock(std::recursive_mutex& lock) {
    // A frame thread may hold this lock while it waits in Run for us, so run
    // its work between short attempts instead of blocking outright.
    while (!lock.try_lock()) {
        RunPending();
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

void MainThread::Reset() {
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    q.tasks.clear();
    q.finished = q.queued;
    q.claimed = false;
    q.done.notify_all();
}

} // namespace engine
