#pragma once

#include <string>

#include "game/DailyPlay.hpp"

namespace game {

// The short text "Copy" puts on the clipboard after a ranked attempt: the date, the level, the
// score and the streak, and nothing of the court, so that it spoils no one's game. One line,
// ASCII only, e.g. "Hoopstack daily 2026-12-11 (Master): 1234 points, streak 3 days".
std::string DailyShareText(const DailyOutcome& outcome);

} // namespace game
