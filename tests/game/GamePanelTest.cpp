// The panel of a court window: its ten buttons where they belong beside the court, each
// named by the control events it sends, and the game's commands hidden for a replay.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "engine/MainThread.hpp"
#include "engine/OWindow.hpp"
#include "game/GamePanel.hpp"
#include "tools/driver/HeadlessDriver.hpp"
#include "ui/OButton.hpp"
#include "ui/OText.hpp"

using namespace game;
using Button = GamePanel::Button;

namespace {

class GamePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = new engine::OWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false});
        ASSERT_EQ(window->CreateFailed(), 0);
        panel.Build(*window, court, rules::Level::Expert);
    }
    void TearDown() override {
        driver.DestroyWindows({window});
        engine::MainThread::Reset();
    }
    // The panel's buttons as the window holds them, with the name each answers to.
    std::vector<std::pair<ui::OButton*, Button>> Buttons() const {
        std::vector<std::pair<ui::OButton*, Button>> buttons;
        for (scene::OGraph* g : window->Controls())
            if (auto* button = dynamic_cast<ui::OButton*>(g))
                buttons.emplace_back(button, panel.Which(button));
        return buttons;
    }

    driver::HeadlessDriver driver;
    engine::OWindow* window = nullptr;
    rules::CourtGeometry court = rules::CourtGeometry::FromBall(34, 33);
    GamePanel panel;
};

TEST_F(GamePanelTest, EveryButtonIsAddedOnceAndNamedByItsEvents) {
    const auto buttons = Buttons();
    ASSERT_EQ(buttons.size(), 10u);
    std::set<Button> names;
    for (const auto& [button, which] : buttons) names.insert(which);
    EXPECT_EQ(names, (std::set<Button>{Button::Close, Button::Down, Button::Help, Button::New, Button::Scores,
                                       Button::Options, Button::Games, Button::Level, Button::Daily,
                                       Button::Statistics}));
    EXPECT_EQ(panel.Which(nullptr), Button::None);
    EXPECT_EQ(panel.Which(panel.LevelButton()), Button::Level);
    EXPECT_EQ(panel.Which(panel.NewButton()), Button::New);
    EXPECT_EQ(panel.Which(panel.CloseButton()), Button::Close);
}

TEST_F(GamePanelTest, TheButtonsStandRightOfTheCourtAndTheSmallOnesInTheTopRightCorner) {
    for (const auto& [button, which] : Buttons()) {
        EXPECT_GE(button->X(), float(court.courtLeft + court.courtWidth)) << int(which);
        EXPECT_LE(button->X() + button->Width(), float(window->Width())) << int(which);
    }
    EXPECT_EQ(panel.CloseButton()->X() + panel.CloseButton()->Width() + 2, float(window->Width()));
    EXPECT_EQ(panel.CloseButton()->Y(), 0);
    EXPECT_EQ(panel.NewButton()->X(), float(court.courtWidth + 65));
    EXPECT_EQ(panel.NewButton()->Y(), 270);
    EXPECT_EQ(panel.LevelButton()->X(), float(court.courtWidth + 50));
    EXPECT_EQ(panel.LevelButton()->Y(), 50);
    // The day's court and the statistics stand below the other commands, clear of them all.
    for (ui::OButton* added : {panel.DailyButton(), panel.StatisticsButton()})
        for (const auto& [button, which] : Buttons()) {
            if (button == added) continue;
            const bool apart =
                added->X() >= button->X() + button->Width() || button->X() >= added->X() + added->Width() ||
                added->Y() >= button->Y() + button->Height() || button->Y() >= added->Y() + added->Height();
            EXPECT_TRUE(apart) << int(which);
        }
    EXPECT_LE(panel.StatisticsButton()->Y() + panel.StatisticsButton()->Height(),
              float(window->Height() - 20));
}

TEST_F(GamePanelTest, TheMarkSaysWhatTheCourtIs) {
    EXPECT_EQ(panel.MarkText()->GetText(), "");
    panel.ShowMark(GamePanel::Mark::Daily);
    EXPECT_EQ(panel.MarkText()->GetText(), "Daily");
    panel.ShowMark(GamePanel::Mark::Practice);
    EXPECT_EQ(panel.MarkText()->GetText(), "Practice");
    // Centred under the level button, above the score box.
    EXPECT_NEAR(panel.MarkText()->X() + panel.MarkText()->Width() / 2,
                panel.LevelButton()->X() + panel.LevelButton()->Width() / 2, 16);
    EXPECT_LE(panel.MarkText()->Y() + panel.MarkText()->Height(), 120);
    panel.ShowMark(GamePanel::Mark::None);
    EXPECT_EQ(panel.MarkText()->GetText(), "");
}

TEST_F(GamePanelTest, TheLevelButtonNamesTheLevelAndAReplayHidesOnlyTheGamesCommands) {
    EXPECT_EQ(panel.LevelButton()->GetText(), "Expert");
    panel.ShowLevel(rules::Level::Master);
    EXPECT_EQ(panel.LevelButton()->GetText(), "Master");
    panel.HideGameCommands();
    for (const auto& [button, which] : Buttons()) {
        const bool command = which == Button::New || which == Button::Scores || which == Button::Options ||
                             which == Button::Games || which == Button::Daily || which == Button::Statistics;
        EXPECT_EQ(button->IsVisible(), !command) << int(which);
    }
}

} // namespace
