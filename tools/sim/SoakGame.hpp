#pragma once

#include <iosfwd>
#include <string>

#include "SoakBot.hpp"
#include "SoakCourt.hpp"

namespace sim {

// The most throws a bot game may make before it is called off.
inline constexpr int kSoakThrowLimit = 2000;
// The most frames the board may take to come to rest after a throw.
inline constexpr int kSoakRestLimit = 200000;

// How one bot game went.
struct SoakGameResult {
    // False: a violation was printed and the game stopped there.
    bool clean = false;
    int throws = 0;
    int matches = 0;
    int drops = 0;
    // "overflow" or "bonus" for a game that ended; "stuck" when no throw was left and "limit"
    // after kSoakThrowLimit throws for one that did not.
    std::string ending;

    bool Finished() const { return ending == "overflow" || ending == "bonus"; }
};

// Plays the court's game with the bot until it ends, is stuck or reaches the throw limit,
// checking the rules' invariants after every frame. A violation goes to `err` with the game's
// number, the frame and the board.
SoakGameResult PlaySoakGame(SoakCourt& court, SoakBot& bot, int number, std::ostream& err);

// The board as 16 rows of 16 colour digits, separated by spaces.
std::string BoardRows(const rules::TGame& game);

} // namespace sim
