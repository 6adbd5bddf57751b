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
#include "rules/BoardRules.hpp"

namespace sim {

namespace {

constexpr int kRestLimit = 200000;
constexpr int kThrowLimit = 2000;

struct SoakOptions {
    int games = 1;
    game::GameSettings settings;
    std::uint32_t seed = 1;
    SoakBot::Kind bot = SoakBot::Kind::Random;
    bool window = false;
};

SoakOptions ParseOptions(const std::vector<std::string>& args) {
    const CommandLine line(args, {"games", "level", "seed", "bot", "speed"}, {"window"});
    SoakOptions options;
    options.games = line.IntIn("games", 1, 1, 1000000);
    options.settings.level = game::Level(line.IntIn("level", 0, 0, 2));
    options.settings.speed = game::Speed(line.IntIn("speed", 1, 0, 2));
    options.seed = line.Unsigned("seed", 1);
    const std::string bot = line.Value("bot").value_or("random");
    if (bot == "random")
        options.bot = SoakBot::Kind::Random;
    else if (bot == "greedy")
        options.bot = SoakBot::Kind::Greedy;
    else
        throw SimError("--bot must be random or greedy, not '" + bot + "'");
    options.window = line.Flag("window");
    return options;
}

std::string BoardRows(const game::TGame& game) {
    const auto colours = game::ColoursOf(game.Grid());
    std::string text;
    for (int row = 1; row <= 16; ++row) {
        if (row > 1) text += ' ';
        for (int column = 1; column <= 16; ++column) text += char('0' + colours[row][column]);
    }
    return text;
}

// Plays one game; returns false after printing a violation.
class SoakGame {
public:
    SoakGame(SoakCourt& court, int number, std::ostream& err) : m_court(court), m_number(number), m_err(err) {}

    // Runs frames until the game is at rest; false after a violation.
    bool Settle() {
        for (int ticks = 0; ticks < kRestLimit; ++ticks) {
            m_court.Frame();
            ++m_frame;
            const std::string problem = m_court.Violation();
            if (!problem.empty()) return Fail(problem);
            if (m_court.Game().BonusPending()) bonusSeen = true;
            if (IsAtRest(m_court.Game())) return true;
        }
        return Fail("the board did not come to rest after " + std::to_string(kRestLimit) + " frames");
    }

    bool bonusSeen = false;

private:
    bool Fail(const std::string& problem) {
        m_err << "hoopstack-sim: violation in game " << m_number << " frame " << m_frame << ": " << problem
              << "\n"
              << BoardRows(m_court.Game()) << std::endl;
        return false;
    }

    SoakCourt& m_court;
    int m_number;
    std::ostream& m_err;
    long long m_frame = 0;
};

} // namespace

int RunSoak(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    SoakOptions options;
    try {
        options = ParseOptions(args);
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
        SoakGame run(*court, index + 1, err);
        int throws = 0, matches = 0, drops = 0;
        std::string ending;
        if (!IsAtRest(court->Game()) && !run.Settle()) return 1;
        for (;;) {
            const game::TGame& game = court->Game();
            if (game.GameOver()) {
                ending = run.bonusSeen ? "bonus" : "overflow";
                break;
            }
            if (!game::FirstFreeBall(game.Grid()).IsValid()) {
                ending = "stuck";
                break;
            }
            if (throws >= kThrowLimit) {
                ending = "limit";
                break;
            }
            if (!bot.Throw(*court)) {
                ending = "stuck";
                break;
            }
            ++throws;
            if (!run.Settle()) return 1;
            const game::TThrowReport& report = court->Game().Report();
            if (report.group >= 3) ++matches;
            drops += report.drops;
        }
        out << "game " << index + 1 << ": score " << court->Game().Score() << ", throws " << throws
            << ", matches " << matches << ", drops " << drops << ", ended by " << ending << std::endl;
        allThrows += throws;
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
