#include "platform/sdl/MessageBoxShowing.hpp"

#include <atomic>
#include <csignal>
#include <mutex>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace platform {

namespace {

std::atomic<int> showing{0};
std::atomic<pid_t> program{0};

// Runs in every child forked by the program, before anything else there.
void inForkedChild() {
    if (showing.load() == 0) return;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The program may have ended between the fork and the line above.
    if (::getppid() != program.load()) ::_exit(1);
}

} // namespace

MessageBoxShowing::MessageBoxShowing() {
    static std::once_flag installed;
    std::call_once(installed, [] { ::pthread_atfork(nullptr, nullptr, inForkedChild); });
    program = ::getpid();
    ++showing;
}

MessageBoxShowing::~MessageBoxShowing() { --showing; }

bool MessageBoxShowing::Any() { return showing.load() > 0; }

} // namespace platform
