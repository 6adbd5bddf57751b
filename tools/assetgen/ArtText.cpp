#include "ArtText.hpp"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <libintl.h>

namespace assetgen {

namespace {

constexpr const char* kDomain = "hoopstack";
bool translating = false;

} // namespace

std::string ArtText(const char* english) {
    return translating ? ::dgettext(kDomain, english) : english;
}

bool SetArtLanguage(const std::string& language, const std::string& localeFolder) {
    std::error_code error;
    const std::filesystem::path catalogue =
        std::filesystem::path(localeFolder) / language / "LC_MESSAGES" / (std::string(kDomain) + ".mo");
    if (language.empty() || !std::filesystem::is_regular_file(catalogue, error)) return false;
    // As the game does: the catalogue comes from LANGUAGE under the built-in C.UTF-8 locale; cairo
    // draws UTF-8.
    ::setenv("LANGUAGE", language.c_str(), 1);
    std::setlocale(LC_MESSAGES, "C.UTF-8");
    ::bindtextdomain(kDomain, localeFolder.c_str());
    ::bind_textdomain_codeset(kDomain, "UTF-8");
    translating = true;
    return true;
}

} // namespace assetgen
