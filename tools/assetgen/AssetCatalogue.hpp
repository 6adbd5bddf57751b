#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace assetgen {

enum class AssetKind { Clip, Sound, Png, Svg };

// One data file of the game: its path below the output folder (with '/') and the function
// that makes its bytes. Every maker is deterministic: it reads no clock and seeds its own noise.
struct Asset {
    std::string path;
    AssetKind kind = AssetKind::Clip;
    std::function<std::vector<uint8_t>()> make;
    // It draws words (a label, a title), so each language gets a picture of its own.
    bool worded = false;
};

// Every file the generator writes: the SKINS clips, the CLP clips, the sounds, then the icons.
const std::vector<Asset>& Catalogue();

// The files of `catalogue` missing from `listed` and those listed without a maker, one
// "missing from the list: PATH" or "listed but not made: PATH" line each; empty when they agree.
std::vector<std::string> CatalogueMismatches(const std::vector<Asset>& catalogue,
                                             const std::vector<std::string>& listed);

// The files the build expects, from tools/assetgen/AssetFiles.txt.
std::vector<std::string> ListedFiles();

// Writes nothing and reports the mismatches on `errors` when the catalogue and the list
// disagree. Otherwise writes every file of the catalogue below `folder`, creating subfolders; each file is
// written through a temporary beside it. Reports the first failure on `errors`.
bool GenerateAll(const std::string& folder, std::ostream& errors);

// The path of a picture's translation: the language's folder after the first folder
// ("CLP/de/btNew.clp").
std::string TranslatedPath(const std::string& path, const std::string& language);
// Writes the worded pictures below `folder` at their translated paths, their words taken from
// the language's catalogue in `localeFolder`; false, with the reason on `errors`, when there is
// none or a file cannot be written.
bool GenerateLanguage(const std::string& folder, const std::string& language, const std::string& localeFolder,
                      std::ostream& errors);

} // namespace assetgen
