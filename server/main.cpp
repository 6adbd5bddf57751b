// hoopstack-leaderboard: the web server that receives the game's published scores and shows
// every level's Top 10; with `admin`, the operator's commands on its records.
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "server/Admin.hpp"
#include "server/Leaderboard.hpp"
#include "server/LeaderboardHttp.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/RateLimiter.hpp"
#include "server/ReplayVerifier.hpp"
#include "server/ServerOptions.hpp"
#include "server/TopWatcher.hpp"

namespace {

// Every connection costs a file descriptor: take all the system allows. The value is the limit.
rlim_t raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const server::Expected<server::ServerOptions> options = server::ParseServerOptions(args);
    if (!options) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n%s", options.error().c_str(), server::UsageText().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(server::UsageText().c_str(), stdout);
        return 0;
    }
    const std::string url = options->database.empty()
                                ? server::DefaultDatabaseUrl(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))
                                : options->database;

    if (options->admin) {
        server::Expected<std::unique_ptr<server::RecordStore>> store = server::OpenRecordStore(url);
        if (!store) {
            std::fprintf(stderr, "hoopstack-leaderboard: %s\n", store.error().c_str());
            return 1;
        }
        if (options->admin->action == server::AdminAction::Import)
            return server::RunImport(**store, stdin, stderr);
        if (options->admin->action == server::AdminAction::Export) {
            // Large blocks: an export writes millions of short lines.
            static char buffer[1 << 16];
            std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
            return server::RunExport(**store, stdout, stderr);
        }
        std::string out, error;
        const int code = server::RunAdmin(**store, *options->admin, out, error);
        std::fputs(out.c_str(), stdout);
        if (!error.empty()) std::fprintf(stderr, "hoopstack-leaderboard: %s\n", error.c_str());
        return code;
    }

    // The signals that end the server are taken by one thread; the serving threads, started
    // later, inherit the blocked mask.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&endSignals, s);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const rlim_t files = raiseOpenFileLimit();

    server::Expected<std::unique_ptr<server::RecordStore>> store = server::OpenRecordStore(url);
    if (!store) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", store.error().c_str());
        return 1;
    }
    (*store)->SetVerifiedOnly(options->verifiedOnly);
    server::RateLimiter limiter(options->publishesPerMinute);
    const int verifyThreads = options->verifyThreads > 0
                                  ? options->verifyThreads
                                  : int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    server::ReplayVerifier verifier(verifyThreads);
    server::Leaderboard board(**store, limiter, server::Leaderboard::SystemClock(), &verifier);
    // Other servers on the database and the operator's commands change the tables too.
    server::TopWatcher watcher(board.Tops());
    server::HttpLimits limits;
    limits.trustedProxy = options->trustedProxy;
    // Room for the database's files and connections besides the clients.
    const rlim_t reserve = 256;
    if (files > reserve) limits.maxConnections = std::min<std::size_t>(limits.maxConnections, files - reserve);
    server::LeaderboardHttp http(board, limits, options->threads);
    const server::Expected<int> port = http.Bind(options->bind, options->port);
    if (!port) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", port.error().c_str());
        return 1;
    }

    std::thread signals([&] {
        int received = 0;
        sigwait(&endSignals, &received);
        http.Stop();
    });
    const bool host6 = options->bind.find(':') != std::string::npos;
    std::printf("hoopstack-leaderboard: serving http://%s%s%s:%d/ with %s\n", host6 ? "[" : "",
                options->bind.c_str(), host6 ? "]" : "", *port, url.c_str());
    std::fflush(stdout);
    const bool served = http.Run();
    // Wakes the signal thread when serving ended for another reason.
    pthread_kill(signals.native_handle(), SIGTERM);
    signals.join();
    return served ? 0 : 1;
}
