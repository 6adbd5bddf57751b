// PostgreSQL failing under the leaderboard: a restart under load costs no request made after
// it an error (dead pooled connections are replaced before use), and a frozen server ends
// every call at its deadline instead of holding it forever. Runs on a throw-away PostgreSQL
// of its own, as it stops and freezes it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "server/OpenRecordStore.hpp"
#include "server/PostgresRecordStore.hpp"

using namespace server;
using Clock = std::chrono::steady_clock;

namespace {

class PostgresFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_state = ::testing::TempDir() + "hoopstack-fault-pg-" + std::to_string(::getpid());
        if (Script("start") != 0) GTEST_SKIP() << "the throw-away PostgreSQL does not start";
        std::ifstream state(m_state);
        if (!std::getline(state, m_url) || m_url.empty()) GTEST_SKIP() << "no PostgreSQL binaries";
        auto opened = OpenRecordStore(m_url);
        ASSERT_TRUE(opened) << opened.error();
        m_store = std::move(*opened);
    }
    void TearDown() override {
        Script("thaw");
        m_store.reset();
        Script("stop");
    }
    int Script(const std::string& command) {
        const std::string line = "env -u HOOPSTACK_TEST_POSTGRES_URL " HOOPSTACK_THROWAWAY_POSTGRES " " + command + " " +
                                 m_state + " >/dev/null";
        return std::system(line.c_str());
    }
    static NewRecord Record(int n) {
        NewRecord r;
        r.level = 1 + n % 3;
        r.score = n;
        r.name = "load-" + std::to_string(n);
        r.report = std::to_string(n) + "\t" + std::to_string(r.level) + "\t" + r.name;
        r.receivedAt = 1000 + n;
        return r;
    }

    std::string m_state, m_url;
    std::unique_ptr<RecordStore> m_store;
};

TEST_F(PostgresFaultTest, ARestartCostsNoLaterRequestAnError) {
    // Load from 20 threads; the value is the number of failed calls.
    std::atomic<int> counter{0};
    const auto load = [&](std::chrono::seconds length) {
        std::atomic<int> failed{0};
        std::vector<std::thread> threads;
        const Clock::time_point end = Clock::now() + length;
        for (int t = 0; t < 20; ++t) {
            threads.emplace_back([&, t] {
                while (Clock::now() < end) {
                    const bool ok = t % 2 ? bool(m_store->Publish(Record(counter++))) : bool(m_store->Top(1, 1, 10));
                    failed += ok ? 0 : 1;
                }
            });
        }
        for (std::thread& t : threads) t.join();
        return failed.load();
    };
    // The pool fills with its sixteen connections, which the restart then kills while idle.
    ASSERT_EQ(load(std::chrono::seconds(1)), 0);
    ASSERT_EQ(Script("restart"), 0);
    const int before = counter;
    EXPECT_EQ(load(std::chrono::seconds(2)), 0);
    EXPECT_GT(counter - before, 20);
}

TEST_F(PostgresFaultTest, AFrozenServerEndsEveryCallAtItsDeadline) {
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(m_store->Top(1, 1, 10));
    ASSERT_EQ(Script("freeze"), 0);
    std::atomic<int> failed{0};
    std::atomic<long> slowestMs{0};
    std::vector<std::thread> calls;
    for (int i = 0; i < 24; ++i) {
        calls.emplace_back([&, i] {
            const Clock::time_point start = Clock::now();
            const bool ok = i % 2 ? bool(m_store->Publish(Record(i), start + std::chrono::seconds(2)))
                                  : bool(m_store->Top(1, 1, 10));
            const long ms = long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
            failed += ok ? 0 : 1;
            long seen = slowestMs;
            while (ms > seen && !slowestMs.compare_exchange_weak(seen, ms)) {
            }
        });
    }
    for (std::thread& t : calls) t.join();
    EXPECT_EQ(failed, 24);
    // Reads have five seconds, publishes two here; a new connection may take its three.
    EXPECT_LT(slowestMs, 9000);
    ASSERT_EQ(Script("thaw"), 0);
    EXPECT_TRUE(m_store->Publish(Record(100)));
    EXPECT_TRUE(m_store->Top(1, 1, 10));
}

} // namespace
