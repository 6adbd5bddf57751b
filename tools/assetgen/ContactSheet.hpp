#pragma once

#include <map>
#include <ostream>
#include <string>

#include "scene/TClipData.hpp"

namespace assetgen {

// Every clip of the catalogue, made in memory and read back with the game's reader, by path.
std::map<std::string, scene::TClipData> ReadBackClips(std::ostream& errors);

// Writes one PNG on the game's background: a mock-up of the game window and the intro
// assembled from the files, then every frame of every clip, labelled with its path, frame
// number and commands.
bool WriteContactSheet(const std::string& pngPath, std::ostream& errors);

} // namespace assetgen
