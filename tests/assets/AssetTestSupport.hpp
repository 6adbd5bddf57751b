#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "Layout.hpp"
#include "scene/TClipData.hpp"

namespace assetgen::testing {

// The folder the build wrote the data files to.
inline std::string AssetPath(const std::string& relative) {
    return std::string(HOOPSTACK_ASSET_DIR) + "/" + relative;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A generated clip read with the game's own reader; nullopt when missing or refused.
inline std::optional<scene::TClipData> LoadClip(const std::string& relative) {
    const std::vector<uint8_t> bytes = ReadBytes(AssetPath(relative));
    if (bytes.empty()) return std::nullopt;
    return scene::ReadClip(bytes);
}

// Size of a generated clip's first image; the zero size when it does not load.
inline Size ClipSize(const std::string& relative) {
    const std::optional<scene::TClipData> clip = LoadClip(relative);
    if (!clip || clip->images.empty()) return {};
    return {clip->images[0].width, std::abs(clip->images[0].height)};
}

} // namespace assetgen::testing
