#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "game/DailyPlay.hpp"
#include "store/PlayStatistics.hpp"

namespace engine {
class OWindow;
}

namespace game {

// The dialogs the game window opens, in the order of the table in GameDialogs.cpp; Count stays
// last and names none.
enum class GameDialog { Rules, Quit, Level, Options, Scores, Result, Keys, DailyResult, Statistics, Count };

// What the dialogs may do to the window they are opened over, each valid while that window
// lives; an empty one is not offered by that window (a replay keeps nothing and changes no game).
struct GameDialogActions {
    // Keeps the game and finishes the window (the quit confirmation's "Yes").
    std::function<void()> quit;
    // Moves to the next level and starts a new game there (the level question's "Yes").
    std::function<void()> changeLevel;
    // Keeps the current settings at once (the options' "Ok").
    std::function<void()> keepSettings;
};

// What a dialog may be opened with: its owner, the game's state at that moment and what the
// dialog may do to its owner.
struct GameDialogContext {
    engine::OWindow* owner = nullptr;
    std::int32_t score = 0;
    // The level as the player counts it, from 1.
    int level = 1;
    // The replay of the game that ended, as EncodeReplay writes it (the result window keeps
    // it with the record); empty for none.
    std::string replay;
    GameDialogActions actions;
    // Asked for with a key or a gamepad button: the dialog starts with the focus on its default
    // control and shows the focus ring (ui::ODialog::UseKeys).
    bool byKey = false;
    // The owner's keys that work in its dialogs too (see ui::ODialog::SetKeysFirst); none by
    // default.
    std::function<bool(int code, bool down)> keysFirst;
    // The day's ranked attempt that ended (the daily result window).
    DailyOutcome daily;
    // The player's statistics and the UTC day they are shown on (the statistics window).
    store::PlayStatistics statistics;
    std::int64_t today = 0;
};

// The name a dialog request is reported by: "rules", "quit", "level", "options", "scores",
// "result", "keys" (the rules window opened on its page of keys), "daily-result", "statistics".
const char* DialogName(GameDialog which);

// Opens the dialog over its owner; a dialog that cannot start is gone at once.
void OpenGameDialog(GameDialog which, const GameDialogContext& context);

} // namespace game
