#pragma once

#include <cstdint>

namespace game {

// Why a game stands still.
enum class PauseCause : std::uint8_t { None, Player, FocusLost };

// Whether the court's game stands still, and the game's own clock, which does not run while
// it does: the rules see the same times as if the game had never stopped, so a paused game
// records the same replay. Times are the platform's wrapping milliseconds.
class GamePause {
public:
    bool Paused() const { return m_cause != PauseCause::None; }
    PauseCause Cause() const { return m_cause; }

    // P or Pause: stops a running game, or resumes a stopped one whatever stopped it.
    void Toggle(std::uint32_t now);
    // The window lost the focus: a running game stops until the focus comes back.
    void FocusLost(std::uint32_t now);
    // The focus came back: resumes the game only if the lost focus stopped it. True if so.
    bool FocusGained(std::uint32_t now);
    // Resumes whatever stopped the game; nothing if it runs.
    void Resume(std::uint32_t now);

    // The game's clock at platform time `now`: `now` less the time spent stopped.
    std::uint32_t GameTime(std::uint32_t now) const { return now - m_stoppedFor; }

private:
    void Stop(PauseCause cause, std::uint32_t now);

    PauseCause m_cause = PauseCause::None;
    std::uint32_t m_since = 0;      // when the game stopped
    std::uint32_t m_stoppedFor = 0; // every stop's length so far, wrapping as the clock does
};

} // namespace game
