#pragma once

#include <optional>
#include <string>

#include "rules/GameReplay.hpp"

namespace app {

// A replay file (store::ReadReplayFile): the replay's text, then whitespace (one newline as
// written). Reads at most kMaxReplayText bytes and a few more to tell that a file is larger.
// nullopt, with the reason
// in words a player understands in `error`, for a file that is missing, unreadable, too
// large, not a replay, longer than any game may be (the verifier's budget of frames), or
// recorded under rules other than this program's, which would play a different game.
std::optional<rules::GameReplay> ReadReplayFile(const std::string& path, std::string* error);

// The message box's text for a replay that cannot be watched: the file's name and the reason.
std::string ReplayFailureText(const std::string& path, const std::string& reason);

} // namespace app
