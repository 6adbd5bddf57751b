// The statistics window over the game window on the headless backend, and its chart of the
// daily attempts painted into an in-memory picture.
#include "DialogFixture.hpp"

#include <cstdlib>

#include "game/DailyChart.hpp"
#include "game/OWndStatistics.hpp"
#include "scene/OBitmap.hpp"
#include "ui/OButton.hpp"

using game::ChartDay;
using game::ChartDayKind;
using game::DailyChartLook;
using game::OWndStatistics;
using store::AttemptState;
using store::DailyAttempt;

namespace {

constexpr std::int64_t kToday = 20433; // 2025-12-11

// The colour (0x00BBGGRR) of a pixel of a top-down 24-bit picture.
std::uint32_t colourAt(const std::vector<std::uint8_t>& pixels, int stride, int x, int y) {
    const std::uint8_t* pixel = pixels.data() + std::ptrdiff_t(y) * stride + std::ptrdiff_t(x) * 3;
    return std::uint32_t(pixel[0]) << 16 | std::uint32_t(pixel[1]) << 8 | pixel[2];
}

// The chart of `days` painted into a fresh picture.
struct PaintedChart {
    explicit PaintedChart(const std::vector<ChartDay>& days)
        : width(DailyChartLook::Width(int(days.size()))),
          height(DailyChartLook::Height()),
          stride(width * 3),
          pixels(std::size_t(stride) * std::size_t(height)) {
        game::PaintDailyChart(days, pixels.data(), stride, width, height);
    }
    std::uint32_t at(int x, int y) const { return colourAt(pixels, stride, x, y); }
    // The colour in the middle of slot `index`, `up` rows above the base line's row.
    std::uint32_t slot(int index, int up) const {
        return at(DailyChartLook::SlotLeft(index) + DailyChartLook::kSlotWidth / 2,
                  DailyChartLook::BaseRow() - up);
    }
    // How many rows of slot `index` above the base line are not the background.
    int barHeight(int index) const {
        int rows = 0;
        while (slot(index, rows) != DailyChartLook::kBackground) ++rows;
        return rows;
    }

    int width;
    int height;
    int stride;
    std::vector<std::uint8_t> pixels;
};

std::vector<ChartDay> unplayedDays(int count) {
    std::vector<ChartDay> days;
    for (int i = 0; i < count; ++i) days.push_back({kToday - count + 1 + i, ChartDayKind::Unplayed, 0});
    return days;
}

} // namespace

TEST(DailyChartDays, AreTheLastDaysUpToTodayWithTheirAttempts) {
    const std::vector<DailyAttempt> attempts{{kToday - 40, 1, 99, AttemptState::Finished},
                                             {kToday - 29, 2, 50, AttemptState::Finished},
                                             {kToday - 3, 3, 7, AttemptState::GivenUp},
                                             {kToday - 1, 1, 12, AttemptState::Finished},
                                             {kToday, 2, 0, AttemptState::Playing}};
    const auto days = game::ChartDays(attempts, kToday, 30);
    ASSERT_EQ(days.size(), 30u);
    EXPECT_EQ(days.front(), (ChartDay{kToday - 29, ChartDayKind::Finished, 50}));
    EXPECT_EQ(days[26], (ChartDay{kToday - 3, ChartDayKind::GivenUp, 0}));
    EXPECT_EQ(days[27], (ChartDay{kToday - 2, ChartDayKind::Unplayed, 0}));
    EXPECT_EQ(days[28], (ChartDay{kToday - 1, ChartDayKind::Finished, 12}));
    EXPECT_EQ(days.back(), (ChartDay{kToday, ChartDayKind::Playing, 0}));
    // A clock set back shows no day after today.
    const auto earlier = game::ChartDays(attempts, kToday - 2, 30);
    EXPECT_EQ(earlier.back(), (ChartDay{kToday - 2, ChartDayKind::Unplayed, 0}));
    EXPECT_TRUE(game::ChartDays(attempts, kToday, 0).empty());
}

TEST(DailyChartPicture, ShowsEachKindOfDayInItsOwnWayWithTodayMarked) {
    auto days = unplayedDays(30);
    days[0] = {days[0].day, ChartDayKind::Finished, 400};
    days[1] = {days[1].day, ChartDayKind::Finished, 100};
    days[2] = {days[2].day, ChartDayKind::GivenUp, 0};
    days[3] = {days[3].day, ChartDayKind::Finished, 0};
    days[29] = {days[29].day, ChartDayKind::Playing, 0};
    const PaintedChart chart(days);

    // The best score shown fills the bar area; others are shorter but never vanish.
    EXPECT_EQ(chart.barHeight(0), DailyChartLook::kBarArea);
    EXPECT_EQ(chart.barHeight(1), game::FinishedBarHeight(100, 400));
    EXPECT_LT(chart.barHeight(1), chart.barHeight(0));
    EXPECT_EQ(chart.barHeight(3), DailyChartLook::kMinimumBar);
    EXPECT_EQ(chart.slot(0, 5), DailyChartLook::kFinished);
    EXPECT_EQ(chart.slot(1, 0), DailyChartLook::kFinished);
    // Given up and unplayed days are short marks of colours of their own.
    EXPECT_EQ(chart.barHeight(2), DailyChartLook::kGivenUpBar);
    EXPECT_EQ(chart.slot(2, 0), DailyChartLook::kGivenUp);
    EXPECT_EQ(chart.barHeight(4), DailyChartLook::kUnplayedMark);
    EXPECT_EQ(chart.slot(4, 0), DailyChartLook::kUnplayed);
    // Today, still playing, is an outline at the right end, with the marker beneath it.
    const int todayLeft = DailyChartLook::SlotLeft(29);
    EXPECT_EQ(chart.at(todayLeft, DailyChartLook::BaseRow() - 10), DailyChartLook::kPlaying);
    EXPECT_EQ(chart.slot(29, 10), DailyChartLook::kBackground);
    EXPECT_EQ(todayLeft + DailyChartLook::kSlotWidth + DailyChartLook::kMargin, chart.width);
    const int markerRow = DailyChartLook::BaseRow() + 3 + DailyChartLook::kMarkerHeight / 2;
    EXPECT_EQ(chart.at(todayLeft + DailyChartLook::kSlotWidth / 2, markerRow), DailyChartLook::kToday);
    EXPECT_NE(chart.at(DailyChartLook::SlotLeft(28) + DailyChartLook::kSlotWidth / 2, markerRow),
              DailyChartLook::kToday);
    // No pixel is black, the picture's transparent colour.
    for (int y = 0; y < chart.height; ++y)
        for (int x = 0; x < chart.width; ++x) ASSERT_NE(chart.at(x, y), 0u) << x << "," << y;
}

TEST(DailyChartPicture, BarHeightsStayInsideTheBarArea) {
    EXPECT_EQ(game::FinishedBarHeight(0, 0), DailyChartLook::kMinimumBar);
    EXPECT_EQ(game::FinishedBarHeight(5, 0), DailyChartLook::kMinimumBar);
    EXPECT_EQ(game::FinishedBarHeight(INT32_MAX, INT32_MAX), DailyChartLook::kBarArea);
    EXPECT_EQ(game::FinishedBarHeight(INT32_MAX, 10), DailyChartLook::kBarArea);
    EXPECT_EQ(game::FinishedBarHeight(1, INT32_MAX), DailyChartLook::kMinimumBar);
    EXPECT_EQ(game::FinishedBarHeight(50, 100),
              (DailyChartLook::kMinimumBar + DailyChartLook::kBarArea + 1) / 2);
}

TEST(StatisticsTexts, AverageIsRoundedAndNothingFinishedShowsADash) {
    EXPECT_EQ(game::AverageScoreText({3, 0, 0, 0}), "-");
    EXPECT_EQ(game::BestScoreText({3, 0, 0, 0}), "-");
    EXPECT_EQ(game::BestScoreText({3, 1, 0, 0}), "0");
    EXPECT_EQ(game::AverageScoreText({3, 3, 10, 10}), "3");
    EXPECT_EQ(game::AverageScoreText({3, 2, 10, 5}), "3");
    EXPECT_EQ(game::AverageScoreText({3, 3, 10, 11}), "4");
    EXPECT_EQ(game::AverageScoreText({INT32_MAX, INT32_MAX, INT32_MAX, INT64_MAX}), "4294967298");
    EXPECT_EQ(game::DaysText(0), "0 days");
    EXPECT_EQ(game::DaysText(1), "1 day");
    EXPECT_EQ(game::DaysText(12), "12 days");
}

namespace {

class StatisticsWindow : public DialogTest {
protected:
    // A player of a few games and a daily streak of three up to yesterday, today open.
    static store::PlayStatistics sample() {
        store::PlayStatistics s;
        for (int i = 0; i < 4; ++i) s.RecordGameStarted(1);
        s.RecordGameFinished(1, 120);
        s.RecordGameFinished(1, 81);
        s.RecordGameStarted(3);
        for (std::int64_t day = kToday - 9; day < kToday; ++day) {
            EXPECT_TRUE(s.BeginDailyAttempt(day, int(day % 3) + 1));
            if (day == kToday - 4) {
                EXPECT_TRUE(s.GiveUpDailyAttempt(day));
            } else if (day != kToday - 6) {
                EXPECT_TRUE(s.FinishDailyAttempt(day, int(day % 7) * 40));
            }
        }
        EXPECT_TRUE(s.BeginDailyAttempt(kToday, 1));
        return s;
    }

    OWndStatistics* OpenStatistics(const store::PlayStatistics& s) {
        auto* dialog = ui::ODialog::Open<OWndStatistics>(window, OWndStatistics::kWidth,
                                                         OWndStatistics::kHeight, s, kToday);
        Pump();
        return dialog;
    }
};

} // namespace

TEST_F(StatisticsWindow, ShowsEveryLevelsGamesAndTheStreaks) {
    OpenGame();
    OWndStatistics* statistics = OpenStatistics(sample());
    ASSERT_NE(statistics, nullptr);
    using Column = OWndStatistics::Column;
    EXPECT_EQ(statistics->CellText(1, Column::Played), "4");
    EXPECT_EQ(statistics->CellText(1, Column::Finished), "2");
    EXPECT_EQ(statistics->CellText(1, Column::Best), "120");
    EXPECT_EQ(statistics->CellText(1, Column::Average), "101");
    EXPECT_EQ(statistics->CellText(2, Column::Played), "0");
    EXPECT_EQ(statistics->CellText(2, Column::Average), "-");
    EXPECT_EQ(statistics->CellText(3, Column::Played), "1");
    EXPECT_EQ(statistics->CellText(3, Column::Best), "-");
    EXPECT_EQ(statistics->CurrentStreakText(), "Current streak: 3 days");
    EXPECT_EQ(statistics->BestStreakText(), "Best streak: 3 days");
    ASSERT_NE(statistics->Chart(), nullptr);
    EXPECT_EQ(int(statistics->Chart()->Width()), DailyChartLook::Width(OWndStatistics::kChartDays));
    EXPECT_LE(statistics->Chart()->X() + statistics->Chart()->Width(), float(OWndStatistics::kWidth));

    // The chart stands the right way up on the screen: yesterday's bar, the best score, rises
    // from the base line to the top of the bar area, and today's marker lies beneath it all.
    statistics->Render();
    const scene::BackBufferView view = statistics->BackBuffer();
    const auto shown = [&](int x, int y) {
        const std::uint8_t* p = view.row(int(statistics->Chart()->Y()) + y) +
                                std::ptrdiff_t(int(statistics->Chart()->X()) + x) * 3;
        return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    };
    const int yesterday = DailyChartLook::SlotLeft(28) + DailyChartLook::kSlotWidth / 2;
    const int today = DailyChartLook::SlotLeft(29) + DailyChartLook::kSlotWidth / 2;
    EXPECT_EQ(shown(yesterday, DailyChartLook::BaseRow()), DailyChartLook::kFinished);
    EXPECT_EQ(shown(yesterday, DailyChartLook::kMargin), DailyChartLook::kFinishedTop);
    EXPECT_EQ(shown(yesterday, DailyChartLook::kMargin - 1), DailyChartLook::kBackground);
    EXPECT_EQ(shown(today, DailyChartLook::BaseRow() + 3 + DailyChartLook::kMarkerHeight / 2),
              DailyChartLook::kToday);

    // When the file asks for it, the window as shown is saved, to be looked at.
    if (const char* shot = std::getenv("HOOPSTACK_STATISTICS_SHOT")) {
        driver.Frame(statistics);
        EXPECT_TRUE(headless->SaveScreen(statistics->PlatformWindow(), shot));
    }
}

TEST_F(StatisticsWindow, CloseHoldsTheFocusAndEnterOrEscapeCloses) {
    OpenGame();
    for (int key : {platform::Key_Return, platform::Key_Escape}) {
        OWndStatistics* statistics = OpenStatistics(sample());
        ASSERT_NE(statistics, nullptr);
        EXPECT_TRUE(window->IsBlocked());
        ASSERT_NE(statistics->FocusControl(), nullptr);
        EXPECT_EQ(statistics->FocusControl()->Graph(), statistics->CloseButton());
        Press(statistics, key);
        Pump();
        EXPECT_EQ(Dialog<OWndStatistics>(), nullptr) << key;
        EXPECT_FALSE(window->IsBlocked()) << key;
    }
    OWndStatistics* statistics = OpenStatistics(store::PlayStatistics());
    ASSERT_NE(statistics, nullptr);
    EXPECT_EQ(statistics->CurrentStreakText(), "Current streak: 0 days");
    ClickOn(statistics, statistics->CloseButton());
    Pump();
    EXPECT_EQ(Dialog<OWndStatistics>(), nullptr);
}

TEST_F(StatisticsWindow, OpensWithoutItsPicturesAndLeavesItsOwnerFree) {
    OpenGame();
    // No clip can be read: the rule under the title and the button's skin are missing.
    std::filesystem::remove(folder / "CLP");
    OWndStatistics* statistics = OpenStatistics(sample());
    ASSERT_NE(statistics, nullptr);
    EXPECT_EQ(statistics->CellText(1, OWndStatistics::Column::Best), "120");
    ASSERT_NE(statistics->Chart(), nullptr);
    Press(statistics, platform::Key_Escape);
    Pump();
    EXPECT_EQ(Dialog<OWndStatistics>(), nullptr);
    // A window that cannot be made leaves nothing open behind it.
    headless->FailNextCreate();
    EXPECT_EQ(OpenStatistics(sample()), nullptr);
    EXPECT_EQ(Dialog<OWndStatistics>(), nullptr);
    EXPECT_FALSE(window->IsBlocked());
}
