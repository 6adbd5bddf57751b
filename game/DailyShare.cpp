#include "game/DailyShare.hpp"

#include "rules/DailyCourt.hpp"

namespace game {

std::string DailyShareText(const DailyOutcome& outcome) {
    std::string text = "Hoopstack daily " + rules::FormatCalendarDate(rules::DateOfDay(outcome.day));
    text += std::string(" (") + rules::LevelName(outcome.level) + "): " + std::to_string(outcome.score);
    text += outcome.score == 1 ? " point" : " points";
    text +=
        ", streak " + std::to_string(outcome.currentStreak) + (outcome.currentStreak == 1 ? " day" : " days");
    return text;
}

} // namespace game
