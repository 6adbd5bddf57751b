#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "rules/ReplayPlayer.hpp"
#include "rules/TGame.hpp"

namespace sim {

// Where a game stands, in the form of a replay's outcome; the caller gives the ticks.
rules::ReplayOutcome OutcomeOf(const rules::TGame& game, rules::Level level, std::uint32_t ticks);

// One line of JSON for an outcome, the verdict first under its key:
// {"KEY":bool,"level":L,"score":n,"game_over":bool,"ticks":n,"board":[16 strings]}, the keys in
// this order, no spaces, the rows as the click reports write them.
std::string OutcomeLine(std::string_view key, bool verdict, const rules::ReplayOutcome& outcome);

// How a replay's text played.
struct ReplayCheck {
    // False when the text is no replay or cannot be played; `failure` says why.
    bool played = false;
    std::string failure;
    // It played into a finished game that VerifyReplay verifies with its own level and score;
    // why not otherwise.
    bool verified = false;
    std::string reason;
    rules::ReplayOutcome outcome;
};

// Decodes the text and plays it on the pure rules within the tick budget; a finished game is
// then judged as the server judges a report of its level and score.
ReplayCheck CheckReplayText(std::string_view text, std::uint32_t tickBudget = rules::kReplayTickBudget);

// "verify FILE": plays the replay in FILE and prints OutcomeLine("verified", ...) of its end.
// Exit 0 when verified; 1 when not: with the line and the reason on `err` when it played (into
// an unfinished game, say), with only a message on `err` when the file is missing, too large,
// no replay or over the budget; 2 on bad usage. Standard output holds nothing but the line.
int RunVerify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace sim
