#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "rules/GameReplay.hpp"

namespace game {

// The saved game's replay: "replay.dat" in the folder of the saved game's file.
std::string ReplayPathBeside(std::string_view statePath);

// A replay file's content: the replay's text and one line break.
std::string ReplayFileText(const rules::GameReplay& replay);

// The replay of a replay file (store::ReadReplayFile). Nullopt, with the reason, for a file
// that is missing, unreadable, larger than kMaxReplayText, empty or no replay.
std::optional<rules::GameReplay> ReadReplayFile(const std::string& path, std::string* error = nullptr);

} // namespace game
