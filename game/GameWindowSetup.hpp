#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "rules/GameReplay.hpp"
#include "rules/TSavedGame.hpp"
#include "store/SaveWriter.hpp"

namespace game {

// What a court window is opened with: where the game window keeps its saved game and how the
// simulator replaces it, or the recording a replay window shows. NewCourtWindow picks the
// window by it.
struct GameWindowSetup {
    // The saved game's file; none reads and writes nothing.
    std::optional<std::string> statePath;
    // Used instead of reading the file, as if it had been read.
    std::optional<rules::TSavedGame> preset;
    // The random seed; none takes a fresh one, different on every run.
    std::optional<std::uint32_t> seed;
    // False only notes the dialogs asked for (the simulator, whose game must keep ticking).
    bool openDialogs = true;
    // Writes the saved game; none makes one for `statePath` that lives as long as the window.
    std::shared_ptr<store::SaveWriter> writer;
    // A recorded game to show instead of a game to play (the replay window): the window feeds
    // it to the rules frame by frame and takes no input that would change the game. Such a
    // window keeps no saved game and no Top 10: its state path, preset and writer are unused.
    std::optional<rules::GameReplay> playback;
    // Told on the main thread after F11 or Alt+Enter switched the window to the full screen
    // (true) or back (false), so that the choice can be kept; none keeps nothing.
    std::function<void(bool full)> fullScreenSwitched;
    // The daily game's saved game, in a folder of its own with its replay beside it, so that
    // it never touches the regular one; none offers no daily game.
    std::optional<std::string> dailyStatePath;
    // Writes the daily slot; none makes one for `dailyStatePath` that lives as long as the window.
    std::shared_ptr<store::SaveWriter> dailyWriter;
    // The player's statistics; none keeps them in memory only.
    std::optional<std::string> statisticsPath;
    // The Unix time in seconds, for the day's court; none takes the system's clock.
    std::function<std::int64_t()> clock;
};

} // namespace game
