#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rules/GameObserver.hpp"
#include "rules/GameReplay.hpp"

namespace rules {

// A throw with the frame the rules launched it on.
struct TimedLaunch {
    std::uint32_t tick = 0;
    LaunchStart launch;

    bool operator==(const TimedLaunch&) const = default;
};

// Writes down every throw of a game with its frame, read from a counter of frames the caller
// keeps (a replay cursor's tick).
class LaunchLog : public GameObserver {
public:
    explicit LaunchLog(const std::uint32_t& tick) : m_tick(tick) {}
    void ThrowLaunched(const LaunchStart& launch) override { m_launches.push_back({m_tick, launch}); }
    const std::vector<TimedLaunch>& Launches() const { return m_launches; }

private:
    const std::uint32_t& m_tick;
    std::vector<TimedLaunch> m_launches;
};

// The identity of a game: what the rules did in it, as text. It holds the rules version, the
// level, the generator's start, the ball size, the frame counts of the clips the game drew
// from, every throw as the rules launched it with its frame, every paced frame on which a
// queued ball moved on, and the frame the game ended on. Clicks that threw nothing (a
// selection, a click where no throw can go) leave no trace of their own, and two clicks that
// launch alike are one throw, so two replays that play the same game give the same text
// however they were encoded, padded or clicked. `taken` is the record the rules kept while
// the game played.
std::string GameIdentity(const GameReplay& taken, const std::vector<TimedLaunch>& launches);

} // namespace rules
