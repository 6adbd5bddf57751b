#pragma once

#include <string>

namespace assetgen {

// The words drawn into a picture (a button's label, a title), in the language the generator
// draws for, or as they stand. The English texts are the keys of the game's own catalogues.
std::string ArtText(const char* english);

// Marks a label for the catalogues where it is handed on, to be drawn through ArtText.
constexpr const char* ArtWords(const char* english) {
    return english;
}

// Draws the words in `language` ("de", "pt_BR") from the catalogues in `localeFolder` from now
// on; false, and English kept, when the language has no catalogue there.
bool SetArtLanguage(const std::string& language, const std::string& localeFolder);

} // namespace assetgen
