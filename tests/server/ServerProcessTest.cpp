// The hoopstack-leaderboard program itself: its command line, and a kill -9 in the middle of
// a stream of publishes, after which every acknowledged record is still there.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include "HttpTestSupport.hpp"
#include "ReplayGames.hpp"
#include "TestDatabase.hpp"
#include "rules/GameReplay.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/ReplayCheck.hpp"
#include "store/ScoreReport.hpp"

using namespace server;

namespace {

void expectPromptAnswers(std::vector<double> times);

// The program started with arguments; its port is read from the line it prints at start.
class ServerProcess {
public:
    // With `errorFile` the program's standard error goes there.
    explicit ServerProcess(const std::vector<std::string>& args, const std::string& errorFile = {}) {
        int out[2];
        if (::pipe(out) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            if (!errorFile.empty()) {
                const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                if (err >= 0) ::dup2(err, STDERR_FILENO);
            }
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
    pid_t Pid() const { return m_pid; }
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

// Whether the page at `path` comes to hold `text` (or, with `present` false, to lack it) soon:
// the server notices other processes' changes within a second; twice that allows for a
// loaded machine.
bool pageComesTo(TestClient& client, const std::string& path, const std::string& text, bool present) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        auto page = client.Get(path);
        if (page && page->status == 200 && (page->body.find(text) != std::string::npos) == present) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

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

TEST(ServerProxy, ForwardedJunkCountsAsTheProxyAndIsReportedOnce) {
    TestDatabase database(Backend::Sqlite);
    char errFile[] = "/tmp/hoopstack-err-XXXXXX";
    ::close(::mkstemp(errFile));
    ServerProcess server(
        {"--port", "0", "--database", database.Url(), "--trust-proxy", "127.0.0.1", "--publish-limit", "3"},
        errFile);
    ASSERT_GT(server.Port(), 0);
    const auto publish = [&](const std::string& forwarded, int score) {
        return StatusOf(
            ExchangeRaw(server.Port(), "GET /cgi-bin/gameres.pl?e=" + ReportCode(score, "1", "Jo") +
                                           " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
                                           "X-Forwarded-For: " +
                                           forwarded + "\r\n\r\n"));
    };
    // Junk of every kind shares the proxy's own allowance of three, and says so in the log once.
    EXPECT_EQ(publish("caf\xc3\xa9", 1), 200);
    EXPECT_EQ(publish("junk-1", 2), 200);
    EXPECT_EQ(publish("unknown", 3), 200);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(publish("junk-" + std::string(std::size_t(i) * 100, 'x'), 10 + i), 429);
    EXPECT_EQ(publish("192.0.2.1", 40), 200) << "a real forwarded address has its own allowance";
    EXPECT_EQ(server.Kill(SIGTERM), 0);
    std::string log;
    if (FILE* f = std::fopen(errFile, "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) log.append(buffer, n);
        std::fclose(f);
    }
    ::unlink(errFile);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("X-Forwarded-For \"caf??\""), std::string::npos) << log;
    EXPECT_EQ(log.find('\xc3'), std::string::npos) << "only printable bytes of a stranger's reach the log";
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
            TestClient client(port);
            // Until the server is gone: each record has a name of its own.
            for (int i = 0;; ++i) {
                const std::string name = "c" + std::to_string(c) + "-" + std::to_string(i);
                const std::string code = store::EncodeScoreReport(store::BuildScoreReport(i, std::to_string(1 + i % 3), name));
                auto reply = client.Get("/cgi-bin/gameres.pl?e=" + code);
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
    TestClient client(server->Port());
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

TEST_P(DurabilityTest, SigtermAnswersEveryRequestItStored) {
    SKIP_UNLESS_AVAILABLE(m_database);
    constexpr int kClients = 8;
    const std::vector<std::string> args = {"--port", "0", "--database", m_database.Url(), "--publish-limit", "0"};
    ServerProcess server(args);
    ASSERT_GT(server.Port(), 0);
    std::mutex lock;
    std::condition_variable acked;
    std::set<std::string> answered;
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c, port = server.Port()] {
            TestClient client(port, "127.0.0." + std::to_string(20 + c));
            for (int i = 0;; ++i) {
                const std::string name = "s" + std::to_string(c) + "-" + std::to_string(i);
                auto reply = client.Get("/cgi-bin/gameres.pl?e=" + store::EncodeScoreReport(store::BuildScoreReport(i, "2", name)));
                if (!reply) return;
                if (reply->status == 200 && reply->body.find("Score published") != std::string::npos) {
                    std::lock_guard guard(lock);
                    answered.insert(name);
                    acked.notify_all();
                }
            }
        });
    }
    {
        std::unique_lock guard(lock);
        acked.wait(guard, [&] { return answered.size() >= 100; });
    }
    const auto start = std::chrono::steady_clock::now();
    const int status = server.Kill(SIGTERM);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(11));
    for (std::thread& client : clients) client.join();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    auto store = OpenRecordStore(m_database.Url());
    ASSERT_TRUE(store) << store.error();
    const auto stored = (*store)->List({});
    ASSERT_TRUE(stored) << stored.error();
    std::size_t unanswered = 0;
    for (const StoredRecord& r : *stored) unanswered += answered.count(r.name) ? 0 : 1;
    EXPECT_EQ(unanswered, 0u) << "of " << stored->size() << " stored records";
}

INSTANTIATE_TEST_SUITE_P(Backends, DurabilityTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

// The operator's commands on a database the server is using.
TEST(ServerAdmin, ListsHidesShowsAndDeletesRecords) {
    TestDatabase database(Backend::Sqlite);
    const std::string db = " --database " + database.Url();
    ServerProcess server({"--port", "0", "--database", database.Url()});
    ASSERT_GT(server.Port(), 0);
    TestClient client(server.Port());
    ASSERT_EQ(client.Get("/cgi-bin/gameres.pl?e=" + store::EncodeScoreReport(store::BuildScoreReport(70, "1", "C\x9Cur")))->status, 200);
    ASSERT_EQ(client.Get("/cgi-bin/gameres.pl?e=" + store::EncodeScoreReport(store::BuildScoreReport(90, "1", "Forger")))->status, 200);
    ASSERT_EQ(client.Get("/cgi-bin/gameres.pl?e=" + store::EncodeScoreReport(store::BuildScoreReport(80, "2", "Cy")))->status, 200);

    const Outcome list = run("admin list --level 1" + db);
    EXPECT_EQ(list.exitCode, 0) << list.err;
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = list.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(list.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), 2u) << list.out;
    // id TAB level TAB score TAB name TAB date TAB state
    EXPECT_NE(lines[0].find("\t1\t90\tForger\t"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].size() - 6), "\tshown");
    EXPECT_NE(lines[1].find("\t70\tCœur\t"), std::string::npos) << lines[1];
    EXPECT_EQ(std::count(lines[1].begin(), lines[1].end(), '\t'), 5);
    const std::string forger = lines[0].substr(0, lines[0].find('\t'));

    // The server's pages are read before the operator's commands: they change tables it holds.
    EXPECT_NE(client.Get("/level/1")->body.find("Forger"), std::string::npos);
    EXPECT_NE(client.Get("/api/top?level=1")->body.find("Forger"), std::string::npos);
    EXPECT_EQ(run("admin hide " + forger + db).exitCode, 0);
    EXPECT_NE(run("admin list --name Forger" + db).out.find("\thidden"), std::string::npos);
    EXPECT_TRUE(pageComesTo(client, "/level/1", "Forger", false));
    EXPECT_TRUE(pageComesTo(client, "/api/top?level=1", "Forger", false));
    EXPECT_TRUE(pageComesTo(client, "/", "Forger", false));
    EXPECT_EQ(run("admin unhide " + forger + db).exitCode, 0);
    EXPECT_TRUE(pageComesTo(client, "/level/1", "Forger", true));
    EXPECT_EQ(run("admin delete " + forger + db).exitCode, 0);
    EXPECT_TRUE(pageComesTo(client, "/", "Forger", false));
    EXPECT_EQ(run("admin list" + db).out.find("Forger"), std::string::npos);
    const Outcome missing = run("admin delete " + forger + db);
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_NE(missing.err.find("no record has the id"), std::string::npos);
}

// The operator sees why a record is unverified; a server ranking verified games only lists
// the verified one and keeps the rest.
TEST(ServerAdmin, ListsVerificationAndServesVerifiedOnlyTables) {
    const std::optional<PlayedGame> game = PlayGame(1, 31);
    ASSERT_TRUE(game);
    ASSERT_GT(game->score, 0);
    TestDatabase database(Backend::Sqlite);
    const std::string db = " --database " + database.Url();
    ServerProcess server({"--port", "0", "--database", database.Url(), "--verified-only", "--verify-threads", "1"});
    ASSERT_GT(server.Port(), 0);
    TestClient client(server.Port());
    ASSERT_EQ(client.Get("/cgi-bin/gameres.pl?e=" + ReportCode(game->score, 1, "Ann") + "&r=" + game->replay)->status, 200);
    ASSERT_EQ(client.Get("/cgi-bin/gameres.pl?e=" + ReportCode(game->score + 100, 1, "Liar") + "&r=" + game->replay)->status, 200);
    ASSERT_EQ(client.Get("/cgi-bin/gameres.pl?e=" + ReportCode(0, 1, "Plain"))->status, 200);
    auto json = client.Get("/api/top?level=1");
    ASSERT_TRUE(json);
    EXPECT_NE(json->body.find("\"name\":\"Ann\""), std::string::npos) << json->body;
    EXPECT_EQ(json->body.find("Liar"), std::string::npos);
    EXPECT_EQ(json->body.find("Plain"), std::string::npos);

    // The list keeps its six fields; --verification adds two.
    const Outcome plain = run("admin list" + db);
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    const Outcome list = run("admin list --verification" + db);
    EXPECT_EQ(list.exitCode, 0) << list.err;
    std::vector<std::string> lines, plainLines;
    for (std::size_t at = 0, end; (end = list.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(list.out.substr(at, end - at));
    for (std::size_t at = 0, end; (end = plain.out.find('\n', at)) != std::string::npos; at = end + 1)
        plainLines.push_back(plain.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), 3u) << list.out;
    ASSERT_EQ(plainLines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(std::count(plainLines[i].begin(), plainLines[i].end(), '\t'), 5) << plainLines[i];
        EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), '\t'), 7) << lines[i];
        EXPECT_EQ(lines[i].rfind(plainLines[i] + "\t", 0), 0u) << lines[i];
    }
    EXPECT_NE(lines[0].find("\tLiar\t"), std::string::npos);
    EXPECT_NE(lines[0].find("\tshown\tunverified\tthe replayed game scores "), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\tAnn\t"), std::string::npos);
    EXPECT_EQ(lines[1].substr(lines[1].size() - 10), "\tverified\t") << lines[1];
    EXPECT_NE(lines[2].find("\tPlain\t"), std::string::npos);
    EXPECT_EQ(lines[2].substr(lines[2].size() - 21), "\tunverified\tno replay") << lines[2];
}

// A board from before game identities, checked again while a server serves it: the padded
// copy leaves the verified-only table of the running server, and a second run changes nothing.
TEST(ServerAdmin, ReverifyRunsBesideTheServerAndItsPagesFollow) {
    const std::optional<PlayedGame> game = PlayGame(1, 31);
    ASSERT_TRUE(game);
    ASSERT_TRUE(CheckReplay(game->replay, game->level, game->score).verified);
    TestDatabase database(Backend::Sqlite);
    {
        auto store = OpenRecordStore(database.Url());
        ASSERT_TRUE(store) << store.error();
        const std::string padded = ChangedReplay(game->replay, [](rules::GameReplay& r) { r.ticks += 3; });
        for (const auto& [replay, name] :
             std::vector<std::pair<std::string, std::string>>{{game->replay, "Ann"}, {padded, "Padder"}}) {
            NewRecord r;
            r.level = 1;
            r.score = game->score;
            r.name = name;
            r.report = name;
            r.check.verified = true;
            r.check.reason.clear();
            r.check.replay = replay;
            r.check.replayHash = Sha256Hex(rules::ReplayBytes(*rules::DecodeReplay(replay)));
            r.check.board = CheckReplay(game->replay, 1, game->score).board;
            ASSERT_TRUE((*store)->Publish(r)) << name;
        }
    }
    ServerProcess server({"--port", "0", "--database", database.Url(), "--verified-only"});
    ASSERT_GT(server.Port(), 0);
    TestClient client(server.Port());
    ASSERT_NE(client.Get("/api/top?level=1")->body.find("Padder"), std::string::npos);

    const Outcome first = run("--database " + database.Url() + " admin reverify");
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out,
              "reverified 2 records: 1 still verified, 1 now unverified (1 not faithful, 0 the same "
              "game as an earlier record)\n");
    EXPECT_EQ(first.err, "");
    EXPECT_TRUE(pageComesTo(client, "/api/top?level=1", "Padder", false));
    EXPECT_TRUE(pageComesTo(client, "/level/1", "Padder", false));
    EXPECT_NE(client.Get("/api/top?level=1")->body.find("Ann"), std::string::npos);
    const Outcome list = run("admin list --verification --database " + database.Url());
    EXPECT_NE(list.out.find("\tPadder\t"), std::string::npos);
    EXPECT_NE(list.out.find("\tunverified\tthe replay goes on for 3 frames after its game ended"),
              std::string::npos)
        << list.out;

    const Outcome second = run("admin reverify --database " + database.Url());
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out.rfind("reverified 1 records: 1 still verified, 0 now unverified (0 not faithful", 0),
              0u)
        << second.out;

    const Outcome help = run("admin reverify --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("before game identities"), std::string::npos);
    const Outcome broken = run("admin reverify --database sqlite:///proc/none/x.db");
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_EQ(broken.err.rfind("hoopstack-leaderboard: ", 0), 0u) << broken.err;
    EXPECT_EQ(broken.out, "");
}

// Another process holds the SQLite file's write lock: pages are answered at once, publishes
// give up with 503 after five seconds, and publish again once the lock is gone.
TEST(ServerFaults, ASqliteWriterElsewhereDelaysNoPageAndPublishesEndIn503) {
    TestDatabase database(Backend::Sqlite);
    ServerProcess server({"--port", "0", "--database", database.Url(), "--publish-limit", "0"});
    ASSERT_GT(server.Port(), 0);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(database.Url().substr(9).c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    std::atomic<int> refused{0}, slowest{0};
    std::vector<std::thread> publishers;
    for (int i = 0; i < 64; ++i) {
        publishers.emplace_back([&, i] {
            TestClient client(server.Port(), "127.0.0." + std::to_string(30 + i % 8));
            const auto start = std::chrono::steady_clock::now();
            auto reply = client.Get("/cgi-bin/gameres.pl?e=" +
                                    store::EncodeScoreReport(store::BuildScoreReport(i, "1", "w" + std::to_string(i))));
            const int ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
            if (reply && reply->status == 503) ++refused;
            int seen = slowest;
            while (ms > seen && !slowest.compare_exchange_weak(seen, ms)) {
            }
        });
    }
    TestClient reader(server.Port(), "127.0.0.2");
    std::vector<double> times;
    for (int i = 0; i < 20; ++i) {
        const auto start = std::chrono::steady_clock::now();
        auto page = reader.Get(i % 2 ? "/level/1" : "/");
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // Pages that waited for the writer would take the publishes' five seconds.
    expectPromptAnswers(times);
    for (std::thread& t : publishers) t.join();
    EXPECT_EQ(refused, 64);
    EXPECT_LT(slowest, 7000);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(reader.Get("/cgi-bin/gameres.pl?e=" + store::EncodeScoreReport(store::BuildScoreReport(1, "1", "after")))->status, 200);
}

// Raises this process's open-file limit to the hard limit; the value is the new limit.
rlim_t openFileLimit() {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ::getrlimit(RLIMIT_NOFILE, &limit);
    return limit.rlim_cur;
}

std::size_t residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::strtoul(line.c_str() + 6, nullptr, 10);
    return 0;
}

// Starved clients wait for the attackers' deadlines (10 s) or get no answer at all; a busy
// machine (sanitizers, parallel builds) only delays some answers a little. So: nine in ten
// answers within a second, and every one well before the request deadline.
void expectPromptAnswers(std::vector<double> times) {
    ASSERT_GE(times.size(), 10u);
    std::sort(times.begin(), times.end());
    EXPECT_LT(times[times.size() * 9 / 10 - 1], 1.0) << "the 90th percentile, in seconds";
    EXPECT_LT(times.back(), 5.0) << "the slowest of " << times.size() << " answers, in seconds";
}

// A probe's answer time, in seconds; a large value when it did not come.
double probe(int port) {
    const auto start = std::chrono::steady_clock::now();
    TestClient client(port, "127.0.0.2");
    auto reply = client.Get("/api/top?level=1");
    if (!reply || reply->status != 200) return 99;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(ServerLoad, TenThousandIdleConnectionsAreHeldAndOthersStillServed) {
    constexpr int kIdle = 10'000;
    if (openFileLimit() < kIdle + 200) GTEST_SKIP() << "the open-file limit is below " << kIdle + 200;
    TestDatabase database(Backend::Sqlite);
    ServerProcess server({"--port", "0", "--database", database.Url()});
    ASSERT_GT(server.Port(), 0);
    std::vector<int> idle;
    for (int i = 0; i < kIdle; ++i) {
        // Spread over loopback addresses: the cap per client address is 256.
        const std::string from = "127.0.1." + std::to_string(1 + i / 200);
        const int fd = ConnectLoopback(server.Port(), from.c_str());
        if (fd < 0) break;
        idle.push_back(fd);
    }
    ASSERT_EQ(idle.size(), std::size_t(kIdle));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::vector<double> times;
    for (int i = 0; i < 20; ++i) times.push_back(probe(server.Port()));
    expectPromptAnswers(times);
    // Held: none of them was closed by the server meanwhile.
    std::size_t closed = 0;
    for (const int fd : idle) {
        pollfd p{fd, POLLIN, 0};
        closed += ::poll(&p, 1, 0) > 0 ? 1 : 0;
    }
    EXPECT_EQ(closed, 0u);
    const std::size_t kib = residentKiB(server.Pid());
    EXPECT_GT(kib, 0u);
    EXPECT_LT(kib, 200u * 1024) << "resident memory with " << kIdle << " idle connections";
    RecordProperty("resident_kib", int(kib));
    for (const int fd : idle) ::close(fd);
}

TEST(ServerLoad, ThreeHundredSlowClientsStarveNobody) {
    if (openFileLimit() < 400) GTEST_SKIP() << "the open-file limit is too low";
    TestDatabase database(Backend::Sqlite);
    ServerProcess server({"--port", "0", "--database", database.Url()});
    ASSERT_GT(server.Port(), 0);
    constexpr int kSlow = 300;
    std::atomic<bool> done{false};
    // Each slow client sends a head a byte a second and never finishes it; when the server
    // cuts it off at the request deadline it comes back at once.
    std::thread attack([&] {
        const std::string head = "GET / HTTP/1.1\r\nHost: x\r\nX-Slow: " + std::string(200, 'a');
        std::vector<int> fds(kSlow, -1);
        std::vector<std::size_t> sent(kSlow, 0);
        while (!done) {
            for (int i = 0; i < kSlow; ++i) {
                if (fds[i] < 0) {
                    fds[i] = ConnectLoopback(server.Port(), ("127.0.2." + std::to_string(1 + i / 100)).c_str());
                    sent[i] = 0;
                }
                if (fds[i] >= 0 && ::send(fds[i], head.data() + sent[i] % head.size(), 1, MSG_NOSIGNAL | MSG_DONTWAIT) != 1) {
                    ::close(fds[i]);
                    fds[i] = -1;
                } else {
                    ++sent[i];
                }
            }
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        for (const int fd : fds)
            if (fd >= 0) ::close(fd);
    });
    std::vector<double> times;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
        times.push_back(probe(server.Port()));
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    done = true;
    attack.join();
    expectPromptAnswers(times);
}

} // namespace
