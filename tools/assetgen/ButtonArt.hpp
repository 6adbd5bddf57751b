#pragma once

#include <string>

#include "Colour.hpp"
#include "Layout.hpp"
#include "Picture.hpp"
#include "scene/TClipData.hpp"

namespace assetgen {

enum class ButtonState { Normal, Hover, Pressed };

// Orange leather for buttons with their label drawn in; dark chocolate for the buttons the
// program writes its peach or white captions on.
enum class ButtonLook { Leather, Chocolate };

enum class ButtonIcon { None, Help, Minimise, Close, Trophy, Pause, Play, Restart, Minus, Plus };

// Largest font size, down to `minimum`, at which the text's ink fits in `width` pixels.
double FitFontSize(const std::string& text, double largest, double minimum, double width);

// One picture of a button in a state; the label or icon is centred, and pressed moves it one
// pixel down.
Picture ButtonPicture(Size size, ButtonLook look, ButtonState state, const std::string& label,
                      ButtonIcon icon);

// Three frames: normal, hover, pressed.
scene::TClipData ButtonClip(Size size, ButtonLook look, const std::string& label, ButtonIcon icon,
                            const Rgb& background);

// The replay window's square buttons, three frames each (normal, hover, pressed) one after
// another: pause, play, restart, slower.
scene::TClipData ReplayButtonsClip(const Rgb& background);

// The replay window's faster button: a plus at its right end, its left part left free for the
// speed the program writes there; normal, hover, pressed.
scene::TClipData FasterButtonClip(const Rgb& background);

// The name field: a cream well in a leather frame; normal, hover (focused) and pressed. The
// plain variant is the fallback skin.
scene::TClipData EditClip(bool plain, const Rgb& background);

// Check box looks of the options window: two frames each, normal and hover.
scene::TClipData CheckClip(bool checked, const Rgb& background);

// Speed choice looks: a round socket, empty or holding a small basketball; normal and hover.
scene::TClipData ChoiceClip(bool selected, const Rgb& background);

// The fallback check box: frames 0–2 unchecked, 3–5 checked (normal, hover, pressed).
scene::TClipData DefaultCheckClip(const Rgb& background);

// A Top 10 row box: a cream plate with a thin frame, for dark blue captions.
scene::TClipData RowBoxClip(Size size, const Rgb& background);

} // namespace assetgen
