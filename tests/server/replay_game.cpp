// server_replay_game LEVEL SEED: plays one whole game at LEVEL (1-3) with the tests' random
// bot and prints one line: SCORE TAB TICKS TAB REPLAY (the EncodeReplay text). For the
// browser check and the leaderboard benchmark, which publish real verifiable games.
// server_replay_game idle TICKS: the same line for a replay of TICKS frames without input at
// Novice, the costliest replay to check that is still played.
// server_replay_game daily BOT: the same line for a whole game of today's court (UTC) at the
// day's level, played by the bot BOT.
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <string>

#include "ReplayGames.hpp"
#include "rules/DailyCourt.hpp"
#include "rules/GameReplay.hpp"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: server_replay_game LEVEL SEED | idle TICKS | daily BOT\n");
        return 2;
    }
    if (std::string(argv[1]) == "idle") {
        const auto ticks = std::uint32_t(std::strtoul(argv[2], nullptr, 10));
        std::printf("0\t%u\t%s\n", ticks, IdleReplay(1, ticks).c_str());
        return 0;
    }
    const auto seed = std::uint32_t(std::strtoul(argv[2], nullptr, 10));
    std::optional<PlayedGame> game;
    if (std::string(argv[1]) == "daily") {
        const std::int64_t today = rules::DayOfUnixTime(std::int64_t(std::time(nullptr)));
        game = PlayGameFrom(int(rules::DailyLevel(today)) + 1, rules::DailyStart(today), seed);
    } else {
        const int level = std::atoi(argv[1]);
        if (level < 1 || level > 3) {
            std::fprintf(stderr, "server_replay_game: the level is 1, 2 or 3\n");
            return 2;
        }
        game = PlayGame(level, seed);
    }
    const std::optional<rules::GameReplay> replay = game ? rules::DecodeReplay(game->replay) : std::nullopt;
    if (!replay) {
        std::fprintf(stderr, "server_replay_game: the game recorded no replay\n");
        return 1;
    }
    std::printf("%d\t%u\t%s\n", game->score, replay->ticks, game->replay.c_str());
    return 0;
}
