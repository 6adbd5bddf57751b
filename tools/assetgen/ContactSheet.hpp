#pragma once

#include <map>
#include <ostream>
#include <string>

#include "scene/TClipData.hpp"

namespace assetgen {

class ScreenPictures;

// Every clip of the catalogue, made in memory and read back with the game's reader, by path.
std::map<std::string, scene::TClipData> ReadBackClips(std::ostream& errors);

// Writes one PNG on the game's background: the game window and the intro, then every frame
// of every clip, labelled with its path, frame number and commands. The game window is a
// mock-up assembled from the files, or with `screens` the program's own picture of it,
// followed by those of its dialogs, each at 1:1 and labelled; the intro is a mock-up.
bool WriteContactSheet(const std::string& pngPath, std::ostream& errors, const ScreenPictures* screens = nullptr);

} // namespace assetgen
