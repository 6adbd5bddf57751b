#include "game/ReplayFiles.hpp"

#include "store/FileIO.hpp"

namespace game {

std::string ReplayPathBeside(std::string_view statePath) {
    const std::size_t slash = statePath.find_last_of('/');
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : statePath.substr(0, slash + 1);
    return std::string(folder) + "replay.dat";
}

std::string ReplayFileText(const rules::GameReplay& replay) { return rules::EncodeReplay(replay) + "\n"; }

std::string_view TrimReplayText(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || (text.back() >= '\t' && text.back() <= '\r'))) text.remove_suffix(1);
    return text;
}

std::optional<rules::GameReplay> ReadReplayFile(const std::string& path, std::string* error) {
    const store::ReadResult file = store::readFileBounded(path, rules::kMaxReplayText);
    if (file.status != store::ReadStatus::Ok) {
        if (error) *error = file.error;
        return std::nullopt;
    }
    return rules::DecodeReplay(TrimReplayText(file.bytes), error);
}

} // namespace game
