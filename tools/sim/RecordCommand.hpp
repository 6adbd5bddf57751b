#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "HeadlessSession.hpp"
#include "SoakBot.hpp"
#include "SoakGame.hpp"
#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"

namespace sim {

// One bot game and the replay its game recorded.
struct RecordedGame {
    // False with the reason when the game could not start, broke a rule, did not end, kept no
    // finished replay or took more frames than a replay may (kReplayTickBudget); the replay
    // and the outcome are then not to be used.
    bool recorded = false;
    std::string failure;
    SoakGameResult play;
    rules::GameReplay replay;
    // Where the recording game stood at its end.
    rules::ReplayOutcome outcome;
};

// Plays one whole game with the bot, as the soak does, in a new game window of the session
// (on the pure rules over a plain scene when there is none), and takes the game's replay.
// Violations of the rules go to `err` as the soak prints them.
RecordedGame RecordGame(HeadlessSession* session, const rules::GameSettings& settings, std::uint32_t seed,
                        SoakBot::Kind bot, std::ostream& err);

// One bot game to record: the level, the seed of the game and its bot, the bot.
struct BotGame {
    rules::Level level = rules::Level::Novice;
    std::uint32_t seed = 1;
    SoakBot::Kind bot = SoakBot::Kind::Random;
};

// The 1,000 bot games the round-trip test verifies and the replay benchmark measures: a third
// of them at each level, one in 50 the greedy bot's (long games with bonuses), the rest the
// random bot's. Those of one level are in a row.
std::vector<BotGame> ThousandBotGames();

// "record --level L --seed S --bot greedy|random --out FILE [--speed S]": plays one game in the
// headless game window (with --daily YYYY-MM-DD instead of --level and --seed, the day's game,
// its level and generator start the day's) and writes its replay's text and "\n" to FILE atomically, then
// prints the recording game's end as OutcomeLine("recorded", true, ...). Exit 0; 1 when the game did not
// finish within the soak's bounds and the replay budget, or the file cannot be written; 2 on bad options.
int RunRecord(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace sim
