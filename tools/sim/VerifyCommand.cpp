#include "VerifyCommand.hpp"

#include <ostream>

#include "rules/BoardRules.hpp"
#include "rules/GameReplay.hpp"
#include "store/ReplayFile.hpp"

namespace sim {

namespace {

const char* Bool(bool value) { return value ? "true" : "false"; }

} // namespace

rules::ReplayOutcome OutcomeOf(const rules::TGame& game, rules::Level level, std::uint32_t ticks) {
    rules::ReplayOutcome outcome;
    outcome.level = level;
    outcome.gameOver = game.GameOver();
    outcome.score = game.Score();
    outcome.ticks = ticks;
    const auto colours = rules::ColoursOf(game.Grid());
    for (int row = 1; row <= 16; ++row) {
        std::string& line = outcome.board[std::size_t(row - 1)];
        line.clear();
        for (int column = 1; column <= 16; ++column) line += char('0' + colours[row][column]);
    }
    return outcome;
}

std::string OutcomeLine(std::string_view key, bool verdict, const rules::ReplayOutcome& outcome) {
    std::string line = "{\"";
    line += key;
    line += "\":";
    line += Bool(verdict);
    line += ",\"level\":" + std::to_string(int(outcome.level));
    line += ",\"score\":" + std::to_string(outcome.score);
    line += std::string(",\"game_over\":") + Bool(outcome.gameOver);
    line += ",\"ticks\":" + std::to_string(outcome.ticks);
    line += ",\"board\":[";
    for (std::size_t row = 0; row < outcome.board.size(); ++row) {
        if (row > 0) line += ",";
        line += "\"" + outcome.board[row] + "\"";
    }
    line += "]}";
    return line;
}

ReplayCheck CheckReplayText(std::string_view text, std::uint32_t tickBudget) {
    ReplayCheck check;
    std::string error;
    const std::optional<rules::GameReplay> replay = rules::DecodeReplay(text, &error);
    if (!replay) {
        check.failure = "not a replay: " + error;
        return check;
    }
    rules::ReplayRun run = rules::PlayReplay(*replay, tickBudget);
    if (!run.played) {
        check.failure = "the replay cannot be played: " + run.failure;
        return check;
    }
    check.played = true;
    check.outcome = std::move(run.outcome);
    // The judgement is the server's: the replay's own level and final score as the claim.
    if (check.outcome.gameOver) {
        const rules::ReplayVerdict verdict =
            rules::VerifyReplay(text, check.outcome.level, check.outcome.score, tickBudget);
        check.verified = verdict.verified;
        check.reason = verdict.reason;
    } else {
        check.reason = "the replayed game is not finished";
    }
    return check;
}

int RunVerify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1 || args[0].rfind("--", 0) == 0) {
        err << "hoopstack-sim: verify needs exactly one FILE" << std::endl;
        return 2;
    }
    const std::string& path = args[0];
    const store::ReplayFileRead file = store::ReadReplayFile(path, rules::kMaxReplayText);
    if (!file.ok) {
        err << "hoopstack-sim: " << file.error << std::endl;
        return 1;
    }
    const ReplayCheck check = CheckReplayText(file.text);
    if (!check.played) {
        err << "hoopstack-sim: " << path << ": " << check.failure << std::endl;
        return 1;
    }
    out << OutcomeLine("verified", check.verified, check.outcome) << std::endl;
    if (!check.verified) err << "hoopstack-sim: " << path << ": not verified: " << check.reason << std::endl;
    return check.verified ? 0 : 1;
}

} // namespace sim
