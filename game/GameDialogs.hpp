#pragma once

#include <cstdint>
#include <string>

namespace game {

class OGameWindow;

// The dialogs the game window opens, in the order of the table in GameDialogs.cpp; Count stays
// last and names none.
enum class GameDialog { Rules, Quit, Level, Options, Scores, Result, Count };

// What a dialog may be opened with: its owner and the game's state at that moment.
struct GameDialogContext {
    OGameWindow* owner = nullptr;
    std::int32_t score = 0;
    // The level as the player counts it, from 1.
    int level = 1;
    // The replay of the game that ended, as EncodeReplay writes it (the result window keeps
    // it with the record); empty for none.
    std::string replay;
};

// The name a dialog request is reported by: "rules", "quit", "level", "options", "scores",
// "result".
const char* DialogName(GameDialog which);

// Opens the dialog over its owner; a dialog that cannot start is gone at once.
void OpenGameDialog(GameDialog which, const GameDialogContext& context);

} // namespace game
