#include "game/ReplayKeys.hpp"

#include "platform/KeyCodes.hpp"

namespace game {

ReplayCommand ReplayCommandForKey(int code) {
    switch (code) {
    case platform::Key_Space:
        return ReplayCommand::PauseOrPlay;
    case platform::Key_Plus:
    case platform::Key_Add:
        return ReplayCommand::Faster;
    case platform::Key_Minus:
    case platform::Key_Subtract:
        return ReplayCommand::Slower;
    case platform::Key_Home:
        return ReplayCommand::Restart;
    default:
        return ReplayCommand::None;
    }
}

} // namespace game
