#pragma once

#include <cstdint>

namespace engine {

// Milliseconds to sleep after a tick that took `elapsed` ms at `framesPerSecond`.
// The small bias keeps the quotient just below a whole number, so 50 frames a
// second sleeps 19 ms after an instant tick and 25 frames a second 39 ms; a
// result of 0 or less means the next frame starts at once, with no catch-up.
int FrameSleepMilliseconds(int framesPerSecond, std::uint32_t elapsed);

} // namespace engine
