#include "CloseSignals.hpp"

#include <csignal>
#include <pthread.h>
#include <thread>

#include "engine/Messages.hpp"
#include "platform/Platform.hpp"

namespace app {

namespace {

std::atomic<bool> requested{false};
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

void CloseSignals::Request() {
    requested = true;
    // Window 0 is no window: the message only makes the main loop move the sequence on.
    platform::Event wake;
    wake.kind = platform::EventKind::Posted;
    wake.code = engine::kPostedMouseMove;
    wake.window = 0;
    platform::CurrentPlatform().PostEvent(wake);
}

bool CloseSignals::TakeRequest() {
    return requested.exchange(false);
}

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
            Request();
        }
    }).detach();
}

} // namespace app
