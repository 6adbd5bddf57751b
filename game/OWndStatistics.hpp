#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "store/DailyStreak.hpp"
#include "store/PlayStatistics.hpp"
#include "ui/ODialog.hpp"

namespace scene {
class OBitmap;
}

namespace ui {
class OButton;
class OText;
} // namespace ui

namespace game {

// The player's statistics: games played and finished per level with the best and average
// score, the last days' daily attempts as a bar chart (today at the right) and the current
// and best streak. "Close" holds the focus, so Enter closes; Escape closes too.
class OWndStatistics : public ui::ODialog {
public:
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 480;
    // The days the chart shows.
    static constexpr int kChartDays = 30;

    enum class Column { Played, Finished, Best, Average };

    // `today` is the UTC day number the chart and the streaks end on.
    OWndStatistics(engine::OWindow* owner, const engine::CreationParams& params,
                   store::PlayStatistics statistics, std::int64_t today);

    bool Start() override;
    void ControlEvent(engine::WindowControl* sender, int code) override;

    ui::OButton* CloseButton() const { return m_close; }
    // The text shown for a level (1 to 3) in a column.
    std::string CellText(int level, Column column) const;
    std::string CurrentStreakText() const;
    std::string BestStreakText() const;
    const scene::OBitmap* Chart() const { return m_chart; }
    const store::DailyStreaks& Streaks() const { return m_streaks; }

protected:
    void Cancel() override;

private:
    void AddTable(int top);
    void AddChart(int top);
    // A swatch of the chart's colour and its word, from `x`; returns where the next may start.
    int AddLegendEntry(int x, int y, std::uint32_t colour, const char* word);
    ui::OText* AddText(const std::string& text, int x, int y, int size, std::uint32_t colour,
                       int weight = 400);

    store::PlayStatistics m_statistics;
    std::int64_t m_today;
    store::DailyStreaks m_streaks;
    ui::OButton* m_close = nullptr;
    std::array<std::array<ui::OText*, 4>, 3> m_cells{};
    ui::OText* m_current = nullptr;
    ui::OText* m_best = nullptr;
    scene::OBitmap* m_chart = nullptr;
};

// The average of a level's finished games, rounded to the nearest whole point; "-" when none
// was finished.
std::string AverageScoreText(const store::LevelStatistics& level);
// The best finished score, or "-" when none was finished.
std::string BestScoreText(const store::LevelStatistics& level);
// "1 day", "2 days".
std::string DaysText(int days);

} // namespace game
