#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/MainThread.hpp"
#include "game/CourtCursor.hpp"
#include "game/CourtKeys.hpp"
#include "game/CourtPad.hpp"
#include "game/GamePause.hpp"
#include "game/OGameWindow.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "rules/BoardRules.hpp"
#include "rules/ReplayPlayer.hpp"
#include "rules/SimScene.hpp"
#include "scene/OClip.hpp"
#include "tools/driver/HeadlessDriver.hpp"

using namespace game;
using namespace rules;

namespace {

TEST(CourtCursor, TheHighlightWalksTheHoneycombAndComesBackTheWayItWent) {
    CourtCursor cursor{CourtGeometry{}};
    cursor.StartPicking({9, 5});
    cursor.MoveHighlight(CursorDirection::Up);
    const Cell above = cursor.Highlight();
    EXPECT_EQ(above.row, 8);
    // The neighbouring row's cell is one of the two the offset puts beside it.
    EXPECT_TRUE(above.column == 5 || above.column == 5 + RowOffset(9));
    cursor.MoveHighlight(CursorDirection::Down);
    EXPECT_EQ(cursor.Highlight(), (Cell{9, 5}));
    // Straight down over four rows zigzags but keeps to the column it left.
    for (int i = 0; i < 4; ++i) cursor.MoveHighlight(CursorDirection::Down);
    EXPECT_EQ(cursor.Highlight(), (Cell{13, 5}));
    // The edges hold it.
    cursor.StartPicking({1, 1});
    cursor.MoveHighlight(CursorDirection::Up);
    cursor.MoveHighlight(CursorDirection::Left);
    EXPECT_EQ(cursor.Highlight(), (Cell{1, 1}));
    cursor.StartPicking({16, 16});
    cursor.MoveHighlight(CursorDirection::Down);
    cursor.MoveHighlight(CursorDirection::Right);
    EXPECT_EQ(cursor.Highlight(), (Cell{16, 16}));
}

TEST(CourtCursor, NoWalkEverLeavesTheCourt) {
    const CourtGeometry court;
    CourtCursor cursor{court};
    std::mt19937 random(11);
    cursor.StartPicking({8, 8});
    for (int i = 0; i < 5000; ++i) {
        cursor.MoveHighlight(CursorDirection(random() % 4));
        ASSERT_TRUE(cursor.Highlight().IsValid()) << i;
        // The highlighted cell's centre is the cell a click there selects.
        const CourtPoint centre = cursor.HighlightCentre();
        ASSERT_EQ(court.ClickCell(centre.x, centre.y), cursor.Highlight()) << i;
    }
    cursor.StartAiming({16, 1});
    EXPECT_EQ(cursor.Aim(), (CourtPoint{court.CentreX(16, 1), court.CentreY(16)}));
    for (int i = 0; i < 5000; ++i) {
        cursor.MoveAim(int(random() % 81) - 40, int(random() % 81) - 40);
        ASSERT_GE(cursor.Aim().x, court.courtLeft);
        ASSERT_LT(cursor.Aim().x, court.courtLeft + court.courtWidth);
        ASSERT_GE(cursor.Aim().y, court.courtTop);
        ASSERT_LT(cursor.Aim().y, court.courtTop + court.courtHeight);
    }
}

TEST(CourtCursor, KeysStepFourPixelsOrOneAndFasterWhileHeldAndTheStickHasADeadZone) {
    EXPECT_EQ(AimKeyStep(0, false), 4);
    EXPECT_EQ(AimKeyStep(0, true), 1);
    int last = 0;
    for (int repeats = 0; repeats < 40; ++repeats) {
        EXPECT_GE(AimKeyStep(repeats, false), last);
        last = AimKeyStep(repeats, false);
    }
    EXPECT_EQ(last, 16);
    EXPECT_EQ(StickSpeed(0), 0.0);
    EXPECT_EQ(StickSpeed(kStickDeadZone), 0.0);
    EXPECT_EQ(StickSpeed(-kStickDeadZone), 0.0);
    EXPECT_GT(StickSpeed(kStickDeadZone + 2000), 0.0);
    EXPECT_LT(StickSpeed(kStickDeadZone + 2000), StickSpeed(20000));
    EXPECT_DOUBLE_EQ(StickSpeed(32767), kStickTopSpeed);
    EXPECT_DOUBLE_EQ(StickSpeed(-32768), -kStickTopSpeed);
}

TEST(GamePause, TheGamesClockStandsWhileItIsStoppedAndOnlyTheFocusResumesWhatTheFocusStopped) {
    GamePause pause;
    EXPECT_EQ(pause.GameTime(1000), 1000u);
    pause.Toggle(1000);
    EXPECT_EQ(pause.Cause(), PauseCause::Player);
    // The focus coming back does not undo the player's own pause.
    pause.FocusLost(1500);
    EXPECT_FALSE(pause.FocusGained(1600));
    EXPECT_TRUE(pause.Paused());
    pause.Toggle(3000);
    EXPECT_FALSE(pause.Paused());
    EXPECT_EQ(pause.GameTime(3020), 1020u);
    pause.FocusLost(4000);
    EXPECT_EQ(pause.Cause(), PauseCause::FocusLost);
    EXPECT_TRUE(pause.FocusGained(4500));
    EXPECT_EQ(pause.GameTime(4520), 2020u);
    // Across the clock's wrap.
    GamePause wrapping;
    wrapping.Toggle(0xFFFFFF00u);
    wrapping.Resume(0x100u);
    EXPECT_EQ(wrapping.GameTime(0x120u), 0xFFFFFF20u);
}

// A pad on a court of its own, without a window: the cursor it moves and the clicks it asks for.
class CourtPadTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = {};
        settings.level = Level::Master; // the rules pick: A aims at once
        game.Seed(5);
        game.NewGame();
        game.Advance(false);
    }
    GameSettings settings;
    SimScene scene;
    TGame game{scene, settings, CourtGeometry{}};
    CourtKeys keys{CourtGeometry{}};
    CourtPad pad;
};

TEST_F(CourtPadTest, TheDpadStepsOnceAPressAndRepeatsWhileHeld) {
    Settings().level = Level::Master;
    EXPECT_FALSE(pad.ButtonDown(platform::PadButton::B, keys, game, 0).handled);
    EXPECT_TRUE(pad.ButtonDown(platform::PadButton::A, keys, game, 0).handled);
    ASSERT_TRUE(keys.Visible());
    const CourtPoint start = keys.Cursor().Aim();
    pad.ButtonUp(platform::PadButton::A);
    pad.ButtonDown(platform::PadButton::Up, keys, game, 1000);
    EXPECT_EQ(keys.Cursor().Aim().y, start.y - 4);
    // Held: nothing more until the delay, then a step each period, however the frames fall.
    EXPECT_FALSE(pad.Frame(keys, game, 1000 + CourtPad::kRepeatDelay - 1));
    EXPECT_TRUE(pad.Frame(keys, game, 1000 + CourtPad::kRepeatDelay));
    EXPECT_EQ(keys.Cursor().Aim().y, start.y - 8);
    pad.Frame(keys, game, 1000 + CourtPad::kRepeatDelay + 3 * CourtPad::kRepeatPeriod);
    EXPECT_EQ(keys.Cursor().Aim().y,
              start.y - 8 - AimKeyStep(2, false) - AimKeyStep(3, false) - AimKeyStep(4, false));
    pad.ButtonUp(platform::PadButton::Up);
    EXPECT_FALSE(pad.Frame(keys, game, 5000));
    // A throws at the mark; B gives nothing up where the rules pick.
    EXPECT_EQ(pad.ButtonDown(platform::PadButton::A, keys, game, 5000).click,
              std::optional(keys.Cursor().Aim()));
    EXPECT_FALSE(pad.ButtonDown(platform::PadButton::B, keys, game, 5000).handled);
    EXPECT_FALSE(pad.ButtonDown(platform::PadButton::X, keys, game, 5000).handled);
}

TEST_F(CourtPadTest, TheStickAimsAsFastAsItIsTiltedAndNotAtAllInsideItsDeadZone) {
    Settings().level = Level::Master;
    pad.AxisMoved(platform::PadAxis::LeftX, kStickDeadZone - 1);
    EXPECT_FALSE(pad.Frame(keys, game, 0));
    EXPECT_FALSE(keys.Visible());
    // A tilt shows the cursor, then moves it frame by frame, whole pixels carried over.
    pad.AxisMoved(platform::PadAxis::LeftX, 32767);
    EXPECT_TRUE(pad.Frame(keys, game, 20));
    const CourtPoint start = keys.Cursor().Aim();
    for (int frame = 0; frame < 10; ++frame) pad.Frame(keys, game, 40 + 20 * std::uint32_t(frame));
    EXPECT_EQ(keys.Cursor().Aim().x, std::min(start.x + 10 * int(kStickTopSpeed), 566));
    pad.AxisMoved(platform::PadAxis::LeftX, 0);
    pad.AxisMoved(platform::PadAxis::LeftY, -20000);
    const CourtPoint tilted = keys.Cursor().Aim();
    for (int frame = 0; frame < 100; ++frame) pad.Frame(keys, game, 400 + 20 * std::uint32_t(frame));
    const int travel = tilted.y - keys.Cursor().Aim().y;
    EXPECT_NEAR(travel, std::min(100 * StickSpeed(20000), double(tilted.y - 43)), 1.0);
    EXPECT_EQ(keys.Cursor().Aim().x, tilted.x);
    // A lost focus lets go of the stick.
    pad.Release();
    const CourtPoint released = keys.Cursor().Aim();
    pad.Frame(keys, game, 9000);
    EXPECT_EQ(keys.Cursor().Aim(), released);
}

TEST_F(CourtPadTest, WhilePickingTheStickWalksTheHighlightAndBGivesThePickUp) {
    Settings().level = settings.level = Level::Novice;
    pad.ButtonDown(platform::PadButton::Down, keys, game, 0);
    pad.ButtonUp(platform::PadButton::Down);
    ASSERT_EQ(keys.Cursor().Stage(), CursorStage::Picking);
    const Cell start = keys.Cursor().Highlight();
    pad.AxisMoved(platform::PadAxis::LeftX, 30000);
    pad.Frame(keys, game, 100);
    EXPECT_EQ(keys.Cursor().Highlight(), (Cell{start.row, std::min(start.column + 1, 16)}));
    pad.AxisMoved(platform::PadAxis::LeftX, 0);
    pad.Frame(keys, game, 120);
    // Back on the selected ball, A picks it, and B then gives the pick up.
    keys.Reveal(game);
    const CourtKeyAnswer pick = pad.ButtonDown(platform::PadButton::A, keys, game, 200);
    ASSERT_TRUE(pick.click);
    game.Click(pick.click->x, pick.click->y);
    keys.Clicked(game);
    EXPECT_EQ(keys.Cursor().Stage(), CursorStage::Aiming);
    EXPECT_TRUE(pad.ButtonDown(platform::PadButton::B, keys, game, 300).handled);
    EXPECT_EQ(keys.Cursor().Stage(), CursorStage::Picking);
}

class KeyPlayTest : public ::testing::Test {
protected:
    void SetUp() override { Settings() = {}; }
    void TearDown() override {
        driver.DestroyWindows({window});
        engine::MainThread::Reset();
    }
    void Open(Level level, std::uint32_t seed, bool dialogs = false) {
        Settings().level = level;
        GameWindowSetup setup;
        setup.seed = seed;
        setup.openDialogs = dialogs;
        window = new OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, setup);
        ASSERT_EQ(window->CreateFailed(), 0);
        ASSERT_TRUE(window->Start());
        driver.Pump();
        driver.Frame(window);
    }
    void Press(int key, int times = 1) {
        for (int i = 0; i < times; ++i) driver.Press(window, key);
    }
    // A held key: its press repeated by the keyboard, then one release.
    void Hold(int key, int repeats) {
        for (int i = 0; i <= repeats; ++i) driver.Send(window, platform::EventKind::KeyDown, key);
        driver.Send(window, platform::EventKind::KeyUp, key);
    }
    void Settle() {
        // Until the next ball is selected, or the game is over.
        for (int i = 0;
             i < 20000 && !Game().GameOver() && !(Game().AcceptsClicks() && Game().SelectedCell().IsValid());
             ++i)
            driver.Frame(window);
    }
    const CourtKeys& Keys() { return *window->Keys(); }
    TGame& Game() { return *window->Game(); }

    driver::HeadlessDriver driver;
    OGameWindow* window = nullptr;
};

TEST_F(KeyPlayTest, TheCursorShowsAfterAKeyAndHidesAtTheNextMouseMove) {
    Open(Level::Novice, 3);
    ASSERT_NE(window->Marks().Cell(), nullptr);
    ASSERT_NE(window->Marks().Aim(), nullptr);
    EXPECT_FALSE(window->Marks().Cell()->IsVisible());
    EXPECT_FALSE(window->Marks().Aim()->IsVisible());
    // The first key shows the player where she stands, on the selected ball, and moves nothing.
    Press(platform::Key_Left);
    EXPECT_TRUE(window->Marks().Cell()->IsVisible());
    EXPECT_EQ(Keys().Cursor().Highlight(), Game().SelectedCell());
    const CourtGeometry& g = Game().Geometry();
    const Cell selected = Game().SelectedCell();
    EXPECT_EQ(window->Marks().Cell()->X(), float(g.CornerX(selected.row, selected.column) - 3));
    // Space on the selected free ball selects it again, and the aim mark stands at its centre.
    Press(platform::Key_Space);
    EXPECT_EQ(Keys().Cursor().Stage(), CursorStage::Aiming);
    EXPECT_FALSE(window->Marks().Cell()->IsVisible());
    EXPECT_TRUE(window->Marks().Aim()->IsVisible());
    EXPECT_EQ(window->Marks().Aim()->X(), float(g.CentreX(selected.row, selected.column) - 10));
    Press(platform::Key_Up, 3);
    EXPECT_EQ(Keys().Cursor().Aim().y, g.CentreY(selected.row) - 12);
    driver.Send(window, platform::EventKind::KeyDown, platform::Key_Shift);
    Press(platform::Key_Up);
    driver.Send(window, platform::EventKind::KeyUp, platform::Key_Shift);
    EXPECT_EQ(Keys().Cursor().Aim().y, g.CentreY(selected.row) - 13);
    // Escape goes back to picking on a level where the player picks.
    Press(platform::Key_Escape);
    EXPECT_EQ(Keys().Cursor().Stage(), CursorStage::Picking);
    EXPECT_TRUE(window->Marks().Cell()->IsVisible());
    driver.MoveTo(window, 100, 100);
    EXPECT_FALSE(window->Marks().Cell()->IsVisible());
    EXPECT_FALSE(window->Marks().Aim()->IsVisible());
    // Nothing of this reached the rules but the one selection.
    ASSERT_NE(Game().Replay(), nullptr);
    EXPECT_EQ(Game().Replay()->inputs.size(), 1u);
}

TEST_F(KeyPlayTest, AHeldArrowSpeedsUpAndEscapeDoesNothingWhereTheRulesPick) {
    Open(Level::Master, 5);
    Press(platform::Key_Up);
    EXPECT_EQ(Keys().Cursor().Stage(), CursorStage::Aiming);
    const CourtPoint start = Keys().Cursor().Aim();
    Hold(platform::Key_Up, 20);
    int travelled = 0;
    for (int repeats = 0; repeats <= 20; ++repeats) travelled += AimKeyStep(repeats, false);
    EXPECT_EQ(Keys().Cursor().Aim().y, std::max(start.y - travelled, Game().Geometry().courtTop));
    Press(platform::Key_Escape);
    Press(platform::Key_Backspace);
    EXPECT_EQ(Keys().Cursor().Stage(), CursorStage::Aiming);
}

// Plays a whole game with keys alone: each turn picks a free ball by walking to it (on levels
// where the player picks), aims with a few arrows and throws.
TEST_F(KeyPlayTest, AWholeGamePlayedWithKeysAloneIsTheGameItsClicksReplay) {
    for (const Level level : {Level::Novice, Level::Master}) {
        SCOPED_TRACE(LevelName(level));
        Open(level, 7);
        std::mt19937 random(17);
        Press(platform::Key_Down); // shows the cursor
        for (int turn = 0; turn < 400 && !Game().GameOver(); ++turn) {
            Settle();
            if (Game().GameOver()) break;
            if (Keys().Cursor().Stage() == CursorStage::Picking) {
                for (int i = int(random() % 4); i > 0; --i) Press(platform::Key_Left + int(random() % 4));
                // Walk back to a free ball if the walk left one.
                const Cell at = Keys().Cursor().Highlight();
                if (!Game().Grid()[at.row][at.column] || !IsFree(Game().Grid(), at.row, at.column)) {
                    Press(platform::Key_Escape); // nothing while picking
                    Press(platform::Key_Space);  // nothing on an empty cell
                    EXPECT_EQ(Keys().Cursor().Stage(), CursorStage::Picking);
                    driver.MoveTo(window, 100 + turn, 300);
                    Press(platform::Key_Up); // shows it again on the selected ball
                }
                Press(platform::Key_Return);
                ASSERT_EQ(Keys().Cursor().Stage(), CursorStage::Aiming) << turn;
            }
            Hold(platform::Key_Up, 8 + int(random() % 20));
            Press(random() % 2 ? platform::Key_Left : platform::Key_Right, int(random() % 30));
            const std::size_t inputs = Game().Replay()->inputs.size();
            const CourtPoint aim = Keys().Cursor().Aim();
            Press(platform::Key_Space);
            ASSERT_EQ(Game().Replay()->inputs.size(), inputs + 1) << turn;
            // The click the rules took is the aim mark's point.
            const ReplayInput click = Game().Replay()->inputs.back();
            EXPECT_EQ((CourtPoint{click.x, click.y}), aim);
        }
        Settle();
        for (int i = 0; i < 3000 && !Game().IsSettled(); ++i) driver.Frame(window);
        ASSERT_TRUE(Game().GameOver());
        ASSERT_NE(Game().Replay(), nullptr);
        const ReplayVerdict verdict = VerifyReplay(EncodeReplay(*Game().Replay()), level, Game().Score());
        EXPECT_TRUE(verdict.verified) << verdict.reason;
        driver.DestroyWindows({window});
        window = nullptr;
    }
}

TEST_F(KeyPlayTest, APausedGameStandsStillAndRecordsTheSameReplayAsWithoutThePause) {
    // The same game twice, with the same inputs on the same frames; the second is stopped at
    // pseudo-random frames for pseudo-random times.
    std::vector<std::string> replays;
    for (int run = 0; run < 2; ++run) {
        Open(Level::Novice, 21);
        std::mt19937 random(4);
        std::mt19937 pauses(9);
        const CourtGeometry& g = Game().Geometry();
        for (int frame = 0; frame < 1500; ++frame) {
            if (frame % 40 == 5 && Game().AcceptsClicks()) {
                const Cell selected = Game().SelectedCell();
                driver.Click(window, g.CentreX(selected.row, selected.column) + int(random() % 60) - 30,
                             g.CentreY(selected.row) - 150 - int(random() % 200));
            }
            if (run == 1 && pauses() % 13 == 0) {
                Press('P');
                ASSERT_TRUE(window->Paused());
                ASSERT_TRUE(window->FramesHeld());
                const auto before = window->FramesRun();
                const std::size_t inputs = Game().Replay()->inputs.size();
                const int length = 1 + int(pauses() % 30);
                for (int i = 0; i < length; ++i) driver.Frame(window);
                // Frames were run but the court stood: nothing reached the rules.
                EXPECT_EQ(window->FramesRun(), before + std::uint64_t(length));
                EXPECT_EQ(Game().Replay()->inputs.size(), inputs);
                if (pauses() % 2) {
                    Press('P');
                } else {
                    // A click on the court only resumes.
                    driver.Click(window, 200, 300);
                    EXPECT_EQ(Game().Replay()->inputs.size(), inputs);
                }
                ASSERT_FALSE(window->Paused());
            }
            driver.Frame(window);
        }
        ASSERT_NE(Game().Replay(), nullptr);
        replays.push_back(EncodeReplay(*Game().Replay()));
        driver.DestroyWindows({window});
        window = nullptr;
    }
    EXPECT_EQ(replays[0], replays[1]);
}

TEST_F(KeyPlayTest, AGamepadPlaysTheCourtAndItsPanelButtons) {
    Open(Level::Master, 5);
    platform::HeadlessPlatform& pad = driver.Platform();
    auto press = [&](platform::PadButton button) {
        pad.InjectPadButton(button, true);
        pad.InjectPadButton(button, false);
        driver.Pump();
    };
    press(platform::PadButton::A);
    ASSERT_TRUE(Keys().Visible());
    ASSERT_TRUE(window->Marks().Aim()->IsVisible());
    const CourtPoint start = Keys().Cursor().Aim();
    // The stick, pushed up and a little left, carries the mark frame by frame.
    pad.InjectPadAxis(platform::PadAxis::LeftY, -32767);
    pad.InjectPadAxis(platform::PadAxis::LeftX, -12000);
    driver.Pump();
    for (int i = 0; i < 15; ++i) driver.Frame(window);
    pad.InjectPadAxis(platform::PadAxis::LeftY, 0);
    pad.InjectPadAxis(platform::PadAxis::LeftX, 0);
    driver.Pump();
    const CourtPoint aimed = Keys().Cursor().Aim();
    EXPECT_EQ(aimed.y, start.y - 15 * int(kStickTopSpeed));
    EXPECT_LT(aimed.x, start.x);
    EXPECT_EQ(window->Marks().Aim()->Y(), float(aimed.y - 10));
    // A throws at the mark, with the click a mouse would make there.
    press(platform::PadButton::A);
    ASSERT_NE(Game().Replay(), nullptr);
    ASSERT_FALSE(Game().Replay()->inputs.empty());
    EXPECT_EQ((CourtPoint{Game().Replay()->inputs.back().x, Game().Replay()->inputs.back().y}), aimed);
    EXPECT_FALSE(Game().Flying().empty());
    // The panel's buttons: X a new game, Y the Top 10, Start the options.
    const std::uint32_t state = Game().StartState();
    press(platform::PadButton::X);
    EXPECT_NE(Game().StartState(), state);
    press(platform::PadButton::Y);
    EXPECT_EQ(window->TakeDialogRequest(), "scores");
    press(platform::PadButton::Start);
    EXPECT_EQ(window->TakeDialogRequest(), "options");
}

TEST_F(KeyPlayTest, LosingTheFocusStopsTheGameUntilItComesBack) {
    Open(Level::Novice, 3, true);
    platform::Event lost;
    lost.kind = platform::EventKind::FocusLost;
    lost.window = window->PlatformWindow();
    driver.Platform().Inject(lost);
    driver.Pump();
    EXPECT_TRUE(window->Paused());
    EXPECT_TRUE(window->FramesHeld());
    // The focus coming back resumes it; after the player's own P it stays stopped.
    driver.Platform().ActivateWindow(window->PlatformWindow());
    driver.Pump();
    EXPECT_FALSE(window->Paused());
    EXPECT_FALSE(window->FramesHeld());
    Press('P');
    driver.Platform().Inject(lost);
    driver.Pump();
    driver.Platform().ActivateWindow(window->PlatformWindow());
    driver.Pump();
    EXPECT_TRUE(window->Paused());
    Press(platform::Key_Pause);
    EXPECT_FALSE(window->Paused());
    // A dialog of the game's own taking the focus stops nothing: the game stands under it.
    driver.FollowDialogs(window);
    Press('O');
    ASSERT_NE(driver.TopDialog(), nullptr);
    EXPECT_FALSE(window->Paused());
    driver.Press(driver.TopDialog(), platform::Key_Escape);
    EXPECT_EQ(driver.TopDialog(), nullptr);
    EXPECT_FALSE(window->Paused());
}

} // namespace
