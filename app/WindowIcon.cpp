#include "app/WindowIcon.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "scene/AssetNames.hpp"
#include "scene/ClipFormat.hpp"
#include "scene/ResolvePath.hpp"

namespace app {

std::optional<WindowIcon> WindowIcon::Load(const std::string& path) {
    // A folder opens as a stream and throws on its first read, so only files are read.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    char chunk[4096];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0)
        bytes.insert(bytes.end(), chunk, chunk + file.gcount());
    if (file.bad()) return std::nullopt;
    std::optional<scene::TClipData> clip = scene::ReadClip(bytes);
    if (!clip || clip->images.empty() || clip->images.front().width < 1 || clip->images.front().height == 0)
        return std::nullopt;
    return WindowIcon(std::move(clip->images.front()));
}

platform::Surface WindowIcon::Pixels() {
    // The reader has checked that the rows fill the pixels.
    return {m_image.pixels.data(), m_image.width, std::abs(m_image.height), *scene::ImageStride(m_image.width),
            m_image.height > 0};
}

void WindowIcon::SetOn(platform::WindowId window) {
    static std::optional<WindowIcon> icon = Load(scene::ResolvePath(scene::assets::kWindowIcon));
    if (icon && window != 0) platform::CurrentPlatform().SetIcon(window, icon->Pixels(), icon->ColourKey());
}

} // namespace app
