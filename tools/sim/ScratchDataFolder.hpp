#pragma once

#include <filesystem>
#include <string>

namespace sim {

// A private data folder for one run: a new temporary folder with the clips, skins and
// sounds of the executable's folder linked in, made the program's data folder, so that
// the score table and the saved game it writes are not the player's. The destructor puts
// the real folder back and removes the copy.
class ScratchDataFolder {
public:
    ScratchDataFolder() = default;
    ~ScratchDataFolder();
    ScratchDataFolder(const ScratchDataFolder&) = delete;
    ScratchDataFolder& operator=(const ScratchDataFolder&) = delete;

    // Makes the folder and points the program at it; false with the reason in `error`.
    bool Make(std::string& error);
    // The folder, empty before Make succeeded.
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace sim
