#pragma once

#include "platform/Rect.hpp"
#include "rules/TruncateToInt.hpp"

namespace scene {

// The rules' truncation, shared so that the court and the scene map positions alike.
using rules::TruncateToInt;

// Whether two positions land on different whole pixels: a move inside one pixel needs no redraw.
inline bool TruncatedDiffers(float a, float b) { return TruncateToInt(a) != TruncateToInt(b); }

// Scene rectangles are window client pixels.
using Rect = platform::Rect;

} // namespace scene
