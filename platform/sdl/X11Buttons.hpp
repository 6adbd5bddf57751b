#pragma once

#include <cstdint>

struct SDL_Window;

namespace platform {

// The X server's number of an SDL mouse button (left 1, middle 2, right 3, the side buttons
// 8 and 9, past the wheel's 4 to 7), or 0 for no button.
int X11ButtonFromSdl(std::uint8_t sdlButton);

// Hands SDL a release of each button in `buttons` (an SDL button mask) on `window`, as the X
// server would send it, and has SDL take them in before returning. SDL counts a button held
// from its press until it sees the release on a window it still knows, and ignores a press
// of a button it counts held; a window destroyed before its release is read would leave the
// button held for good and cost the next press on any window. False, with nothing sent, when
// the window is not an X11 one. Main thread only.
bool ReleaseButtonsOn(SDL_Window* window, std::uint32_t buttons);

} // namespace platform
