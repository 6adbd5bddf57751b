#include "ScreenPictures.hpp"

#include <filesystem>
#include <utility>

namespace assetgen {

namespace {

struct Named {
    const char* file;
    const char* label;
};

constexpr Named kScreens[] = {
    {"game.png", "game window"},
    {"rules.png", "rules"},
    {"quit.png", "quit confirmation"},
    {"level.png", "level confirmation"},
    {"options.png", "options"},
    {"scores.png", "Top 10"},
    {"scores-clear.png", "Top 10: clear confirmation"},
    {"result.png", "result"},
};

} // namespace

ScreenPictures::~ScreenPictures() { Release(); }

void ScreenPictures::Release() {
    for (Screen& screen : m_screens)
        if (screen.surface) cairo_surface_destroy(screen.surface);
    m_screens.clear();
}

std::vector<std::string> ScreenPictures::Files() {
    std::vector<std::string> files;
    for (const Named& named : kScreens) files.push_back(named.file);
    return files;
}

bool ScreenPictures::Load(const std::string& folder, std::ostream& errors) {
    Release();
    std::vector<Screen> loaded;
    for (const Named& named : kScreens) {
        const std::string path = (std::filesystem::path(folder) / named.file).string();
        cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
        const cairo_status_t status = cairo_surface_status(surface);
        if (status != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(surface);
            for (Screen& screen : loaded) cairo_surface_destroy(screen.surface);
            errors << "hoopstack-assetgen: could not read " << path << ": " << cairo_status_to_string(status)
                   << "\n";
            return false;
        }
        Screen screen;
        screen.file = named.file;
        screen.surface = surface;
        screen.width = cairo_image_surface_get_width(surface);
        screen.height = cairo_image_surface_get_height(surface);
        screen.label = std::string(named.label) + "  (" + named.file + ", " + std::to_string(screen.width) +
                       " x " + std::to_string(screen.height) + ")";
        loaded.push_back(std::move(screen));
    }
    m_screens = std::move(loaded);
    return true;
}

std::vector<const ScreenPictures::Screen*> ScreenPictures::Dialogs() const {
    std::vector<const Screen*> dialogs;
    for (std::size_t i = 1; i < m_screens.size(); ++i) dialogs.push_back(&m_screens[i]);
    return dialogs;
}

} // namespace assetgen
