#include "rules/GameSettings.hpp"

namespace rules {

GameSettings& Settings() {
    static GameSettings settings;
    return settings;
}

const char* LevelName(Level level) {
    switch (level) {
    case Level::Expert: return "Expert";
    case Level::Master: return "Master";
    default: return "Novice";
    }
}

int FrameRateForSpeed(Speed speed) {
    switch (speed) {
    case Speed::Medium: return 50;
    case Speed::Slow: return 24;
    default: return 100;
    }
}

LevelRules RulesOfLevel(Level level) {
    switch (level) {
    case Level::Expert: return {10, 20, 1, true};
    case Level::Master: return {10, 20, 2, false};
    default: return {5, 10, 1, true};
    }
}

} // namespace rules
