// Checks a saved game's replay against the saved game beside it, for the end-to-end checks of
// the real program: the replay must play, on the pure rules, to exactly the saved board, score,
// level and end. With an earlier replay, it must also continue that one: the same start, and
// the earlier inputs at its head.
//
//     e2e_check_replay STATE_FILE REPLAY_FILE [EARLIER_REPLAY_FILE]
//
// Prints one line, "ticks T inputs I score S over 0|1", and ends with 0 when all holds, 1 when
// something does not (with the reason on the error stream), 2 for a wrong command line.

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>

#include "game/ReplayFiles.hpp"
#include "rules/ReplayPlayer.hpp"
#include "rules/TSavedGame.hpp"

namespace {

int Fail(const std::string& why) {
    std::cerr << "e2e_check_replay: " << why << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: e2e_check_replay STATE_FILE REPLAY_FILE [EARLIER_REPLAY_FILE]\n";
        return 2;
    }
    const std::optional<rules::TSavedGame> saved = rules::LoadSavedGame(argv[1]);
    if (!saved) return Fail(std::string("cannot read the saved game ") + argv[1]);
    std::string error;
    const std::optional<rules::GameReplay> replay = game::ReadReplayFile(argv[2], &error);
    if (!replay) return Fail(std::string("no replay in ") + argv[2] + ": " + error);
    const rules::ReplayRun run = rules::PlayReplay(*replay);
    if (!run.played) return Fail("the replay does not play: " + run.failure);
    const rules::ReplayOutcome& outcome = run.outcome;
    std::cout << "ticks " << replay->ticks << " inputs " << replay->inputs.size() << " score " << outcome.score
              << " over " << (outcome.gameOver ? 1 : 0) << "\n";

    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c)
            if (outcome.board[std::size_t(r - 1)][std::size_t(c - 1)] - '0' != saved->cells[std::size_t(r)][std::size_t(c)])
                return Fail("row " + std::to_string(r) + " column " + std::to_string(c) + " differs from the saved board");
    if (outcome.gameOver != saved->gameOver) return Fail("the replay's end differs from the saved game's");
    // A finished game is saved with a score of 0.
    if (!saved->gameOver && outcome.score != saved->score)
        return Fail("the replay scores " + std::to_string(outcome.score) + ", the saved game " + std::to_string(saved->score));
    if (outcome.level != saved->settings.level) return Fail("the replay's level differs from the saved game's");

    if (argc == 4) {
        const std::optional<rules::GameReplay> earlier = game::ReadReplayFile(argv[3], &error);
        if (!earlier) return Fail(std::string("no replay in ") + argv[3] + ": " + error);
        if (earlier->startState != replay->startState || earlier->level != replay->level)
            return Fail("the replay starts another game than the earlier one");
        if (earlier->ticks > replay->ticks || earlier->inputs.size() > replay->inputs.size() ||
            !std::equal(earlier->inputs.begin(), earlier->inputs.end(), replay->inputs.begin()))
            return Fail("the replay does not continue the earlier one");
    }
    return 0;
}
