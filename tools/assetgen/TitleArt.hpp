#pragma once

#include "Colour.hpp"
#include "scene/TClipData.hpp"

namespace assetgen {

// "Top 10" with a trophy, for the top of the Top 10 window.
scene::TClipData TopTitleClip(const Rgb& background);

// The rule under a written title: a tapered stripe with a small ball in the middle.
scene::TClipData BarClip(const Rgb& background);

// "Options" over a short rule.
scene::TClipData OptionsTitleClip(const Rgb& background);

// A ball dropping through a hoop over "Quit the game?".
scene::TClipData QuitPictureClip(const Rgb& background);

// The intro emblem, a round badge with a ball, cut into its upper (1) and lower (2) halves.
scene::TClipData EmblemHalfClip(bool upper, const Rgb& background);

// The "Hoopstack" title: shown plain for a while, then a shine sweeps across once, and the
// last frame stops the clip.
inline constexpr int kTitlePlainFrames = 15;
inline constexpr int kTitleShineFrames = 15;
scene::TClipData LogoTitleClip(const Rgb& background);

} // namespace assetgen
