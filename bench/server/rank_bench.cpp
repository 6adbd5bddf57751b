// The cost of a publish's rank as the table grows: an SQLite database of earlier versions is
// filled with N listed records on level 1 (N from the first argument, 150,000 by default),
// opened by the store (which builds the count tree once), then publishes are timed at the top,
// in the middle and at the bottom of the level. The peer in the same run is the plain count of
// the better records the rank once was. Prints medians and 99th percentiles and the ratios of
// the bottom to the top.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "server/SqliteRecordStore.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double median = 0, p99 = 0;
    std::int64_t rank = 0;
};

Figures summarise(std::vector<double> times, std::int64_t rank) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 99 / 100)], rank};
}

bool fill(const std::string& path, int records) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return false;
    bool ok = sqlite3_exec(db,
                           "CREATE TABLE records (id INTEGER PRIMARY KEY, level INTEGER NOT NULL, score INTEGER "
                           "NOT NULL, name TEXT NOT NULL, published_at INTEGER NOT NULL);"
                           "CREATE TABLE reports (report TEXT PRIMARY KEY, record_id INTEGER NOT NULL);BEGIN;",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO records (level, score, name, published_at) VALUES (1, ?1, ?2, 0)",
                                  -1, &insert, nullptr) == SQLITE_OK;
    std::mt19937 random(1);
    for (int i = 0; ok && i < records; ++i) {
        const std::string name = "filler " + std::to_string(i);
        sqlite3_bind_int(insert, 1, std::uniform_int_distribution<int>(1, 999'999)(random));
        sqlite3_bind_text(insert, 2, name.c_str(), int(name.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// The plain count of the records above `score`, as ranks were once counted.
double plainCount(const std::string& path, int score, std::int64_t& above) {
    sqlite3* db = nullptr;
    sqlite3_stmt* count = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM records WHERE level = 1 AND listed = 1 AND score > ?1", -1, &count,
                       nullptr);
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        const auto start = Clock::now();
        sqlite3_bind_int(count, 1, score);
        sqlite3_step(count);
        above = sqlite3_column_int64(count, 0);
        sqlite3_reset(count);
        times.push_back(millisecondsSince(start));
    }
    sqlite3_finalize(count);
    sqlite3_close(db);
    return summarise(times, 0).median;
}

} // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 150'000;
    const int publishes = argc > 2 ? std::atoi(argv[2]) : 200;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "hoopstack-rank-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "records.sqlite").string();
    if (!fill(path, records)) {
        std::fprintf(stderr, "rank bench: cannot fill %s\n", path.c_str());
        return 1;
    }
    const auto openStart = Clock::now();
    auto store = server::SqliteRecordStore::Open(path);
    if (!store) {
        std::fprintf(stderr, "rank bench: %s\n", store.error().c_str());
        return 1;
    }
    std::printf("rank bench: %d records on level 1; opening brings it up to date (columns, indexes, the count tree) in %.0f ms\n", records,
                millisecondsSince(openStart));
    int sequence = 0;
    auto publishAt = [&](const char* where, std::int32_t score) {
        std::vector<double> times;
        std::int64_t rank = 0;
        for (int i = 0; i < publishes; ++i) {
            server::NewRecord r;
            r.level = 1;
            r.score = score;
            r.name = std::string(where) + " " + std::to_string(++sequence);
            r.report = std::to_string(score) + "\t1\t" + r.name;
            const auto start = Clock::now();
            const auto result = (*store)->Publish(r);
            times.push_back(millisecondsSince(start));
            if (!result) {
                std::fprintf(stderr, "rank bench: %s\n", result.error().c_str());
                std::exit(1);
            }
            rank = result->rank;
        }
        const Figures f = summarise(times, rank);
        std::printf("  publish at the %-6s (rank %8lld): median %.3f ms, p99 %.3f ms\n", where, (long long)f.rank,
                    f.median, f.p99);
        return f;
    };
    const Figures top = publishAt("top", 2'000'000'000);
    const Figures middle = publishAt("middle", 500'000);
    const Figures bottom = publishAt("bottom", 0);
    std::int64_t above = 0;
    const double count = plainCount(path, 0, above);
    std::printf("  bottom/top publish: median %.2fx, p99 %.2fx; middle/top median %.2fx\n", bottom.median / top.median,
                bottom.p99 / top.p99, middle.median / top.median);
    std::printf("  peer: a plain count of the %lld records above the bottom takes %.3f ms (%.2fx a top publish)\n",
                (long long)above, count, count / top.median);
    store->reset();
    std::filesystem::remove_all(folder);
    return 0;
}
