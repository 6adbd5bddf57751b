#include "SoakCommand.hpp"

#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>

#include "CommandLine.hpp"
#include "HeadlessSession.hpp"
#include "SimError.hpp"
#include "SoakBot.hpp"
#include "SoakCourt.hpp"
#include "SoakGame.hpp"

namespace sim {

namespace {

struct SoakOptions {
    int games = 1;
    rules::GameSettings settings;
    std::uint32_t seed = 1;
    SoakBot::Kind bot = SoakBot::Kind::Random;
    bool window = false;
};

SoakOptions ParseSoakOptions(const std::vector<std::string>& args) {
    const CommandLine line(args, {"games", "level", "seed", "bot", "speed"}, {"window"});
    SoakOptions options;
    options.games = line.IntIn("games", 1, 1, 1000000);
    options.settings.level = rules::Level(line.IntIn("level", 0, 0, 2));
    options.settings.speed = rules::Speed(line.IntIn("speed", 1, 0, 2));
    options.seed = line.Unsigned("seed", 1);
    options.bot = BotKindNamed(line.Value("bot").value_or("random"));
    options.window = line.Flag("window");
    return options;
}

} // namespace

int RunSoak(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    SoakOptions options;
    try {
        options = ParseSoakOptions(args);
    } catch (const SimError& error) {
        err << "hoopstack-sim: " << error.what() << std::endl;
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    std::unique_ptr<HeadlessSession> session;
    if (options.window) session = std::make_unique<HeadlessSession>();
    long long allThrows = 0;

    for (int index = 0; index < options.games; ++index) {
        const std::uint32_t seed = options.seed + std::uint32_t(index);
        std::unique_ptr<SoakCourt> court = session ? std::make_unique<SoakCourt>(*session, options.settings, seed)
                                                   : std::make_unique<SoakCourt>(options.settings, seed);
        if (!court->Started()) {
            err << "hoopstack-sim: could not load the game's pictures" << std::endl;
            return 1;
        }
        SoakBot bot(options.bot, seed);
        const SoakGameResult game = PlaySoakGame(*court, bot, index + 1, err);
        if (!game.clean) return 1;
        out << "game " << index + 1 << ": score " << court->Game().Score() << ", throws " << game.throws
            << ", matches " << game.matches << ", drops " << game.drops << ", ended by " << game.ending << std::endl;
        allThrows += game.throws;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%.2f", seconds);
    out << "soak: " << options.games << " games, " << allThrows << " throws, 0 violations, " << elapsed << " s"
        << std::endl;
    return 0;
}

} // namespace sim
