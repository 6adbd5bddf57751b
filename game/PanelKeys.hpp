#pragma once

#include "game/GamePanel.hpp"

namespace game {

// The panel button a key presses, so that the panel can be used without a mouse: N new game,
// L the level button, O (or F3) options, T (or F2) the Top 10, R (or F1) the rules, M more
// games, Q the close button (which asks first); None for any other key. Letters come as their upper-case key codes.
GamePanel::Button PanelButtonForKey(int code);

} // namespace game
