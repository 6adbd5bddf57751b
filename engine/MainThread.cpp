#include "MainThread.hpp"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <thread>

#include "engine/Messages.hpp"
#include "platform/Platform.hpp"
#include "scene/WindowMutex.hpp"

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
    // The main thread is either in its event wait or waiting for a window lock.
    scene::WindowMutex::WakeMainThread();
    platform::Event wake;
    wake.kind = platform::EventKind::Posted;
    wake.code = kPostedTasks;
    platform::CurrentPlatform().PostEvent(wake);
    return ticket;
}

// Only a claimed main thread runs queued work while it waits for a window lock.
bool isClaimedMainThread() {
    Queue& q = queue();
    if (!q.claimed) return false;
    std::lock_guard lock(q.mutex);
    return q.owner == std::this_thread::get_id();
}

} // namespace

void MainThread::Claim() {
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    q.owner = std::this_thread::get_id();
    q.claimed = true;
    scene::WindowMutex::SetMainThreadHooks({&isClaimedMainThread, &MainThread::RunPending});
}

void MainThread::ClaimIfUnclaimed() {
    Queue& q = queue();
    {
        std::lock_guard lock(q.mutex);
        if (q.claimed) return;
    }
    Claim();
}

bool MainThread::IsCurrent() { return isClaimedMainThread(); }

// Before any thread has claimed the main thread there is no loop to hand work to (a tool or a
// test that makes no window), so the work runs on the caller.
static bool runsInPlace() { return !queue().claimed || isClaimedMainThread(); }

void MainThread::Run(const std::function<void()>& task) {
    if (runsInPlace()) {
        task();
        return;
    }
    const unsigned long long ticket = enqueue(task);
    Queue& q = queue();
    std::unique_lock lock(q.mutex);
    q.done.wait(lock, [&] { return q.finished >= ticket; });
}

void MainThread::Post(std::function<void()> task) {
    if (runsInPlace()) {
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

void MainThread::Reset() {
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    q.tasks.clear();
    q.finished = q.queued;
    q.claimed = false;
    q.done.notify_all();
}

} // namespace engine
