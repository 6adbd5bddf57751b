#pragma once

#include "game/GameWindowSetup.hpp"
#include "game/OCourtWindow.hpp"

namespace game {

// Makes the court window a setup asks for, not yet started: a replay window for a recording,
// else the game window. A new mode of the court is one class derived from OCourtWindow and
// its case here.
OCourtWindow* NewCourtWindow(engine::OWindow* owner, const engine::CreationParams& params,
                             GameWindowSetup setup);

} // namespace game
