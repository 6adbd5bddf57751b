#include "game/OWndStatistics.hpp"

#include <utility>

#include "engine/ControlEvents.hpp"
#include "game/DailyChart.hpp"
#include "game/GamePanel.hpp"
#include "rules/GameSettings.hpp"
#include "scene/AssetNames.hpp"
#include "scene/OBitmap.hpp"
#include "ui/OButton.hpp"
#include "ui/OText.hpp"
#include "ui/TextLayout.hpp"
#include "ui/Translation.hpp"

namespace game {

namespace {

constexpr std::uint32_t kTitleColour = 0x0000FF;
constexpr std::uint32_t kTableRowColour = 0xC80000;
constexpr int kRowSize = 20;
// The left edge of the level names and the right edges of the four number columns.
constexpr int kNameLeft = 20;
constexpr std::array<int, 4> kColumnRights{160, 245, 310, 400};
constexpr std::array<const char*, 4> kColumnTitles{ui::TrLater("Played"), ui::TrLater("Finished"),
                                                   ui::TrLater("Best"), ui::TrLater("Average")};

} // namespace

std::string AverageScoreText(const store::LevelStatistics& level) {
    if (level.finished <= 0) return "-";
    // Whole points, half up, without the overflow that adding half the count could bring.
    const std::int64_t whole = level.total / level.finished;
    const std::int64_t rest = level.total % level.finished;
    return std::to_string(whole + (rest >= level.finished - rest ? 1 : 0));
}

std::string BestScoreText(const store::LevelStatistics& level) {
    return level.finished > 0 ? std::to_string(level.best) : "-";
}

std::string DaysText(int days) {
    return ui::TrCount("%d day", "%d days", days);
}

OWndStatistics::OWndStatistics(engine::OWindow* owner, const engine::CreationParams& params,
                               store::PlayStatistics statistics, std::int64_t today)
    : ODialog(owner, params),
      m_statistics(std::move(statistics)),
      m_today(today),
      m_streaks(store::StreaksOf(m_statistics, today)) {}

ui::OText* OWndStatistics::AddText(const std::string& text, int x, int y, int size, std::uint32_t colour,
                                   int weight) {
    auto* word = new ui::OText(text);
    engine::FontRecord font = word->Font();
    font.height = size;
    font.colour = colour;
    font.weight = weight;
    word->SetFont(font);
    AddObject(word);
    word->SetPosition(float(x), float(y), word->RelativeZ());
    return word;
}

void OWndStatistics::AddTable(int top) {
    const auto rightAligned = [](ui::OText* word, int right) {
        word->SetPosition(float(right) - word->Width(), word->Y(), word->RelativeZ());
    };
    for (std::size_t column = 0; column < kColumnTitles.size(); ++column)
        rightAligned(AddText(ui::Tr(kColumnTitles[column]), 0, top, 18, kTitleColour, 700),
                     kColumnRights[column]);
    for (int level = 1; level <= 3; ++level) {
        const int y = top + 28 * level;
        AddText(LevelCaption(rules::Level(level - 1)), kNameLeft, y, kRowSize, kTableRowColour, 700);
        const store::LevelStatistics& s = m_statistics.Level(level);
        const std::array<std::string, 4> texts{std::to_string(s.played), std::to_string(s.finished),
                                               BestScoreText(s), AverageScoreText(s)};
        for (std::size_t column = 0; column < texts.size(); ++column) {
            ui::OText* cell = AddText(texts[column], 0, y, kRowSize, kTableRowColour);
            rightAligned(cell, kColumnRights[column]);
            m_cells[std::size_t(level - 1)][column] = cell;
        }
    }
}

int OWndStatistics::AddLegendEntry(int x, int y, std::uint32_t colour, const char* word) {
    auto* swatch = new scene::OBitmap;
    if (swatch->CreateBlank(10, 10)) {
        std::uint8_t* pixels = swatch->Pixels();
        for (int i = 0; i < 10 * 10; ++i) {
            std::uint8_t* pixel =
                pixels + std::ptrdiff_t(i / 10) * swatch->Stride() + std::ptrdiff_t(i % 10) * 3;
            pixel[0] = std::uint8_t(colour >> 16);
            pixel[1] = std::uint8_t(colour >> 8);
            pixel[2] = std::uint8_t(colour);
        }
        swatch->SetPosition(float(x), float(y + 5), swatch->RelativeZ());
        AddObject(swatch);
    } else {
        scene::OGraph::Release(swatch);
    }
    ui::OText* text = AddText(ui::Tr(word), x + 14, y, 15, kTableRowColour);
    return x + 14 + int(text->Width()) + 10;
}

void OWndStatistics::AddChart(int top) {
    ui::TextLayout caption = CentredText(top, 20, kTitleColour);
    caption.weight = 700;
    caption.WriteParagraph(
        ui::TrCount("Daily games, the last %d day", "Daily games, the last %d days", kChartDays));
    m_chart = MakeDailyChart(ChartDays(m_statistics.Attempts(), m_today, kChartDays));
    const int chartTop = top + 28;
    if (m_chart) {
        m_chart->SetPosition((float(Width()) - m_chart->Width()) / 2, float(chartTop), m_chart->RelativeZ());
        AddObject(m_chart);
    }
    const int legendTop = chartTop + DailyChartLook::Height() + 4;
    int x = 16;
    x = AddLegendEntry(x, legendTop, DailyChartLook::kFinished, ui::TrLater("finished"));
    x = AddLegendEntry(x, legendTop, DailyChartLook::kPlaying, ui::TrLater("playing"));
    x = AddLegendEntry(x, legendTop, DailyChartLook::kGivenUp, ui::TrLater("given up"));
    AddLegendEntry(x, legendTop, DailyChartLook::kUnplayed, ui::TrLater("not played"));
    ui::OText* today = AddText(ui::Tr("today"), 0, legendTop, 15, DailyChartLook::kToday, 700);
    today->SetPosition(float(Width() - 12) - today->Width(), today->Y(), today->RelativeZ());
}

bool OWndStatistics::Start() {
    m_close = MakeButton(ui::Tr("Close"));
    m_close->SetSounds(scene::assets::kButtonSound, scene::assets::kButtonSound);
    m_close->SetPosition((float(Width()) - m_close->Width()) / 2, float(Height()) - m_close->Height() - 10,
                         m_close->RelativeZ());
    AddObject(m_close);
    m_close->Caption()->Realign();
    SetFocusControl(m_close);
    SetKeyOrder({m_close});
    SetDefaultControl(m_close);

    ui::TextLayout title = CentredText(8, 30, kTitleColour);
    title.weight = 700;
    title.WriteParagraph(ui::Tr("Statistics"));
    AddCentredPicture(scene::assets::kBar, 48);
    AddTable(62);
    AddChart(186);
    m_current = AddText(ui::TrFormat("Current streak: %s", {DaysText(m_streaks.current)}), 0, 372, 22,
                        kTableRowColour, 700);
    m_best = AddText(ui::TrFormat("Best streak: %s", {DaysText(m_streaks.best)}), 0, 398, 22, kTableRowColour,
                     700);
    for (ui::OText* line : {m_current, m_best})
        line->SetPosition((float(Width()) - line->Width()) / 2, line->Y(), line->RelativeZ());
    SetFramesPerSecond(12);
    return OWindow::Start();
}

std::string OWndStatistics::CellText(int level, Column column) const {
    if (level < 1 || level > 3) return {};
    const ui::OText* cell = m_cells[std::size_t(level - 1)][std::size_t(column)];
    return cell ? cell->GetText() : std::string();
}

std::string OWndStatistics::CurrentStreakText() const {
    return m_current ? m_current->GetText() : std::string();
}

std::string OWndStatistics::BestStreakText() const {
    return m_best ? m_best->GetText() : std::string();
}

void OWndStatistics::ControlEvent(engine::WindowControl* sender, int code) {
    if (Ended() || !sender || code != engine::Event_Click) return;
    if (sender->Graph() == m_close) EndDialog();
}

void OWndStatistics::Cancel() {
    EndDialog();
}

} // namespace game
