#include "game/CourtWindows.hpp"

#include <utility>

#include "game/OGameWindow.hpp"
#include "game/OReplayWindow.hpp"

namespace game {

OCourtWindow* NewCourtWindow(engine::OWindow* owner, const engine::CreationParams& params,
                             GameWindowSetup setup) {
    if (setup.playback) return new OReplayWindow(owner, params, std::move(setup));
    return new OGameWindow(owner, params, std::move(setup));
}

} // namespace game
