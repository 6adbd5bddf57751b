#include "RecordCommand.hpp"

#include <memory>
#include <ostream>

#include "CommandLine.hpp"
#include "SimError.hpp"
#include "SoakBot.hpp"
#include "SoakCourt.hpp"
#include "VerifyCommand.hpp"
#include "rules/DailyCourt.hpp"
#include "store/ReplayFile.hpp"

namespace sim {

namespace {

struct RecordOptions {
    rules::GameSettings settings;
    std::uint32_t seed = 1;
    SoakBot::Kind bot = SoakBot::Kind::Random;
    std::string out;
};

RecordOptions ParseRecordOptions(const std::vector<std::string>& args) {
    const CommandLine line(args, {"level", "seed", "bot", "speed", "out", "daily"}, {});
    RecordOptions options;
    options.settings.level = rules::Level(line.IntIn("level", 0, 0, 2));
    options.settings.speed = rules::Speed(line.IntIn("speed", 1, 0, 2));
    options.seed = line.Unsigned("seed", 1);
    if (const std::optional<std::string> daily = line.Value("daily")) {
        // The day's game: its level and start are the day's, never the options'.
        if (line.Value("level") || line.Value("seed"))
            throw SimError("--daily takes the day's level and start; no --level or --seed");
        const std::optional<rules::CalendarDate> date = rules::ParseCalendarDate(*daily);
        if (!date)
            throw SimError("--daily takes a day from 1970-01-01 to 9999-12-31 as YYYY-MM-DD, not '" + *daily +
                           "'");
        const std::int64_t day = rules::DaysSinceEpoch(*date);
        options.settings.level = rules::DailyLevel(day);
        options.seed = rules::DailyStart(day);
    }
    options.bot = BotKindNamed(line.Value("bot").value_or("random"));
    const std::optional<std::string> out = line.Value("out");
    if (!out || out->empty()) throw SimError("record needs --out FILE");
    options.out = *out;
    return options;
}

} // namespace

RecordedGame RecordGame(HeadlessSession* session, const rules::GameSettings& settings, std::uint32_t seed,
                        SoakBot::Kind bot, std::ostream& err) {
    RecordedGame result;
    std::unique_ptr<SoakCourt> court = session ? std::make_unique<SoakCourt>(*session, settings, seed)
                                               : std::make_unique<SoakCourt>(settings, seed);
    if (!court->Started()) {
        result.failure = "could not load the game's pictures";
        return result;
    }
    SoakBot player(bot, seed);
    result.play = PlaySoakGame(*court, player, 1, err);
    if (!result.play.clean) {
        result.failure = "the game broke a rule";
        return result;
    }
    if (!result.play.Finished()) {
        result.failure = "the game did not end (" + result.play.ending + " after " +
                         std::to_string(result.play.throws) + " throws)";
        return result;
    }
    const rules::GameReplay* replay = court->Game().Replay();
    if (!replay || !replay->finished) {
        result.failure = replay ? "the game's replay was not closed at its end" : "the game kept no replay";
        return result;
    }
    // A replay longer than the verifier's budget could never be verified.
    if (replay->ticks > rules::kReplayTickBudget) {
        result.failure = "the game took " + std::to_string(replay->ticks) + " frames, more than the " +
                         std::to_string(rules::kReplayTickBudget) + " a replay may take";
        return result;
    }
    result.replay = *replay;
    result.outcome = OutcomeOf(court->Game(), settings.level, replay->ticks);
    result.recorded = true;
    return result;
}

std::vector<BotGame> ThousandBotGames() {
    constexpr int kGamesPerLevel[rules::kLevels] = {334, 333, 333};
    constexpr int kGreedyEvery = 50;
    std::vector<BotGame> games;
    for (int level = 0; level < rules::kLevels; ++level)
        for (int index = 0; index < kGamesPerLevel[level]; ++index)
            games.push_back({rules::Level(level), std::uint32_t(1000 * level + index + 1),
                             index % kGreedyEvery == 0 ? SoakBot::Kind::Greedy : SoakBot::Kind::Random});
    return games;
}

int RunRecord(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    RecordOptions options;
    try {
        options = ParseRecordOptions(args);
    } catch (const SimError& error) {
        err << "hoopstack-sim: " << error.what() << std::endl;
        return 2;
    }
    HeadlessSession session;
    const RecordedGame game = RecordGame(&session, options.settings, options.seed, options.bot, err);
    if (!game.recorded) {
        err << "hoopstack-sim: " << game.failure << "; nothing written" << std::endl;
        return 1;
    }
    std::string error;
    if (!store::WriteReplayFile(options.out, rules::EncodeReplay(game.replay), &error)) {
        err << "hoopstack-sim: " << error << std::endl;
        return 1;
    }
    out << OutcomeLine("recorded", true, game.outcome) << std::endl;
    return 0;
}

} // namespace sim
