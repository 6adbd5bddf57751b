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

// The replay of a replay file: its text with trailing white space stripped. Nullopt, with the
// reason, for a file that is missing, unreadable, larger than kMaxReplayText or no replay.
std::optional<rules::GameReplay> ReadReplayFile(const std::string& path, std::string* error = nullptr);

// A replay text as a file or an address carries it: trailing white space stripped.
std::string_view TrimReplayText(std::string_view text);

} // namespace game
