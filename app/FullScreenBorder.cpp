#include "app/FullScreenBorder.hpp"

#include <optional>

#include "app/WindowIcon.hpp"
#include "platform/Platform.hpp"
#include "scene/AssetNames.hpp"
#include "scene/ResolvePath.hpp"

namespace app {

bool FullScreenBorder::HandToPlatform() {
    // The platform keeps its own copy; the picture is read again only by a new program.
    std::optional<WindowIcon> tile = WindowIcon::Load(scene::ResolvePath(scene::assets::kFullScreenBorder));
    if (!tile) return false;
    platform::CurrentPlatform().SetBorderTile(tile->Pixels());
    return true;
}

} // namespace app
