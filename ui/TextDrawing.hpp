#pragma once

#include <string_view>

#include "engine/FontRecord.hpp"
#include "scene/Rect.hpp"
#include "scene/SceneHost.hpp"

namespace ui {

// The size of the text set in the font, in pixels; an empty text measures 0 x 0.
int TextWidth(std::string_view text, const engine::FontRecord& font);
int TextHeight(std::string_view text, const engine::FontRecord& font);

// Draws the text into `target` with its cell's top-left corner at (x, y), inside `clip`
// only. The characters from the smaller to the larger of the highlight ends (clamped to the
// text) are drawn in the inverted colour on a box of the font's colour. The caller holds
// the lock of the window that owns `target`.
void DrawTextRange(const scene::BackBufferView& target, std::string_view text, const engine::FontRecord& font,
                   int x, int y, const scene::Rect& clip, int highlightStart, int highlightEnd);

} // namespace ui
