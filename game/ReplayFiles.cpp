#include "game/ReplayFiles.hpp"

#include "store/ReplayFile.hpp"

namespace game {

std::string ReplayPathBeside(std::string_view statePath) {
    const std::size_t slash = statePath.find_last_of('/');
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : statePath.substr(0, slash + 1);
    return std::string(folder) + "replay.dat";
}

std::string ReplayFileText(const rules::GameReplay& replay) {
    return rules::EncodeReplay(replay) + "\n";
}

std::optional<rules::GameReplay> ReadReplayFile(const std::string& path, std::string* error) {
    const store::ReplayFileRead file = store::ReadReplayFile(path, rules::kMaxReplayText);
    if (!file.ok) {
        if (error) *error = file.error;
        return std::nullopt;
    }
    return rules::DecodeReplay(file.text, error);
}

} // namespace game
