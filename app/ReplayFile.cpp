#include "app/ReplayFile.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "rules/ReplayPlayer.hpp"
#include "store/ReplayFile.hpp"

namespace app {
namespace {

bool fail(std::string* error, const std::string& reason) {
    if (error) *error = reason;
    return false;
}

// Why the file could not be read, in the player's words.
std::string readFailure(const store::ReplayFileRead& file) {
    const std::string detail = std::string(" (") + std::strerror(file.errorNumber) + ")";
    switch (file.status) {
    case store::ReadStatus::CannotOpen:
        if (file.errorNumber == ENOENT || file.errorNumber == ENOTDIR) return "there is no such file";
        return "it cannot be opened" + detail;
    case store::ReadStatus::ReadFailed:
        // A folder opens, but cannot be read as a file.
        if (file.errorNumber == EISDIR) return "it is a folder, not a file";
        return "it cannot be read" + detail;
    case store::ReadStatus::TooLarge:
        return "it is larger than any replay (" + std::to_string(rules::kMaxReplayText / 1024) +
               " KiB at most)";
    case store::ReadStatus::Ok:
        break;
    }
    return "the file is empty";
}

} // namespace

std::optional<rules::GameReplay> ReadReplayFile(const std::string& path, std::string* error) {
    const store::ReplayFileRead file = store::ReadReplayFile(path, rules::kMaxReplayText);
    if (!file.ok) {
        fail(error, readFailure(file));
        return std::nullopt;
    }
    std::string reason;
    std::optional<rules::GameReplay> replay = rules::DecodeReplay(file.text, &reason);
    if (!replay) {
        fail(error, "it is not a Hoopstack replay (" + reason + ")");
        return std::nullopt;
    }
    if (replay->ticks > rules::kReplayTickBudget) {
        fail(error, "it is longer than any game (" + std::to_string(replay->ticks) + " frames, " +
                        std::to_string(rules::kReplayTickBudget) + " at most)");
        return std::nullopt;
    }
    if (replay->rulesVersion != rules::GameReplay::kRulesVersion) {
        fail(error, "it was recorded under other rules (version " + std::to_string(replay->rulesVersion) +
                        "; this game plays version " + std::to_string(rules::GameReplay::kRulesVersion) +
                        ")");
        return std::nullopt;
    }
    return replay;
}

std::string ReplayFailureText(const std::string& path, const std::string& reason) {
    const std::string name = std::filesystem::path(path).filename().string();
    return "Could not show the replay \"" + (name.empty() ? path : name) + "\": " + reason + ".";
}

} // namespace app
