#pragma once

namespace game {

// The intro's steps: the logo halves move 10 pixels a tick and the blend counter falls by
// 10 a tick. All sizes and positions are whole pixels of the intro window.
inline constexpr int kIntroStep = 10;
inline constexpr int kIntroBlendStep = 10;
inline constexpr int kIntroBlendStart = 255;
// The intro ends once the counter has fallen below this after the title was shown.
inline constexpr int kIntroBlendEnd = -500;

// The upper half, sliding in from the right, has arrived when one more step would bring its
// centre to the window's middle or past it.
bool UpperHalfSlidIn(int x, int width, int windowWidth);
// The lower half, sliding in from the left, has arrived on the same rule from the other side.
bool LowerHalfSlidIn(int x, int width, int windowWidth);
// The x that centres an object of `width` in the window.
int CentredX(int width, int windowWidth);
// The upper half, moving up, has arrived when one more step would take it past the top.
bool UpperHalfApart(int y);
// The lower half, moving down, has arrived when one more step would take it past the bottom.
bool LowerHalfApart(int y, int height, int windowHeight);
// The y that centres the title in the gap between the halves once apart.
int TitleY(int upperY, int upperHeight, int lowerY, int titleHeight);

} // namespace game
