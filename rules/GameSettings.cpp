#include "rules/GameSettings.hpp"

namespace game {

GameSettings& Settings() {
    static GameSettings settings;
    return settings;
}

const char* LevelName(int level) {
    switch (level) {
    case 1: return "Expert";
    case 2: return "Master";
    default: return "Novice";
    }
}

int FrameRateForSpeed(int speed) {
    switch (speed) {
    case 1: return 50;
    case 2: return 24;
    default: return 100;
    }
}

LevelRules RulesOfLevel(int level) {
    switch (level) {
    case 1: return {10, 20, 1, true};
    case 2: return {10, 20, 2, false};
    default: return {5, 10, 1, true};
    }
}

} // namespace game
