#include "game/CourtWindows.hpp"

#include <utility>

#include "game/OGameWindow.hpp"
#include "game/OReplayWindow.hpp"

namespace game {

OCourtWindow* NewCourtWindow(engine::OWindow* owner, GameWindowSetup setup) {
    if (setup.playback) return new OReplayWindow(owner, std::move(setup));
    return new OGameWindow(owner, std::move(setup));
}

} // namespace game
