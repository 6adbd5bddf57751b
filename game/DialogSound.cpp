#include "game/DialogSound.hpp"

#include "engine/ControlEvents.hpp"
#include "platform/Platform.hpp"
#include "rules/GameSettings.hpp"
#include "scene/AssetNames.hpp"
#include "scene/ResolvePath.hpp"

namespace game {

void PlayAnswerHoverSound(int code) {
    if (code != engine::Event_MouseEntered || !rules::Settings().sound) return;
    const std::string path = scene::ResolvePath(scene::assets::kButtonSound);
    if (!path.empty()) platform::CurrentPlatform().PlaySound(path, false);
}

} // namespace game
