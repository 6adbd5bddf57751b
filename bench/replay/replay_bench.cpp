// Replay sizes and verification times over the 1,000 bot games the round-trip test verifies:
// each game is played by its bot in the headless game window, its replay written as text, then
// decoded and played again on the pure rules as the server verifies it. The time to verify a
// game is set against the time the window took to play it (the peer, in the same run), so the
// ratio holds on any machine. Times are the thread's CPU time. Verifying is what the server does:
// VerifyReplay of the text with the level and score of the report (decoding, inflating and playing it); the
// longest game of each level is what the replay length bound follows from. Usage: replay_bench [--speed
// fast|medium|slow] [GAMES] (default medium, all 1,000).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <time.h>
#include <vector>

#include "HeadlessSession.hpp"
#include "RecordCommand.hpp"
#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"

namespace {

// The calling thread's CPU time: the machine's other work does not count, and both the game
// and its verification run on this thread alone.
struct Clock {
    using time_point = double;
    static double now() {
        timespec reading{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &reading);
        return double(reading.tv_sec) + double(reading.tv_nsec) * 1e-9;
    }
};

constexpr std::size_t kTypicalLimit = 3 * 1024;

double Seconds(double from, double to) { return to - from; }

// The value at the fraction's place in the sorted values (nearest rank).
template <typename T>
T Quantile(std::vector<T> values, double fraction) {
    std::sort(values.begin(), values.end());
    const std::size_t rank = std::size_t(fraction * double(values.size()) + 0.999999);
    return values[std::min(values.size() - 1, rank > 0 ? rank - 1 : 0)];
}

} // namespace

int main(int argc, char** argv) {
    std::vector<sim::BotGame> games = sim::ThousandBotGames();
    rules::Speed speed = rules::Speed::Medium;
    if (argc > 2 && std::string(argv[1]) == "--speed") {
        const std::string name = argv[2];
        speed = name == "fast"   ? rules::Speed::Fast
                : name == "slow" ? rules::Speed::Slow
                                 : rules::Speed::Medium;
        argc -= 2;
        argv += 2;
    }
    if (argc > 1) {
        const long wanted = std::strtol(argv[1], nullptr, 10);
        if (wanted <= 0) {
            std::fprintf(stderr, "usage: replay_bench [--speed fast|medium|slow] [GAMES]\n");
            return 2;
        }
        // Spread over the levels: every n-th game of the list.
        const std::size_t stride = std::max<std::size_t>(1, games.size() / std::size_t(wanted));
        std::vector<sim::BotGame> some;
        for (std::size_t i = 0; i < games.size() && some.size() < std::size_t(wanted); i += stride) some.push_back(games[i]);
        games = some;
    }

    sim::HeadlessSession session;
    std::vector<std::size_t> textBytes, rawBytes, inputs;
    std::vector<double> verifySeconds, recordSeconds, ratios;
    std::vector<double> ticks;
    double allTicks = 0, allVerify = 0;
    std::uint32_t longest[rules::kLevels] = {};
    for (const sim::BotGame& bot : games) {
        rules::GameSettings settings;
        settings.level = bot.level;
        settings.speed = speed;
        std::ostringstream err;
        const Clock::time_point started = Clock::now();
        const sim::RecordedGame recorded = sim::RecordGame(&session, settings, bot.seed, bot.bot, err);
        const Clock::time_point played = Clock::now();
        if (!recorded.recorded) {
            std::fprintf(stderr, "replay_bench: level %d seed %u: %s\n%s", int(bot.level), bot.seed,
                         recorded.failure.c_str(), err.str().c_str());
            return 1;
        }
        const std::string text = rules::EncodeReplay(recorded.replay);
        const Clock::time_point verifying = Clock::now();
        const rules::ReplayVerdict verdict = rules::VerifyReplay(text, bot.level, recorded.outcome.score);
        const Clock::time_point verified = Clock::now();
        if (!verdict.verified || !verdict.outcome || verdict.outcome->board != recorded.outcome.board) {
            std::fprintf(stderr, "replay_bench: level %d seed %u did not verify to its own end: %s\n", int(bot.level),
                         bot.seed, verdict.reason.c_str());
            return 1;
        }
        textBytes.push_back(text.size());
        rawBytes.push_back(rules::ReplayBytes(recorded.replay).size());
        inputs.push_back(recorded.replay.inputs.size());
        ticks.push_back(double(recorded.replay.ticks));
        verifySeconds.push_back(Seconds(verifying, verified));
        recordSeconds.push_back(Seconds(started, played));
        ratios.push_back(verifySeconds.back() / recordSeconds.back());
        allTicks += double(recorded.replay.ticks);
        longest[int(bot.level)] = std::max(longest[int(bot.level)], recorded.replay.ticks);
        allVerify += verifySeconds.back();
    }

    const std::size_t typical = std::size_t(
        std::count_if(textBytes.begin(), textBytes.end(), [](std::size_t size) { return size < kTypicalLimit; }));
    std::printf("replay_bench: %zu bot games recorded in the headless game window and verified on the pure rules\n",
                games.size());
    std::printf("replay text bytes: median %zu, p99 %zu, largest %zu; %zu of %zu under 3 KB\n",
                Quantile(textBytes, 0.5), Quantile(textBytes, 0.99), *std::max_element(textBytes.begin(), textBytes.end()),
                typical, textBytes.size());
    std::printf("replay uncompressed bytes: median %zu, largest %zu; inputs per game: median %zu, largest %zu\n",
                Quantile(rawBytes, 0.5), *std::max_element(rawBytes.begin(), rawBytes.end()), Quantile(inputs, 0.5),
                *std::max_element(inputs.begin(), inputs.end()));
    std::printf("ticks per game: median %.0f, p99 %.0f, largest %.0f\n", Quantile(ticks, 0.5), Quantile(ticks, 0.99),
                *std::max_element(ticks.begin(), ticks.end()));
    std::printf("longest game in frames at %s speed: Novice %u, Expert %u, Master %u; a replay may hold %u\n",
                speed == rules::Speed::Fast   ? "fast"
                : speed == rules::Speed::Slow ? "slow"
                                              : "medium",
                longest[0], longest[1], longest[2], rules::kReplayTickBudget);
    std::printf("verification per game (CPU): median %.3f ms, p99 %.3f ms, largest %.3f ms; %.0f ticks/s\n",
                1000 * Quantile(verifySeconds, 0.5), 1000 * Quantile(verifySeconds, 0.99),
                1000 * *std::max_element(verifySeconds.begin(), verifySeconds.end()), allTicks / allVerify);
    std::printf("peer, the same game played by its bot in the window (CPU): median %.3f ms, p99 %.3f ms\n",
                1000 * Quantile(recordSeconds, 0.5), 1000 * Quantile(recordSeconds, 0.99));
    std::printf("verification / window play of the same game: median %.4f, p99 %.4f\n", Quantile(ratios, 0.5),
                Quantile(ratios, 0.99));
    return 0;
}
