#include "ScratchDataFolder.hpp"

#include <cstdlib>
#include <optional>
#include <system_error>
#include <vector>

#include "scene/ResolvePath.hpp"

namespace sim {

namespace fs = std::filesystem;

ScratchDataFolder::~ScratchDataFolder() {
    if (m_path.empty()) return;
    scene::SetExecutableFolderOverride(std::nullopt);
    std::error_code ec;
    // The links are removed, never what they point to.
    fs::remove_all(m_path, ec);
}

bool ScratchDataFolder::Make(std::string& error) {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) {
        error = "no temporary folder: " + ec.message();
        return false;
    }
    std::string pattern = (base / "hoopstack-screens-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) {
        error = "could not make a folder in " + base.string();
        return false;
    }
    m_path = name.data();
    const fs::path real = scene::ExecutableFolder();
    for (const char* data : {"CLP", "SKINS", "WAV"}) {
        fs::create_directory_symlink(real / data, m_path / data, ec);
        if (ec) {
            error = "could not link " + (real / data).string() + " into " + m_path.string() + ": " + ec.message();
            return false;
        }
    }
    scene::SetExecutableFolderOverride(m_path.string() + "/");
    return true;
}

} // namespace sim
