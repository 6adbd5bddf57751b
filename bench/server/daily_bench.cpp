// The cost of a publish to a day's table against a publish to a level's Top 10 alone, on
// SQLite and, when an address is given, PostgreSQL. Each database first takes N publishes of
// the day's games (100,000 by default, from 8 threads, one name each), which fill the day's
// table and the day's level alike; then single publishes are timed by turns: a game of the
// day (stored, listed on the level and on the day, its rank and its rank of the day counted)
// and a game of another court at the same level (its rank counted). The peer of a day's
// publish is the Top 10 publish in the same run: the ratio of their medians is the figure.
// The games stand for verified ones (their replays were checked before the store is asked):
// what is measured is the store's rules, not the replaying.
//
// Usage: leaderboard_daily_bench [--records N] [--samples S] [--postgres URL]
//   (the PostgreSQL address may also come from HOOPSTACK_TEST_POSTGRES_URL; a database of
//   its own is made there and dropped afterwards)
#include <pqxx/pqxx>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "rules/DailyCourt.hpp"
#include "server/DailyGames.hpp"
#include "server/OpenRecordStore.hpp"

using namespace server;

namespace {

using Clock = std::chrono::steady_clock;

// The day of the run: a fixed one, the clock of each publish inside its window.
const std::int64_t kDay = rules::DaysSinceEpoch({2026, 12, 11});
const int kLevel = int(rules::DailyLevel(kDay)) + kFirstLevel;
constexpr int kFillThreads = 8;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double median = 0, p99 = 0;
};

Figures summarise(std::vector<double> times) {
    if (times.empty()) return {};
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 99 / 100)]};
}

// A verified publish of a game of the day (`daily`) or of another court, with its own name,
// game and report.
NewRecord game(std::uint64_t serial, std::int32_t score, bool daily) {
    NewRecord r;
    r.level = kLevel;
    r.score = score;
    r.name = (daily ? "day player " : "player ") + std::to_string(serial);
    r.report = std::to_string(score) + '\t' + std::to_string(kLevel) + '\t' + r.name;
    r.receivedAt = kDay * kSecondsPerDay + 3600 + std::int64_t(serial % 40000);
    r.check.verified = true;
    r.check.reason.clear();
    r.check.replay = "R" + std::to_string(serial);
    char hash[65];
    std::snprintf(hash, sizeof hash, "%064llx", static_cast<unsigned long long>(serial));
    r.check.replayHash = hash;
    r.check.board = std::string(15 * 17, '0') + "1234567012345670";
    for (std::size_t i = 16; i < r.check.board.size(); i += 17) r.check.board[i] = '/';
    r.check.start = daily ? rules::DailyStart(kDay) : rules::DailyStart(kDay) + 1;
    return r;
}

struct Run {
    double fillSeconds = 0;
    Figures daily, top;
    std::int64_t lastDailyRank = 0, lastRank = 0;
    bool ok = true;
};

Run measure(const std::string& url, int records, int samples) {
    Run run;
    auto opened = OpenRecordStore(url);
    if (!opened) {
        std::fprintf(stderr, "daily_bench: %s\n", opened.error().c_str());
        run.ok = false;
        return run;
    }
    RecordStore& store = **opened;
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    const auto fillStart = Clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < kFillThreads; ++t)
        threads.emplace_back([&, t] {
            std::mt19937 random(std::uint32_t(t + 1));
            for (int i = next++; i < records && !failed; i = next++) {
                const auto result = store.Publish(
                    game(std::uint64_t(i), std::uniform_int_distribution<int>(0, 99'999)(random), true));
                if (!result || !result->day) failed = true;
            }
        });
    for (std::thread& thread : threads) thread.join();
    run.fillSeconds = millisecondsSince(fillStart) / 1000;
    if (failed) {
        std::fprintf(stderr, "daily_bench: a publish of the fill failed\n");
        run.ok = false;
        return run;
    }
    std::mt19937 random(99);
    std::vector<double> dailyTimes, topTimes;
    for (int i = 0; i < samples; ++i) {
        const std::int32_t score = std::uniform_int_distribution<int>(0, 99'999)(random);
        const std::uint64_t serial = std::uint64_t(records) + 2 * std::uint64_t(i);
        auto start = Clock::now();
        const auto daily = store.Publish(game(serial, score, true));
        dailyTimes.push_back(millisecondsSince(start));
        start = Clock::now();
        const auto top = store.Publish(game(serial + 1, score, false));
        topTimes.push_back(millisecondsSince(start));
        if (!daily || !top || !daily->day || top->day || daily->dailyRank <= 0) {
            std::fprintf(stderr, "daily_bench: a timed publish failed\n");
            run.ok = false;
            return run;
        }
        run.lastDailyRank = daily->dailyRank;
        run.lastRank = top->rank;
    }
    run.daily = summarise(dailyTimes);
    run.top = summarise(topTimes);
    return run;
}

void report(const char* backend, int records, const Run& run) {
    std::printf("%-10s fill: %d publishes of the day in %.1f s (%.0f a second, %d threads)\n", backend,
                records, run.fillSeconds, run.fillSeconds > 0 ? records / run.fillSeconds : 0.0,
                kFillThreads);
    std::printf("%-10s publish of the day (rank of the day %lld): median %.3f ms, p99 %.3f ms\n", backend,
                static_cast<long long>(run.lastDailyRank), run.daily.median, run.daily.p99);
    std::printf("%-10s Top 10 publish (rank %lld):             median %.3f ms, p99 %.3f ms\n", backend,
                static_cast<long long>(run.lastRank), run.top.median, run.top.p99);
    std::printf("%-10s ratio day / Top 10: median %.2f, p99 %.2f\n", backend,
                run.top.median > 0 ? run.daily.median / run.top.median : 0.0,
                run.top.p99 > 0 ? run.daily.p99 / run.top.p99 : 0.0);
}

std::string withDatabase(const std::string& base, const std::string& name) {
    return base + (base.find('?') == std::string::npos ? "?" : "&") + "dbname=" + name;
}

} // namespace

int main(int argc, char** argv) {
    int records = 100'000, samples = 1000;
    std::string postgres;
    if (const char* url = std::getenv("HOOPSTACK_TEST_POSTGRES_URL")) postgres = url;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::printf("usage: leaderboard_daily_bench [--records N] [--samples S] [--postgres URL]\n");
            return 0;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "daily_bench: %s needs a value\n", arg.c_str());
            return 2;
        }
        const char* value = argv[++i];
        if (arg == "--records")
            records = std::max(1, std::atoi(value));
        else if (arg == "--samples")
            samples = std::max(1, std::atoi(value));
        else if (arg == "--postgres")
            postgres = value;
        else {
            std::fprintf(stderr, "daily_bench: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    bool ok = true;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("hoopstack-daily-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        const Run run = measure("sqlite://" + (folder / "board.db").string(), records, samples);
        ok = ok && run.ok;
        if (run.ok) report("SQLite", records, run);
    }
    std::filesystem::remove_all(folder);
    if (!postgres.empty()) {
        const std::string name = "hoopstack_daily_bench_" + std::to_string(::getpid());
        try {
            pqxx::connection admin(postgres);
            pqxx::nontransaction(admin).exec("CREATE DATABASE " + name);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "daily_bench: %s\n", e.what());
            return 1;
        }
        const Run run = measure(withDatabase(postgres, name), records, samples);
        ok = ok && run.ok;
        if (run.ok) report("PostgreSQL", records, run);
        try {
            pqxx::connection admin(postgres);
            pqxx::nontransaction(admin).exec("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "daily_bench: %s\n", e.what());
        }
    } else {
        std::printf("PostgreSQL: skipped (no --postgres and no HOOPSTACK_TEST_POSTGRES_URL)\n");
    }
    return ok ? 0 : 1;
}
