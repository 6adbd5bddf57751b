#pragma once

#include "rules/CourtGeometry.hpp"
#include "rules/CourtState.hpp"

namespace rules {

// A throw as the rules start it: the ball's cell and the whole-pixel speeds its flight
// takes, and whether the aim lay above the ball. Two clicks that give the same launch throw
// the same way.
struct LaunchStart {
    Cell from;
    int vx = 0;
    int vy = 0;
    bool upward = false;

    bool operator==(const LaunchStart&) const = default;
};

// What a watcher of the rules hears of: the steps of the player's throw and its consequences,
// as the simulator reports them per click, and every refresh of the row under the ceiling. The
// state machine calls it during the step that caused the event, with its state already
// changed; an observer only looks and never calls the game back. Every event does nothing
// unless overridden, so this class is also the observer of a game nobody watches.
class GameObserver {
public:
    virtual ~GameObserver() = default;

    // A launch was accepted: the selected ball flies.
    virtual void ThrowLaunched(const LaunchStart& /*launch*/) {}
    // The thrown ball came to rest in the cell after a flight of this effort; `cameBack` when
    // it is its own cell (the throw is void and evaluated no further).
    virtual void ThrowLanded(Cell /*cell*/, double /*effort*/, bool /*cameBack*/) {}
    // The group search counted this many balls of the landed ball's colour, itself included.
    virtual void GroupCounted(int /*balls*/) {}
    // The support search let this many balls fall (after every evaluated landing, maybe none).
    virtual void BallsFell(int /*balls*/) {}
    // A pace step took a matched ball off the screen and scored it.
    virtual void BallRemoved() {}
    // A ball from the row under the ceiling entered the court.
    virtual void BallDropped() {}
    // The row under the ceiling was refreshed to the present colours (after a new board and
    // after every match; also when fewer than two colours are present and nothing changed).
    virtual void CeilingRefreshed(const CourtState& /*court*/) {}
};

} // namespace rules
