#pragma once

namespace game {

// The player's settings, kept with the saved game.
struct GameSettings {
    int level = 0;  // 0 "Novice", 1 "Expert", 2 "Master"
    bool sound = true;
    bool autosave = true;
    bool showPath = true;
    int speed = 1;  // 0 "Fast", 1 "Medium", 2 "Slow"

    bool operator==(const GameSettings&) const = default;
};

// The settings of the running program, shared by the game and the windows that change them.
GameSettings& Settings();

// The level's name as the level button shows it.
const char* LevelName(int level);

// Frames per second for a speed setting: Fast 100, Medium 50, Slow 24, anything else 100.
int FrameRateForSpeed(int speed);

struct LevelRules {
    int fewestDrops;
    int mostDrops;
    int triesPerThrow;
    bool playerPicks;
};
// The rules of a level; out-of-range levels get those of "Novice".
LevelRules RulesOfLevel(int level);

} // namespace game
