#include "CloseSignals.hpp"

#include <csignal>
#include <pthread.h>
#include <thread>

#include "engine/MessageLoop.hpp"
#include "engine/Messages.hpp"
#include "platform/Platform.hpp"

namespace app {

namespace {

std::atomic<std::uint32_t> target{0};
std::atomic<bool (*)()> busyCheck{nullptr};
std::atomic<void (*)()> endAtOnce{nullptr};

sigset_t closeSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

void CloseSignals::Block() {
    const sigset_t set = closeSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void CloseSignals::SetTarget(std::uint32_t platformWindow) { target = platformWindow; }

std::uint32_t CloseSignals::Target() { return target; }

void CloseSignals::EndAtOnceWhile(bool (*busy)(), void (*endNow)()) {
    endAtOnce = endNow;
    busyCheck = busy;
}

void CloseSignals::Watch() {
    std::thread([] {
        const sigset_t set = closeSignals();
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0) continue;
            // A posted close would wait behind the message box until somebody dismisses it.
            const auto busy = busyCheck.load();
            const auto end = endAtOnce.load();
            if (busy && end && busy()) end();
            if (const std::uint32_t window = target.load()) {
                platform::Event close;
                close.kind = platform::EventKind::Posted;
                close.code = engine::kPostedClose;
                close.window = window;
                platform::CurrentPlatform().PostEvent(close);
            } else {
                engine::PostQuit(0);
            }
        }
    }).detach();
}

} // namespace app
