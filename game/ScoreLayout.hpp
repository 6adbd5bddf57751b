#pragma once

#include <vector>

namespace game {

// The score box shows five places, a row of wide drums, for every value below
// 100,000, and as many places as the value has digits above that, on narrow drums.
inline constexpr int kWidePlaces = 5;
inline constexpr int kMostPlaces = 10; // 2,147,483,647, where the score saturates

// How many places the display needs for `value`: five, or its number of digits.
int ScorePlaces(int value);

// The left edges of the wide drums, highest place first: 35 pixels right of the court, then
// one drum and five pixels apart.
std::vector<int> WideDigitLefts(int courtWidth, int drumWidth);

// The left edges of `places` narrow drums, highest place first, centred on the wide row and
// held inside the box's window, which is 136 pixels wide: four pixels apart while they fit,
// closer (at most touching) when they do not.
std::vector<int> NarrowDigitLefts(int courtWidth, int drumWidth, int places);

} // namespace game
