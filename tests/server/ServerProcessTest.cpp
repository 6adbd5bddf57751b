// The hoopstack-leaderboard program itself: its command line, and a kill -9 in the middle of
// a stream of publishes, after which every acknowledged record is still there.
#include <gtest/gtest.h>
#include <httplib.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include "TestDatabase.hpp"
#include "server/OpenRecordStore.hpp"
#include "store/ScoreReport.hpp"

using namespace server;

namespace {

// The program started with arguments; its port is read from the line it prints at start.
class ServerProcess {
public:
    explicit ServerProcess(const std::vector<std::string>& args) {
        int out[2];
        if (::pipe(out) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            static std::string program = HOOPSTACK_LEADERBOARD;
            argv.push_back(program.data());
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') line.push_back(c);
        ::close(out[0]);
        const std::size_t colon = line.rfind(':', line.find("/ with"));
        if (colon != std::string::npos) m_port = std::atoi(line.c_str() + colon + 1);
    }
    ~ServerProcess() { Kill(SIGKILL); }

    int Port() const { return m_port; }
    // Sends the signal and waits for the end; the exit status, or -1.
    int Kill(int signal) {
        if (m_pid <= 0) return -1;
        ::kill(m_pid, signal);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = 0;
        return status;
    }

private:
    pid_t m_pid = 0;
    int m_port = 0;
};

struct Outcome {
    int exitCode;
    std::string out, err;
};

Outcome run(const std::string& args) {
    char outFile[] = "/tmp/hoopstack-out-XXXXXX";
    char errFile[] = "/tmp/hoopstack-err-XXXXXX";
    ::close(::mkstemp(outFile));
    ::close(::mkstemp(errFile));
    const int status = std::system((std::string(HOOPSTACK_LEADERBOARD) + " " + args + " >" + outFile + " 2>" + errFile).c_str());
    auto slurp = [](const char* path) {
        std::string text;
        if (FILE* f = std::fopen(path, "rb")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
            std::fclose(f);
        }
        ::unlink(path);
        return text;
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(outFile), slurp(errFile)};
}

TEST(ServerCommandLine, BadOptionsGiveOneLineAndTheUsageWithCode2) {
    for (const char* args : {"--nonsense", "--port 99999", "--port", "--database /tmp/x.db", "stray"}) {
        const Outcome outcome = run(args);
        EXPECT_EQ(outcome.exitCode, 2) << args;
        EXPECT_EQ(outcome.err.rfind("hoopstack-leaderboard: ", 0), 0u) << args;
        const std::string usage = outcome.err.substr(outcome.err.find('\n') + 1);
        EXPECT_EQ(usage.rfind("usage: hoopstack-leaderboard", 0), 0u) << args;
        EXPECT_TRUE(outcome.out.empty());
    }
}

TEST(ServerCommandLine, HelpPrintsTheUsage) {
    const Outcome outcome = run("--help");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out.rfind("usage: hoopstack-leaderboard", 0), 0u);
    EXPECT_NE(outcome.out.find("--publish-limit"), std::string::npos);
}

TEST(ServerCommandLine, ADatabaseThatCannotBeOpenedEndsWithCode1) {
    const Outcome outcome = run("--port 0 --database sqlite:///proc/none/x.db");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("/proc/none"), std::string::npos);
}

TEST(ServerCommandLine, EndsInOrderOnSigterm) {
    TestDatabase database(Backend::Sqlite);
    ServerProcess server({"--port", "0", "--database", database.Url()});
    ASSERT_GT(server.Port(), 0);
    const int status = server.Kill(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

class DurabilityTest : public ::testing::TestWithParam<Backend> {
protected:
    TestDatabase m_database{GetParam()};
};

TEST_P(DurabilityTest, EveryAcknowledgedPublishSurvivesKillMinus9) {
    SKIP_UNLESS_AVAILABLE(m_database);
    constexpr int kClients = 4;
    constexpr std::size_t kAcksBeforeKill = 150;
    const std::vector<std::string> args = {"--port", "0", "--database", m_database.Url(), "--publish-limit", "0"};
    auto server = std::make_unique<ServerProcess>(args);
    ASSERT_GT(server->Port(), 0);

    std::mutex lock;
    std::condition_variable acked;
    std::set<std::string> acknowledged;
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c, port = server->Port()] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_connection_timeout(10);
            client.set_read_timeout(10);
            // Until the server is gone: each record has a name of its own.
            for (int i = 0;; ++i) {
                const std::string name = "c" + std::to_string(c) + "-" + std::to_string(i);
                const std::string code = store::EncodeScoreReport(store::BuildScoreReport(i, std::to_string(1 + i % 3), name));
                auto reply = client.Get(("/cgi-bin/gameres.pl?e=" + code).c_str());
                if (!reply) return;
                if (reply->status == 200 && reply->body.find("Score published") != std::string::npos) {
                    std::lock_guard guard(lock);
                    acknowledged.insert(name);
                    acked.notify_all();
                }
            }
        });
    }
    {
        std::unique_lock guard(lock);
        acked.wait(guard, [&] { return acknowledged.size() >= kAcksBeforeKill; });
    }
    server->Kill(SIGKILL);
    for (std::thread& client : clients) client.join();

    // Restarted on the same database, the server serves again ...
    server = std::make_unique<ServerProcess>(args);
    ASSERT_GT(server->Port(), 0);
    httplib::Client client("127.0.0.1", server->Port());
    auto top = client.Get("/api/top?level=1");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->status, 200);
    server->Kill(SIGTERM);

    // ... and every acknowledged record is there.
    auto store = OpenRecordStore(m_database.Url());
    ASSERT_TRUE(store) << store.error();
    std::set<std::string> found;
    for (int level = 1; level <= 3; ++level) {
        const Expected<std::vector<RankedRecord>> rows = (*store)->Top(level, 1, 1'000'000);
        ASSERT_TRUE(rows) << rows.error();
        for (const RankedRecord& r : *rows) found.insert(r.name);
    }
    std::size_t missing = 0;
    for (const std::string& name : acknowledged) missing += found.count(name) ? 0 : 1;
    EXPECT_EQ(missing, 0u) << "of " << acknowledged.size() << " acknowledged records";
    EXPECT_GE(found.size(), acknowledged.size());
}

INSTANTIATE_TEST_SUITE_P(Backends, DurabilityTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return std::string(BackendName(info.param)); });

} // namespace
