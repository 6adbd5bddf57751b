#pragma once

#include <cstdint>

namespace game {

// What the replay window is asked to do with its recording.
enum class ReplayCommand : std::uint8_t { None, PauseOrPlay, Slower, Faster, Restart };

// The replay command a key gives: Space pauses or plays on (as P and Pause do in every court
// window), + faster (the main keyboard's key, = as + unshifted, and the keypad's), - slower
// (both keys), Home plays the recording again from its start; None for any other key.
ReplayCommand ReplayCommandForKey(int code);

} // namespace game
