#pragma once

#include "rules/CourtGeometry.hpp"

namespace rules {

class TGame;

// The steps of a turn below the player's click, for the soak bot's predictions on a pure copy
// of a court and for tests: select a ball, launch the selected one at a point, end the game.
// Unlike a click, these skip the click's checks (balls moving, the level's rule on picking)
// and are not recorded in the game's replay, so a game driven by them does not replay; the
// game window never uses them.
class CourtControls {
public:
    explicit CourtControls(TGame& game) : m_game(game) {}

    // Selects the ball in the cell: it plays and the selection marker moves onto it, the
    // previous one pauses. False, changing nothing, for an invalid or empty cell.
    bool Select(Cell cell);
    // Throws the selected ball toward window pixel (x, y); false, changing nothing, when the
    // flight rules refuse the throw.
    bool Launch(int x, int y);
    // Ends the game at once without a bonus, as a blocked drop does.
    void EndGame();

private:
    TGame& m_game;
};

} // namespace rules
