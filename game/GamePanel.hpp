#pragma once

#include <string>

#include "rules/CourtGeometry.hpp"
#include "rules/GameSettings.hpp"

namespace engine {
class OWindow;
}
namespace scene {
class OGraph;
}
namespace ui {
class OButton;
class OText;
}

namespace game {

// The level's name as the panel and the windows show it, in the player's language.
std::string LevelCaption(rules::Level level);

// The panel right of the court and the small buttons at the top right of a court window:
// the eight buttons, their places, looks and captions. Owns no game; the window it is built
// on shows and frees the buttons.
class GamePanel {
public:
    enum class Button { None, Close, Down, Help, New, Scores, Options, Games, Level, Daily, Statistics };
    // What the panel says of the court under the level button: nothing for the regular game,
    // "Daily" for the day's ranked attempt, "Practice" for another game of the day's court.
    enum class Mark { None, Daily, Practice };

    // Makes the buttons, places them beside the court and in the window's top right corner,
    // styles their captions and adds them to the window; the level button names `level`.
    void Build(engine::OWindow& window, const rules::CourtGeometry& court, rules::Level level);
    // The button a control event came from, or None.
    Button Which(const scene::OGraph* graph) const;
    // The level button names `level`.
    void ShowLevel(rules::Level level);
    // Shows the mark of the court.
    void ShowMark(Mark mark);
    // Hides the commands that would start, change or score another game: New, Scores,
    // Options, Games, Daily and Statistics.
    void HideGameCommands();

    ui::OButton* LevelButton() const { return m_level; }
    ui::OButton* NewButton() const { return m_new; }
    ui::OButton* CloseButton() const { return m_close; }
    ui::OButton* DailyButton() const { return m_daily; }
    ui::OButton* StatisticsButton() const { return m_statistics; }
    ui::OText* MarkText() const { return m_mark; }

private:
    ui::OButton* m_close = nullptr;
    ui::OButton* m_down = nullptr;
    ui::OButton* m_help = nullptr;
    ui::OButton* m_new = nullptr;
    ui::OButton* m_scores = nullptr;
    ui::OButton* m_options = nullptr;
    ui::OButton* m_games = nullptr;
    ui::OButton* m_level = nullptr;
    ui::OButton* m_daily = nullptr;
    ui::OButton* m_statistics = nullptr;
    ui::OText* m_mark = nullptr;
    float m_markMiddle = 0;
};

} // namespace game
