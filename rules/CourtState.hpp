#pragma once

#include <array>
#include <deque>
#include <vector>

#include "rules/Ball.hpp"
#include "rules/BoardRules.hpp"
#include "rules/GameRandom.hpp"

namespace rules {

// How a ball was thrown, as the rules score it: aimed above the ball's centre, a throw earns points
// by the effort of its flight, one point per ball otherwise. The values are those points'
// multipliers before a group is scored.
enum class ThrowKind : int { Plain = 1, Upward = 2 };

// Everything a game of the rules is at one moment: the balls in their places (the grid, the row
// under the ceiling, the balls in flight and the two queues), the throw under way, the score and
// the counters, the flags of the game's end and the generator that decides what comes next. The
// state machine owns one and steps it; a restore takes over a whole one played elsewhere. The
// balls belong to a scene: the state refers to them and owns none.
struct CourtState {
    GameRandom random{1};

    BallGrid grid{};
    std::array<Ball*, 17> ceiling{}; // slots 1-16
    // Balls in play per colour (index colour - 1): on the grid, flying or waiting to fall. Balls
    // under the ceiling and matched balls waiting for removal are not counted.
    std::array<int, kColours> counts{};
    std::vector<Ball*> flying; // in the order they took off
    std::deque<Ball*> removal; // matched, off the grid, still shown
    std::deque<Ball*> falling; // lost their support, off the grid, not yet flying

    Cell selected;
    Ball* thrownBall = nullptr; // the player's ball while it flies
    bool throwInProgress = false;
    ThrowKind throwKind = ThrowKind::Plain;
    double effort = 0;

    int score = 0;
    int pointsPerBall = 0;
    int failCount = 0;
    int pendingDrops = 0;
    int firstBallColumn = -1;

    bool gameOver = false;
    bool bonusPending = false;
    bool resultPending = false;

    // The colours with a ball in play, ascending (1-7).
    std::vector<int> PresentColours() const;
    // Nothing moves or waits: no flight, no queued ball, no pending drop or bonus.
    bool IsSettled() const;
    // Nothing moves or waits for removal or a fall, and the game is not over. Pending drops do
    // not hold the player back.
    bool AcceptsClicks() const;
};

} // namespace rules
