// The leaderboard at scale, in two parts for bench/server/scale_bench.sh:
//   leaderboard_scale lines N [SEED]
//     writes N records for `admin import` to the standard output, a third per level: scores
//     1-999,999, about five records per name, dates over three years;
//   leaderboard_scale publish DATABASE-URL [COUNT]
//     publishes COUNT (1,000) reports at the top, COUNT in the middle and COUNT at the bottom of
//     level 1 through the leaderboard's own publish (parsing, storing, ranking and the answer page,
//     without the network) and prints the median and 99th percentile of each, one line apiece:
//     `publish WHERE RANK MEDIAN-MS P99-MS`.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "server/Leaderboard.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/RateLimiter.hpp"
#include "store/ScoreReport.hpp"

namespace {

using Clock = std::chrono::steady_clock;

int writeLines(long long count, unsigned seed) {
    std::mt19937_64 random(seed);
    const long long names = std::max(1LL, count / 5);
    std::string out;
    out.reserve(1 << 20);
    for (long long i = 0; i < count; ++i) {
        const int level = int(i % 3) + 1;
        const auto score = std::uniform_int_distribution<int>(1, 999'999)(random);
        const auto name = std::uniform_int_distribution<long long>(0, names - 1)(random);
        const int day = std::uniform_int_distribution<int>(0, 3 * 365 - 1)(random);
        const int year = 2024 + day / 365, month = day % 365 / 31 + 1, date = day % 28 + 1;
        char line[96];
        const int size = std::snprintf(line, sizeof line, "%d\t%d\tplayer %lld\t%04d-%02d-%02d\n", level, score, name,
                                       year, month, date);
        out.append(line, std::size_t(size));
        if (out.size() > (1 << 20) - 128) {
            if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) return 1;
            out.clear();
        }
    }
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0 ? 0 : 1;
}

struct Timing {
    double median = 0, p99 = 0;
};

Timing summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 99 / 100)]};
}

int publish(const std::string& url, int count) {
    auto opened = server::OpenRecordStore(url);
    if (!opened) {
        std::fprintf(stderr, "scale bench: %s\n", opened.error().c_str());
        return 1;
    }
    server::RecordStore& store = **opened;
    server::RateLimiter unlimited(0);
    server::Leaderboard board(store, unlimited);
    const long long run = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    struct Place {
        const char* where;
        std::int32_t score;
    };
    for (const Place place : {Place{"top", 2'000'000'000}, Place{"middle", 500'000}, Place{"bottom", 0}}) {
        std::vector<double> times;
        for (int i = 0; i < count; ++i) {
            const std::string name = std::string(place.where) + " " + std::to_string(run) + "-" + std::to_string(i);
            const std::string code = store::EncodeScoreReport(store::BuildScoreReport(place.score, "1", name));
            const auto start = Clock::now();
            const server::Reply reply = board.Publish(code, "127.0.0.1");
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            if (reply.status != 200) {
                std::fprintf(stderr, "scale bench: a publish at the %s answered %d\n", place.where, reply.status);
                return 1;
            }
        }
        // The rank these publishes reached, from one more record at the same score (a publish's
        // answer says it in words).
        const auto rank = store.Publish({1, place.score, std::string(place.where) + " rank " + std::to_string(run),
                                         "rank probe " + std::string(place.where) + std::to_string(run), 0, {}});
        if (!rank) {
            std::fprintf(stderr, "scale bench: %s\n", rank.error().c_str());
            return 1;
        }
        const Timing t = summarise(times);
        std::printf("publish %s %lld %.3f %.3f\n", place.where, (long long)rank->rank, t.median, t.p99);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "lines" && argc >= 3) return writeLines(std::atoll(argv[2]), argc > 3 ? unsigned(std::atoi(argv[3])) : 1u);
    if (mode == "publish" && argc >= 3) return publish(argv[2], argc > 3 ? std::atoi(argv[3]) : 1000);
    std::fputs("usage: leaderboard_scale lines N [SEED] | publish DATABASE-URL [COUNT]\n", stderr);
    return 2;
}
