#include "PlayCommand.hpp"

#include <istream>
#include <ostream>
#include <sstream>

#include "BoardFile.hpp"
#include "ClickReport.hpp"
#include "CommandLine.hpp"
#include "HeadlessSession.hpp"
#include "SimError.hpp"
#include "rules/ThrowReportObserver.hpp"

namespace sim {

namespace {

constexpr int kRestLimit = 200000;

struct ClickLine {
    int x = 0;
    int y = 0;
};

// Parses "click X Y"; throws SimError for anything else.
ClickLine ParseClickLine(const std::string& line) {
    std::istringstream words(line);
    std::string command, xs, ys, extra;
    words >> command;
    if (command != "click") throw SimError("unknown command '" + command + "'");
    if (!(words >> xs >> ys) || (words >> extra)) throw SimError("expected 'click X Y', got '" + line + "'");
    ClickLine click;
    if (!CommandLine::ParseInt(xs, click.x) || !CommandLine::ParseInt(ys, click.y))
        throw SimError("click coordinates must be integers, got '" + line + "'");
    return click;
}

bool IsBlank(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

} // namespace

int RunPlay(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    rules::TSavedGame saved;
    std::uint32_t seed = 1;
    try {
        const CommandLine options(args, {"board", "level", "speed", "seed"}, {});
        const std::optional<std::string> board = options.Value("board");
        if (!board) throw SimError("play needs --board FILE");
        const int level = options.IntIn("level", 0, 0, 2);
        const int speed = options.IntIn("speed", 1, 0, 2);
        seed = options.Unsigned("seed", 1);
        saved = RestoredGame(ReadBoardFile(*board), level, speed);
    } catch (const SimError& error) {
        err << "hoopstack-sim: " << error.what() << std::endl;
        return 2;
    }

    // Outlives the session, whose game it watches.
    rules::ThrowReportObserver throws;
    HeadlessSession session;
    game::GameWindowSetup setup;
    setup.preset = saved;
    setup.seed = seed;
    if (!session.Open(setup)) {
        err << "hoopstack-sim: could not load the game's pictures" << std::endl;
        return 1;
    }
    session.Tick();
    session.Game()->SetObserver(&throws);

    std::string line;
    while (std::getline(in, line)) {
        if (IsBlank(line)) continue;
        ClickLine click;
        try {
            click = ParseClickLine(line);
        } catch (const SimError& error) {
            err << "hoopstack-sim: " << error.what() << std::endl;
            return 2;
        }
        game::OGameWindow& window = *session.Window();
        throws.Clear();
        session.Click(click.x, click.y);
        const ClickReport report(click.x, click.y, window.Game()->SelectedCell());
        if (!session.RunUntilRest(kRestLimit)) {
            err << "hoopstack-sim: the board did not come to rest after " << kRestLimit << " ticks"
                << std::endl;
            return 1;
        }
        out << report.Format(window, throws.Report()) << std::endl;
    }
    return 0;
}

} // namespace sim
