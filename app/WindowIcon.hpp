#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.hpp"
#include "scene/TClipData.hpp"

namespace app {

// The picture the desktop shows for the program's windows: the first image of the clip file
// icons/hoopstack-window.clp, its colour key transparent.
class WindowIcon {
public:
    // The icon of the clip file at `path`; nullopt when it cannot be read or holds no image.
    static std::optional<WindowIcon> Load(const std::string& path);

    // Gives `window` the icon read once from the program's data; without one the desktop
    // keeps its own, which is no fault.
    static void SetOn(platform::WindowId window);

    platform::Surface Pixels();
    std::uint32_t ColourKey() const { return m_image.colourKey; }

private:
    explicit WindowIcon(scene::TClipImage image) : m_image(std::move(image)) {}

    scene::TClipImage m_image;
};

} // namespace app
