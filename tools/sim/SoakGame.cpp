#include "SoakGame.hpp"

#include <ostream>

#include "rules/BoardRules.hpp"

namespace sim {

namespace {

// Runs the frames of one game and reports the first violation.
class SoakFrames {
public:
    SoakFrames(SoakCourt& court, int number, std::ostream& err) : m_court(court), m_number(number), m_err(err) {}

    // Runs frames until the game is at rest; false after a violation.
    bool Settle() {
        for (int ticks = 0; ticks < kSoakRestLimit; ++ticks) {
            m_court.Frame();
            ++m_frame;
            const std::string problem = m_court.Violation();
            if (!problem.empty()) return Fail(problem);
            if (m_court.Game().BonusPending()) bonusSeen = true;
            if (IsAtRest(m_court.Game())) return true;
        }
        return Fail("the board did not come to rest after " + std::to_string(kSoakRestLimit) + " frames");
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

std::string BoardRows(const rules::TGame& game) {
    const auto colours = rules::ColoursOf(game.Grid());
    std::string text;
    for (int row = 1; row <= 16; ++row) {
        if (row > 1) text += ' ';
        for (int column = 1; column <= 16; ++column) text += char('0' + colours[row][column]);
    }
    return text;
}

SoakGameResult PlaySoakGame(SoakCourt& court, SoakBot& bot, int number, std::ostream& err) {
    SoakGameResult result;
    SoakFrames run(court, number, err);
    if (!IsAtRest(court.Game()) && !run.Settle()) return result;
    for (;;) {
        const rules::TGame& game = court.Game();
        if (game.GameOver()) {
            result.ending = run.bonusSeen ? "bonus" : "overflow";
            break;
        }
        if (!rules::FirstFreeBall(game.Grid()).IsValid()) {
            result.ending = "stuck";
            break;
        }
        if (result.throws >= kSoakThrowLimit) {
            result.ending = "limit";
            break;
        }
        if (!bot.Throw(court)) {
            result.ending = "stuck";
            break;
        }
        ++result.throws;
        if (!run.Settle()) return result;
        const rules::TThrowReport& report = court.Report();
        if (report.group >= 3) ++result.matches;
        result.drops += report.drops;
    }
    result.clean = true;
    return result;
}

} // namespace sim
