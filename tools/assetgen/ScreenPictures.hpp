#pragma once

#include <cairo.h>

#include <ostream>
#include <string>
#include <vector>

namespace assetgen {

// The program's own windows as `hoopstack-sim screens` saved them, read back from their
// PNG files for the contact sheet: the game window, then each dialog.
class ScreenPictures {
public:
    struct Screen {
        std::string file;   // "game.png"
        std::string label;  // what the sheet writes above it
        cairo_surface_t* surface = nullptr;
        int width = 0;
        int height = 0;
    };

    ScreenPictures() = default;
    ~ScreenPictures();
    ScreenPictures(const ScreenPictures&) = delete;
    ScreenPictures& operator=(const ScreenPictures&) = delete;

    // Reads every screen from the folder; false after one line on `errors` for the first
    // file that is missing or not a PNG.
    bool Load(const std::string& folder, std::ostream& errors);

    // The game window, or null before Load succeeded.
    const Screen* Game() const { return m_screens.empty() ? nullptr : &m_screens.front(); }
    // The dialogs in the order the game opens them.
    std::vector<const Screen*> Dialogs() const;

    // The file names Load reads, the game window's first.
    static std::vector<std::string> Files();

private:
    void Release();

    std::vector<Screen> m_screens;
};

} // namespace assetgen
