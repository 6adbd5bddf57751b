#include "game/DialogSound.hpp"

#include "engine/ControlEvents.hpp"
#include "rules/GameSettings.hpp"
#include "platform/Platform.hpp"
#include "scene/ResolvePath.hpp"

namespace game {

void PlayAnswerHoverSound(int code) {
    if (code != engine::Event_MouseEntered || !Settings().sound) return;
    const std::string path = scene::ResolvePath("WAV\\over.wav");
    if (!path.empty()) platform::CurrentPlatform().PlaySound(path, false);
}

} // namespace game
