#pragma once

#include "platform/Rect.hpp"
#include "rules/TruncateToInt.hpp"

namespace scene {

// The rules' truncation, shared so that the court and the scene map positions alike.
using rules::TruncateToInt;

// Scene rectangles are window client pixels.
using Rect = platform::Rect;

} // namespace scene
