#include "game/DailyShare.hpp"

#include "game/GamePanel.hpp"
#include "rules/DailyCourt.hpp"
#include "ui/Translation.hpp"

namespace game {

std::string DailyShareText(const DailyOutcome& outcome) {
    return ui::TrFormat("Hoopstack daily %s (%s): %s, streak %s",
                        {rules::FormatCalendarDate(rules::DateOfDay(outcome.day)),
                         LevelCaption(outcome.level), ui::TrCount("%d point", "%d points", outcome.score),
                         ui::TrCount("%d day", "%d days", outcome.currentStreak)});
}

} // namespace game
