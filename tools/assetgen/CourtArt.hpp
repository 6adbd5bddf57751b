#pragma once

#include "Colour.hpp"
#include "Picture.hpp"
#include "scene/TClipData.hpp"

namespace assetgen {

enum class BorderSide { Top, Bottom, Left, Right };

// Hardwood with its grain along the length of the piece and a bevelled edge. The top border
// is a thin beam with the wall posts under its ends; everything between the posts is
// transparent, so that the waiting balls under the beam stay in view.
scene::TClipData BorderClip(BorderSide side, const Rgb& background);

// The score board behind the five digits, with its "SCORE" plate above them.
scene::TClipData ScoreBoxClip(const Rgb& background);

// Odometer digits: frame 5·d shows d and stops there; frames 5·d + 1 … 5·d + 4 roll the
// drum on towards d + 1 (9 rolls on to 0).
inline constexpr int kDigitFrames = 50;
inline constexpr float kDigitFrameRate = 25.0f;
scene::TClipData DigitsClip(const Rgb& background);
// The same drums, narrow enough that ten of them fit the score box, for scores of six places
// and more.
scene::TClipData NarrowDigitsClip(const Rgb& background);

// Column marker: frame 0 the quiet rim segment, then a glowing loop that returns to frame 1.
inline constexpr int kMarkerFrames = 9;
scene::TClipData ColumnMarkerClip(const Rgb& background);

// A ring around the selected ball with sparks running round it.
inline constexpr int kSelectionFrames = 8;
scene::TClipData SelectionClip(const Rgb& background);

// One dot of a flight path.
scene::TClipData PathDotClip(const Rgb& background);

// The cell that keys and gamepads point at while the player picks a ball: a cool, pulsing
// hexagon the size of the selection ring, so that it never reads as the selection itself.
inline constexpr int kKeyCellFrames = 8;
scene::TClipData KeyCellClip(const Rgb& background);

// The aim mark that keys and gamepads move: a ring with four ticks, its centre pixel at
// (size / 2, size / 2) being the point a throw goes to.
scene::TClipData AimMarkClip(const Rgb& background);

// The plate the word of a paused game is written on, across the middle of the court.
scene::TClipData PausePlateClip(const Rgb& background);

// The tile repeated around the game on the full screen: dark, staggered floor boards with
// their grain and seams, kBackdropTile pixels square, every edge meeting the opposite one so
// that it repeats without a visible joint. Opaque: no pixel is the colour key.
scene::TClipData BackdropTileClip(const Rgb& background);

} // namespace assetgen
