#pragma once

namespace rules {

// The levels, numbered as the saved game and the score table write them.
enum class Level : int { Novice = 0, Expert = 1, Master = 2 };
inline constexpr int kLevels = 3;

// The speeds, numbered as the saved game writes them. A saved 3 is kept as it is read and
// runs as Fast.
enum class Speed : int { Fast = 0, Medium = 1, Slow = 2 };

// The player's settings, kept with the saved game.
struct GameSettings {
    Level level = Level::Novice;
    bool sound = true;
    bool autosave = true;
    bool showPath = true;
    Speed speed = Speed::Medium;

    bool operator==(const GameSettings&) const = default;
};

// The settings of the running program, shared by the game and the windows that change them.
GameSettings& Settings();

// The level's name as the level button shows it.
const char* LevelName(Level level);

// Frames per second for a speed setting: Fast 100, Medium 50, Slow 24, anything else 100.
int FrameRateForSpeed(Speed speed);

struct LevelRules {
    int fewestDrops;
    int mostDrops;
    int triesPerThrow;
    bool playerPicks;
};
// The rules of a level; out-of-range levels get those of "Novice".
LevelRules RulesOfLevel(Level level);

} // namespace rules
