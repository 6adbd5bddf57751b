#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "rules/GameSettings.hpp"

namespace rules {

// The settings and the board kept between runs: 263 decimal fields, each followed by a
// tab: level, sound, autosave, path, speed, score, game over, then the colours of rows
// 1-16, columns 1-16 (0 empty).
struct TSavedGame {
    static constexpr int kFields = 263;

    GameSettings settings;
    int score = 0;
    bool gameOver = false;
    std::array<std::array<int, 18>, 18> cells{};  // [row][column], colours 0-7
    bool boardEmpty = true;

    // Whether a first game may restore this board.
    bool CanRestore() const { return settings.autosave && !boardEmpty && !gameOver; }

    bool operator==(const TSavedGame&) const = default;
};

// The saved text; the score is written as 0 once the game is over.
std::string FormatSavedGame(const TSavedGame& saved);

// Reads a saved text over `base`: an empty field keeps the base value, out-of-range values
// are replaced (level and speed by 0, negative scores by 0, unknown colours by empty), and
// a text that ends early leaves the remaining cells empty.
TSavedGame ParseSavedGame(std::string_view text, const TSavedGame& base = {});

// Reads "state.dat" through the enciphered store; nullopt when it is missing, unreadable,
// fails its checksum or holds no text.
std::optional<TSavedGame> LoadSavedGame(const std::string& path);
// Writes it atomically; false leaves the old file as it was, with the reason in `error`.
[[nodiscard]] bool StoreSavedGame(const std::string& path, const TSavedGame& saved, std::string* error = nullptr);

} // namespace rules
