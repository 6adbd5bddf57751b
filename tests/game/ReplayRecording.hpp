#pragma once

// Games played in the real game window on the headless platform and their replays, for the
// tests of watching a replay. Main thread only.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/OWindow.hpp"
#include "game/OGameWindow.hpp"
#include "rules/BoardRules.hpp"
#include "rules/GameReplay.hpp"
#include "tools/driver/HeadlessDriver.hpp"

namespace replaytest {

// The court as the replay player reports it: rows 1-16, a digit per column, 0 empty.
inline std::array<std::string, 16> BoardRows(const rules::BallGrid& grid) {
    const auto colours = rules::ColoursOf(grid);
    std::array<std::string, 16> rows;
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c)
            rows[std::size_t(r - 1)] += char('0' + colours[std::size_t(r)][std::size_t(c)]);
    return rows;
}

struct Recording {
    rules::GameReplay replay;
    std::array<std::string, 16> board; // the live window's court after its last frame
    int score = 0;
    bool gameOver = false;
};

// Plays one game in a live game window at `level` from `seed`: each time the court takes a
// click, a real click on a pseudo-random cell of the upper court (an aim, or a selection when a
// free ball is there). Stops when the game is over, after `throws` clicks and the court at rest,
// or after `maxFrames` frames. nullopt when the window kept no replay.
inline std::optional<Recording> RecordGame(driver::HeadlessDriver& driver, rules::Level level,
                                           std::uint32_t seed, int throws, int maxFrames) {
    rules::Settings() = {};
    rules::Settings().level = level;
    game::GameWindowSetup setup;
    setup.seed = seed;
    setup.openDialogs = false;
    auto* window =
        new game::OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, setup);
    if (window->CreateFailed() != 0 || !window->Start()) {
        driver.DestroyWindows({window});
        return std::nullopt;
    }
    driver.Pump();
    rules::TGame* game = window->Game();
    const rules::CourtGeometry& g = game->Geometry();
    std::uint32_t random = seed * 2654435761u + 1;
    auto next = [&random](int n) {
        random = random * 1664525u + 1013904223u;
        return int((random >> 16) % std::uint32_t(n));
    };
    int clicks = 0;
    for (int frame = 0; frame < maxFrames && !game->GameOver(); ++frame) {
        if (clicks >= throws && game->IsSettled()) break;
        if (clicks < throws && game->AcceptsClicks() && game->SelectedCell().IsValid() && next(4) == 0) {
            const int row = 1 + next(9);
            const int column = 1 + next(16);
            driver.Click(window, g.CentreX(row, column), g.CentreY(row) - next(g.ballHeight));
            ++clicks;
        }
        driver.Frame(window);
    }
    std::optional<Recording> recording;
    if (const rules::GameReplay* replay = game->Replay()) {
        recording.emplace();
        recording->replay = *replay;
        recording->board = BoardRows(game->Grid());
        recording->score = game->Score();
        recording->gameOver = game->GameOver();
    }
    driver.DestroyWindows({window});
    rules::Settings() = {};
    return recording;
}

} // namespace replaytest
