// leaderboard_flood_clients: a flood of costly replay publishes from many client addresses
// against a leaderboard on 127.0.0.1 started with --trust-proxy 127.0.0.1, and what it does to
// honest players meanwhile. Every request names its client in X-Forwarded-For, so that one
// loopback program acts as many addresses. Prints one line per measure; with --check exits 1
// when an honest player waited longer than the bounds allow.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "store/ScoreReport.hpp"

namespace {

using FloodClock = std::chrono::steady_clock;

constexpr std::string_view kFloodUsage =
    "usage: leaderboard_flood_clients PORT --flooders N --seconds S --costly FILE --honest FILE\n"
    "                                 [--honest-count K] [--pattern spread|subnet] [--per-minute M]\n"
    "                                 [--check] [--max-verify-ms MS] [--max-plain-ms MS]\n"
    "                                 [--max-page-factor F]\n"
    "  FILE lines are SCORE TAB TICKS TAB REPLAY TAB LEVEL (server_replay_game's line and the\n"
    "  level); the costly FILE's first line is the flooders' replay, the honest FILE needs K\n"
    "  lines of distinct games.\n"
    "  For 2 s the program measures a baseline: a page load every 200 ms (/ and /level/1 in\n"
    "  turn) and K publishes without a replay. Then N flooders, one client address each, send\n"
    "  publishes carrying the costly replay for S seconds, each a report of its own at the\n"
    "  replay's score and level, M a minute (default 10, the server's default limit) evenly\n"
    "  spread, one at a time: a flooder whose answer came late sends the next at once.\n"
    "  From 2 s into the flood K honest players, each an address of its own, publish one game\n"
    "  with its replay and one without, spread over the flood, while the pages load on.\n"
    "  --pattern spread     flooder i is 10.(2+i/256).(i%256).1, each its own /24 (default)\n"
    "  --pattern subnet     flooder i is 10.1.(i/250).(i%250+1), all in one /24 up to 250\n"
    "  --check              exit 1 unless every honest replay publish is answered 200 and\n"
    "                       verified within --max-verify-ms (3000), every honest publish\n"
    "                       without one is answered 200 within --max-plain-ms (100), every page\n"
    "                       200 and the pages' 99th percentile under the flood at most\n"
    "                       --max-page-factor (5) times the baseline's plus 50 ms\n";

enum class AddressPattern { Spread, Subnet };

struct FloodOptions {
    int port = 0;
    int flooders = 0;
    double seconds = 0;
    std::string costlyFile, honestFile;
    int honestCount = 8;
    AddressPattern pattern = AddressPattern::Spread;
    int perMinute = 10;
    bool check = false;
    double maxVerifyMs = 3000, maxPlainMs = 100, maxPageFactor = 5;
};

// A game to publish: one line of a games file.
struct FloodGame {
    std::int32_t score = 0;
    std::uint32_t ticks = 0;
    std::string replay;
    int level = 1;
};

// What the page said about the replay.
enum class ReplayVerdict { None, Verified, NotVerified };

struct FloodAnswer {
    int status = 0; // 0: no answer (connection refused, reset or timed out)
    ReplayVerdict verdict = ReplayVerdict::None;
    std::string reason; // the "Not verified: ..." text
    double ms = 0;
};

std::optional<double> ParseFloodNumber(const char* text) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || value < 0) return std::nullopt;
    return value;
}

std::optional<FloodOptions> ParseFloodOptions(int argc, char** argv) {
    if (argc < 2) return std::nullopt;
    FloodOptions options;
    const std::optional<double> port = ParseFloodNumber(argv[1]);
    if (!port || *port < 1 || *port > 65535) return std::nullopt;
    options.port = int(*port);
    for (int i = 2; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--check") {
            options.check = true;
            continue;
        }
        if (i + 1 >= argc) return std::nullopt;
        const char* value = argv[++i];
        if (name == "--costly") {
            options.costlyFile = value;
        } else if (name == "--honest") {
            options.honestFile = value;
        } else if (name == "--pattern") {
            if (std::string_view(value) == "spread")
                options.pattern = AddressPattern::Spread;
            else if (std::string_view(value) == "subnet")
                options.pattern = AddressPattern::Subnet;
            else
                return std::nullopt;
        } else {
            const std::optional<double> number = ParseFloodNumber(value);
            if (!number) return std::nullopt;
            if (name == "--flooders" && *number <= 100000)
                options.flooders = int(*number);
            else if (name == "--seconds" && *number > 0)
                options.seconds = *number;
            else if (name == "--honest-count" && *number >= 1 && *number <= 250)
                options.honestCount = int(*number);
            else if (name == "--per-minute" && *number >= 1 && *number <= 60000)
                options.perMinute = int(*number);
            else if (name == "--max-verify-ms")
                options.maxVerifyMs = *number;
            else if (name == "--max-plain-ms")
                options.maxPlainMs = *number;
            else if (name == "--max-page-factor")
                options.maxPageFactor = *number;
            else
                return std::nullopt;
        }
    }
    if (options.seconds <= 0 || options.costlyFile.empty() || options.honestFile.empty()) return std::nullopt;
    return options;
}

std::vector<FloodGame> ReadFloodGames(const std::string& path) {
    std::vector<FloodGame> games;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string score, ticks, replay, level;
        if (!std::getline(fields, score, '\t') || !std::getline(fields, ticks, '\t') ||
            !std::getline(fields, replay, '\t') || !std::getline(fields, level))
            continue;
        games.push_back({std::int32_t(std::atol(score.c_str())), std::uint32_t(std::atol(ticks.c_str())),
                         replay, std::atoi(level.c_str())});
    }
    return games;
}

std::string FlooderAddress(AddressPattern pattern, int i) {
    if (pattern == AddressPattern::Spread)
        return "10." + std::to_string(2 + i / 256) + "." + std::to_string(i % 256) + ".1";
    return "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
}

std::string PublishPath(const FloodGame& game, const std::string& name, bool withReplay) {
    std::string path = "/cgi-bin/gameres.pl?e=" + store::EncodeScoreReport(store::BuildScoreReport(
                                                      game.score, std::to_string(game.level), name));
    if (withReplay) path += "&r=" + game.replay;
    return path;
}

// The verdict the publish page states about the replay.
ReplayVerdict VerdictOf(const std::string& body, std::string& reason) {
    if (body.find("&#10003; Verified</span>") != std::string::npos) return ReplayVerdict::Verified;
    const std::size_t at = body.find("Not verified: ");
    if (at == std::string::npos) return ReplayVerdict::None;
    const std::size_t from = at + 14;
    const std::size_t end = body.find(". The score is stored", from);
    reason = body.substr(from, end == std::string::npos ? 60 : end - from);
    return ReplayVerdict::NotVerified;
}

// One GET on a connection of its own, timed from the connect to the server's close.
FloodAnswer FetchFlood(int port, const std::string& path, const std::string& client) {
    const FloodClock::time_point start = FloodClock::now();
    FloodAnswer answer;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return answer;
    timeval wait{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(std::uint16_t(port));
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string body;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) {
        const std::string request = "GET " + path +
                                    " HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Forwarded-For: " + client +
                                    "\r\nConnection: close\r\n\r\n";
        std::size_t sent = 0;
        while (sent < request.size()) {
            const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += std::size_t(n);
        }
        char buffer[16384];
        for (;;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            body.append(buffer, std::size_t(n));
        }
    }
    ::close(fd);
    answer.ms = std::chrono::duration<double, std::milli>(FloodClock::now() - start).count();
    if (body.rfind("HTTP/1.1 ", 0) == 0 && body.size() >= 12) answer.status = std::atoi(body.c_str() + 9);
    answer.verdict = VerdictOf(body, answer.reason);
    return answer;
}

// A status for people: the code, or "no answer".
std::string StatusText(int status) {
    return status == 0 ? "no answer" : std::to_string(status);
}

// The value at fraction q of the sorted times (nearest rank); 0 for none.
double FloodPercentile(std::vector<double> times, double q) {
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    const auto rank = std::size_t(q * double(times.size()) + 0.999999);
    return times[std::min(times.size() - 1, rank == 0 ? 0 : rank - 1)];
}

std::vector<double> TimesOf(const std::vector<FloodAnswer>& answers) {
    std::vector<double> times;
    for (const FloodAnswer& a : answers) times.push_back(a.ms);
    return times;
}

// "503 x2, 0 x1": the statuses other than 200 and how often each came.
std::string OtherCodes(const std::vector<FloodAnswer>& answers) {
    std::map<int, int> counts;
    for (const FloodAnswer& a : answers)
        if (a.status != 200) ++counts[a.status];
    std::string text;
    for (const auto& [status, count] : counts)
        text += (text.empty() ? "" : ", ") + std::to_string(status) + " x" + std::to_string(count);
    return text.empty() ? "none" : text;
}

// Answers gathered by many threads.
class FloodLog {
public:
    void Add(FloodAnswer answer) {
        const std::lock_guard lock(m_lock);
        m_answers.push_back(std::move(answer));
    }
    std::vector<FloodAnswer> Answers() const {
        const std::lock_guard lock(m_lock);
        return m_answers;
    }

private:
    mutable std::mutex m_lock;
    std::vector<FloodAnswer> m_answers;
};

void SleepUntilFlood(FloodClock::time_point when) {
    std::this_thread::sleep_until(when);
}

FloodClock::time_point After(FloodClock::time_point from, double seconds) {
    return from + std::chrono::duration_cast<FloodClock::duration>(std::chrono::duration<double>(seconds));
}

// Loads / and /level/1 in turn every 200 ms until `end`.
void LoadPages(int port, FloodClock::time_point start, FloodClock::time_point end, FloodLog& log) {
    for (int n = 0;; ++n) {
        const FloodClock::time_point at = After(start, 0.2 * n);
        if (at >= end) return;
        SleepUntilFlood(at);
        log.Add(FetchFlood(port, n % 2 == 0 ? "/" : "/level/1", "172.16.0.1"));
    }
}

std::string TimeLine(const std::vector<FloodAnswer>& answers) {
    const std::vector<double> times = TimesOf(answers);
    char text[96];
    std::snprintf(text, sizeof text, "time p50 %.0f / max %.0f ms", FloodPercentile(times, 0.5),
                  times.empty() ? 0.0 : *std::max_element(times.begin(), times.end()));
    return text;
}

std::string PageLine(const std::vector<FloodAnswer>& answers) {
    const std::vector<double> times = TimesOf(answers);
    char text[128];
    std::snprintf(text, sizeof text, "%zu loads, p50 %.1f / p99 %.1f / max %.1f ms, not 200: %s",
                  times.size(), FloodPercentile(times, 0.5), FloodPercentile(times, 0.99),
                  times.empty() ? 0.0 : *std::max_element(times.begin(), times.end()),
                  OtherCodes(answers).c_str());
    return text;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--help") {
            std::fputs(kFloodUsage.data(), stdout);
            return 0;
        }
    const std::optional<FloodOptions> parsed = ParseFloodOptions(argc, argv);
    if (!parsed) {
        std::fputs(kFloodUsage.data(), stderr);
        return 2;
    }
    const FloodOptions& options = *parsed;
    const std::vector<FloodGame> costly = ReadFloodGames(options.costlyFile);
    const std::vector<FloodGame> honest = ReadFloodGames(options.honestFile);
    if (costly.empty()) {
        std::fprintf(stderr, "leaderboard_flood_clients: %s holds no game line\n",
                     options.costlyFile.c_str());
        return 2;
    }
    if (std::ssize(honest) < options.honestCount) {
        std::fprintf(stderr, "leaderboard_flood_clients: %s holds %zu game lines, fewer than %d\n",
                     options.honestFile.c_str(), honest.size(), options.honestCount);
        return 2;
    }
    // A tag per run keeps the reports of runs on one database apart: a report is stored once.
    const std::string run = std::to_string(std::time(nullptr) % 100000);
    const int port = options.port;
    // The honest players begin 2 s into the flood, or a quarter of the way into a short one.
    const double baselineSeconds = 2, honestDelay = std::min(2.0, options.seconds / 4);

    const FloodClock::time_point start = FloodClock::now();
    const FloodClock::time_point floodStart = After(start, baselineSeconds);
    const FloodClock::time_point floodEnd = After(floodStart, options.seconds);

    // The baseline: pages and publishes without a replay, before any flooder sends.
    FloodLog basePages, basePlain;
    std::thread basePageThread(LoadPages, port, start, After(start, baselineSeconds - 0.1),
                               std::ref(basePages));
    for (int k = 0; k < options.honestCount; ++k) {
        SleepUntilFlood(After(start, 0.1 + 1.6 * k / options.honestCount));
        const FloodGame& game = honest[std::size_t(k)];
        basePlain.Add(FetchFlood(port, PublishPath(game, "h" + run + "b" + std::to_string(k), false),
                                 "192.168." + std::to_string(k) + ".1"));
    }
    basePageThread.join();

    // The flood: each flooder sends its allowance evenly spread, the flooders staggered over
    // one interval, one request in flight each.
    FloodLog floodAnswers;
    std::atomic<int> flooderSent{0};
    const double interval = 60.0 / options.perMinute;
    std::vector<std::thread> flooders;
    for (int i = 0; i < options.flooders; ++i)
        flooders.emplace_back([&, i] {
            const std::string client = FlooderAddress(options.pattern, i);
            const FloodGame& game = costly.front();
            for (int n = 0;; ++n) {
                const FloodClock::time_point at =
                    After(floodStart, interval * (double(i) / options.flooders + n));
                if (at >= floodEnd || FloodClock::now() >= floodEnd) return;
                SleepUntilFlood(at);
                const std::string name = "f" + run + "-" + std::to_string(i) + "x" + std::to_string(n);
                floodAnswers.Add(FetchFlood(port, PublishPath(game, name, true), client));
                ++flooderSent;
            }
        });

    // The honest players, spread over the flood from 2 s in; the pages load on meanwhile.
    FloodLog pages, withReplay, plain;
    std::thread pageThread(LoadPages, port, After(floodStart, honestDelay), floodEnd, std::ref(pages));
    std::vector<std::thread> players;
    const double spacing = std::max(0.0, options.seconds - honestDelay - 1) / options.honestCount;
    for (int k = 0; k < options.honestCount; ++k)
        players.emplace_back([&, k] {
            SleepUntilFlood(After(floodStart, honestDelay + spacing * k));
            const FloodGame& game = honest[std::size_t(k)];
            const std::string client = "192.168." + std::to_string(k) + ".1";
            withReplay.Add(
                FetchFlood(port, PublishPath(game, "h" + run + "r" + std::to_string(k), true), client));
            plain.Add(
                FetchFlood(port, PublishPath(game, "h" + run + "p" + std::to_string(k), false), client));
        });
    for (std::thread& t : players) t.join();
    pageThread.join();
    for (std::thread& t : flooders) t.join();

    const FloodGame& costlyGame = costly.front();
    std::printf(
        "flood: flooders %d pattern %s, costly replay %zu bytes %u frames, %g s, %d a minute each evenly "
        "spread\n",
        options.flooders, options.pattern == AddressPattern::Spread ? "spread" : "subnet",
        costlyGame.replay.size(), costlyGame.ticks, options.seconds, options.perMinute);
    const std::vector<FloodAnswer> baselinePages = basePages.Answers();
    const std::vector<FloodAnswer> baselinePlain = basePlain.Answers();
    std::printf("flood: baseline pages: %s\n", PageLine(baselinePages).c_str());
    std::printf("flood: baseline without replay: %zu sent, not 200: %s, %s\n", baselinePlain.size(),
                OtherCodes(baselinePlain).c_str(), TimeLine(baselinePlain).c_str());

    std::map<int, int> floodCounts;
    for (const FloodAnswer& a : floodAnswers.Answers()) ++floodCounts[a.status];
    const int known = floodCounts[200] + floodCounts[429] + floodCounts[503];
    std::printf("flood: flooder answers: 200 %d, 429 %d, 503 %d, other %d (sent %d, %s)\n", floodCounts[200],
                floodCounts[429], floodCounts[503], flooderSent.load() - known, flooderSent.load(),
                TimeLine(floodAnswers.Answers()).c_str());

    const std::vector<FloodAnswer> replayAnswers = withReplay.Answers();
    int verified = 0, unverified = 0;
    std::string reason;
    for (const FloodAnswer& a : replayAnswers) {
        if (a.status != 200) continue;
        if (a.verdict == ReplayVerdict::Verified)
            ++verified;
        else {
            ++unverified;
            if (reason.empty()) reason = a.reason;
        }
    }
    std::printf("flood: honest with replay: %zu sent, %d verified, %d unverified%s%s, %zu refused (%s), %s\n",
                replayAnswers.size(), verified, unverified, reason.empty() ? "" : ": ", reason.c_str(),
                replayAnswers.size() - std::size_t(verified + unverified), OtherCodes(replayAnswers).c_str(),
                TimeLine(replayAnswers).c_str());
    const std::vector<FloodAnswer> plainAnswers = plain.Answers();
    std::printf("flood: honest without replay: %zu sent, not 200: %s, %s\n", plainAnswers.size(),
                OtherCodes(plainAnswers).c_str(), TimeLine(plainAnswers).c_str());
    const std::vector<FloodAnswer> floodPages = pages.Answers();
    std::printf("flood: pages: %s\n", PageLine(floodPages).c_str());
    std::fflush(stdout);
    if (!options.check) return 0;

    bool ok = true;
    const auto fail = [&ok](const std::string& why) {
        std::printf("flood check: FAIL %s\n", why.c_str());
        ok = false;
    };
    for (const FloodAnswer& a : replayAnswers)
        if (a.status != 200 || a.verdict != ReplayVerdict::Verified || a.ms > options.maxVerifyMs)
            fail("an honest replay publish answered " + StatusText(a.status) +
                 (a.verdict == ReplayVerdict::Verified ? " verified" : " not verified") + " in " +
                 std::to_string(int(a.ms)) + " ms (bound " + std::to_string(int(options.maxVerifyMs)) +
                 " ms)");
    for (const FloodAnswer& a : plainAnswers)
        if (a.status != 200 || a.ms > options.maxPlainMs)
            fail("an honest publish without replay answered " + StatusText(a.status) + " in " +
                 std::to_string(int(a.ms)) + " ms (bound " + std::to_string(int(options.maxPlainMs)) +
                 " ms)");
    for (const FloodAnswer& a : baselinePlain)
        if (a.status != 200) fail("a publish before the flood answered " + StatusText(a.status));
    for (const FloodAnswer& a : baselinePages)
        if (a.status != 200) fail("a page load before the flood answered " + StatusText(a.status));
    for (const FloodAnswer& a : floodPages)
        if (a.status != 200) fail("a page load under the flood answered " + StatusText(a.status));
    if (floodPages.empty()) fail("no page loaded under the flood");
    const double baseP99 = FloodPercentile(TimesOf(baselinePages), 0.99);
    const double floodP99 = FloodPercentile(TimesOf(floodPages), 0.99);
    const double pageBound = options.maxPageFactor * baseP99 + 50;
    if (floodP99 > pageBound)
        fail("pages p99 under the flood " + std::to_string(int(floodP99)) + " ms, bound " +
             std::to_string(int(pageBound)) + " ms");
    if (ok) std::printf("flood check: ok\n");
    return ok ? 0 : 1;
}
