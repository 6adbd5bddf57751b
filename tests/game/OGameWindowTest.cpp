#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "engine/MainThread.hpp"
#include "game/ClipBall.hpp"
#include "game/CourtWindows.hpp"
#include "game/OGameWindow.hpp"
#include "game/OReplayWindow.hpp"
#include "game/PanelKeys.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "rules/ThrowReportObserver.hpp"
#include "store/SaveWriter.hpp"
#include "store/TScoresTable.hpp"
#include "tools/driver/HeadlessDriver.hpp"
#include "ui/OButton.hpp"

using namespace game;
using namespace rules;

namespace {

class GameWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = {};
        dir = std::filesystem::temp_directory_path() / ("hoopstack-window-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        driver.DestroyWindows({window});
        engine::MainThread::Reset();
        std::filesystem::remove_all(dir);
    }
    void Pump() { driver.Pump(); }
    void Open(GameWindowSetup setup) {
        window = new OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false},
                                 std::move(setup));
        ASSERT_EQ(window->CreateFailed(), 0);
        ASSERT_TRUE(window->Start());
        Pump();
    }
    void Frame() { driver.Frame(window); }
    void Click(int x, int y) { driver.Click(window, x, y); }

    driver::HeadlessDriver driver;
    platform::HeadlessPlatform* headless = &driver.Platform();
    OGameWindow* window = nullptr;
    std::filesystem::path dir;
};

} // namespace

TEST_F(GameWindowTest, LaysOutThePanelAndPlaysAThrowWithClipBalls) {
    GameWindowSetup setup;
    setup.seed = 3;
    Open(setup);
    TGame* game = window->Game();
    EXPECT_EQ(game->Geometry().courtWidth, 561);
    EXPECT_EQ(window->NewButton()->X(), 626);
    EXPECT_EQ(window->NewButton()->Y(), 270);
    EXPECT_EQ(window->LevelButton()->GetText(), "Novice");
    EXPECT_EQ(CountBalls(game->Grid()), 128);
    EXPECT_NE(dynamic_cast<ClipBall*>(game->Grid()[16][1]), nullptr);
    Frame();
    const Cell selected = game->SelectedCell();
    ASSERT_TRUE(selected.IsValid());
    const CourtGeometry& g = game->Geometry();
    ThrowReportObserver throws;
    game->SetObserver(&throws);
    Click(g.CentreX(selected.row, selected.column), g.CentreY(selected.row) - 200);
    EXPECT_TRUE(throws.Report().launched);
    EXPECT_EQ(headless->Sounds().back().find("start.wav") != std::string::npos, true);
    for (int i = 0; i < 5000 && !(game->IsSettled() && i > 0); ++i) Frame();
    game->SetObserver(nullptr);
    EXPECT_TRUE(throws.Report().landed.has_value());
}

TEST_F(GameWindowTest, WindowsOpenedInTheSameMillisecondDealDifferentBoards) {
    // Without a given seed every window takes a fresh one; the headless clock stands still,
    // so nothing here depends on time passing between the windows.
    std::set<std::array<std::array<int, 18>, 18>> boards;
    std::set<std::uint32_t> starts;
    constexpr int kWindows = 12;
    for (int i = 0; i < kWindows; ++i) {
        Open({});
        boards.insert(ColoursOf(window->Game()->Grid()));
        starts.insert(window->Game()->StartState());
        engine::OWindow::Destroy(window);
        Pump();
    }
    EXPECT_EQ(boards.size(), std::size_t(kWindows));
    EXPECT_EQ(starts.size(), std::size_t(kWindows));
}

TEST_F(GameWindowTest, TheStartStateReplaysTheBoard) {
    // A game seeded with another game's start state deals the same court.
    GameWindowSetup setup;
    setup.seed = 977;
    Open(setup);
    window->NewGame();
    const std::uint32_t start = window->Game()->StartState();
    const auto colours = ColoursOf(window->Game()->Grid());
    engine::OWindow::Destroy(window);
    Pump();
    GameWindowSetup replay;
    replay.seed = start;
    Open(replay);
    EXPECT_EQ(window->Game()->StartState(), start);
    EXPECT_EQ(ColoursOf(window->Game()->Grid()), colours);
}

TEST_F(GameWindowTest, AScoreOfSixPlacesShowsEveryDigitInsideTheBox) {
    TSavedGame saved;
    saved.score = 123456;
    saved.boardEmpty = false;
    for (int c = 1; c <= 16; ++c) saved.cells[16][c] = 1 + c % 3;
    GameWindowSetup setup;
    setup.preset = saved;
    setup.seed = 5;
    Open(setup);
    ASSERT_EQ(window->Game()->Score(), 123456);
    for (int i = 0; i < 50; ++i) Frame();
    CourtScene* scene = window->Scene();
    ASSERT_EQ(scene->NarrowPlaces(), 6);
    const int boxLeft = window->Game()->Geometry().courtWidth + 20;
    int previousRight = 0;
    for (int power = 5; power >= 0; --power) {
        const scene::OClip* drum = scene->NarrowDigit(power);
        EXPECT_TRUE(drum->IsVisible());
        EXPECT_EQ(drum->ShownFrame(), 5 * (6 - power)) << power;
        EXPECT_GE(drum->X(), float(boxLeft + 12));
        EXPECT_LE(drum->X() + drum->Width(), float(boxLeft + 148));
        EXPECT_GE(int(drum->X()), previousRight);
        previousRight = int(drum->X() + drum->Width());
    }
    for (int power = 6; power < 10; ++power) EXPECT_FALSE(scene->NarrowDigit(power)->IsVisible());
    for (int place = 0; place < 5; ++place) EXPECT_FALSE(scene->Digit(place)->IsVisible());

    // A new game goes back to the five wide places, all at 0.
    window->NewGame();
    Frame();
    EXPECT_EQ(scene->NarrowPlaces(), 0);
    for (int place = 0; place < 5; ++place) {
        EXPECT_TRUE(scene->Digit(place)->IsVisible());
        EXPECT_EQ(scene->Digit(place)->ShownFrame(), 0);
    }
    for (int power = 0; power < 10; ++power) EXPECT_FALSE(scene->NarrowDigit(power)->IsVisible());
}

TEST_F(GameWindowTest, ASaturatedScoreShowsAllTenPlaces) {
    TSavedGame saved;
    saved.score = std::numeric_limits<int>::max();
    saved.boardEmpty = false;
    saved.cells[16][1] = 1;
    saved.cells[16][2] = 2;
    GameWindowSetup setup;
    setup.preset = saved;
    setup.seed = 5;
    Open(setup);
    for (int i = 0; i < 60; ++i) Frame();
    CourtScene* scene = window->Scene();
    ASSERT_EQ(scene->NarrowPlaces(), 10);
    const char* digits = "2147483647";
    for (int power = 0; power < 10; ++power)
        EXPECT_EQ(scene->NarrowDigit(power)->ShownFrame(), 5 * (digits[9 - power] - '0')) << power;
}

TEST_F(GameWindowTest, ClosingTheWindowSavesTheBoard) {
    GameWindowSetup setup;
    setup.statePath = (dir / "state.dat").string();
    setup.seed = 4;
    Open(setup);
    const auto colours = ColoursOf(window->Game()->Grid());
    engine::OWindow::Destroy(window);
    Pump();
    const auto saved = LoadSavedGame(*setup.statePath);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->cells, colours);
    EXPECT_TRUE(saved->CanRestore());

    // The next start restores it.
    Open(setup);
    EXPECT_EQ(ColoursOf(window->Game()->Grid()), colours);
}

TEST_F(GameWindowTest, PanelButtonsAndFunctionKeysAskForTheirDialogs) {
    // Only noted, as the simulator has it, so that the game keeps taking input.
    GameWindowSetup setup;
    setup.openDialogs = false;
    Open(setup);
    headless->SetCursor(window->PlatformWindow(), {650, 500});
    driver.Send(window, platform::EventKind::KeyDown, platform::Key_F3);
    EXPECT_EQ(window->TakeDialogRequest(), "options");
    // The level button at a score of 0 switches level at once.
    ui::OButton* level = window->LevelButton();
    Click(int(level->X()) + 20, int(level->Y()) + 10);
    EXPECT_EQ(Settings().level, Level::Expert);
    EXPECT_EQ(level->GetText(), "Expert");
}

TEST_F(GameWindowTest, EveryPanelButtonHasAKey) {
    GameWindowSetup setup;
    setup.openDialogs = false;
    Open(setup);
    for (const auto& [key, dialog] :
         std::vector<std::pair<int, const char*>>{{'O', "options"},
                                                  {'T', "scores"},
                                                  {'R', "rules"},
                                                  {platform::Key_F1, "rules"},
                                                  {platform::Key_F2, "scores"},
                                                  {platform::Key_F3, "options"},
                                                  {'Q', "quit"}}) {
        driver.Send(window, platform::EventKind::KeyDown, key);
        EXPECT_EQ(window->TakeDialogRequest(), dialog) << key;
    }
    // N starts a new game, L at a score of 0 switches the level at once.
    const std::uint32_t start = window->Game()->StartState();
    driver.Send(window, platform::EventKind::KeyDown, 'N');
    EXPECT_NE(window->Game()->StartState(), start);
    driver.Send(window, platform::EventKind::KeyDown, 'L');
    EXPECT_EQ(Settings().level, Level::Expert);
    EXPECT_EQ(window->LevelButton()->GetText(), "Expert");
    // Other letters do nothing.
    driver.Send(window, platform::EventKind::KeyDown, 'A');
    EXPECT_EQ(window->TakeDialogRequest(), "");
    EXPECT_EQ(Settings().level, Level::Expert);
}

TEST(PanelKeys, NameTheButtonsTheyPress) {
    using Button = GamePanel::Button;
    EXPECT_EQ(PanelButtonForKey('N'), Button::New);
    EXPECT_EQ(PanelButtonForKey('L'), Button::Level);
    EXPECT_EQ(PanelButtonForKey('M'), Button::Games);
    EXPECT_EQ(PanelButtonForKey('Q'), Button::Close);
    EXPECT_EQ(PanelButtonForKey('n'), Button::None);
    EXPECT_EQ(PanelButtonForKey(platform::Key_Escape), Button::None);
    EXPECT_EQ(PanelButtonForKey(platform::Key_LButton), Button::None);
}

namespace {

// Every text the window hands to its writer, in the order they reach the file, which they
// are also written to.
// The record outlives the test's window, which writes once more as the fixture closes it.
struct RecordedSaves {
    struct Record {
        std::mutex mutex;
        std::vector<std::string> texts;
    };
    std::shared_ptr<Record> record = std::make_shared<Record>();

    std::shared_ptr<store::SaveWriter> Writer(const std::string& path) {
        return std::make_shared<store::SaveWriter>(
            path, nullptr, [record = record](const std::string& file, const std::string& text, std::string* error) {
                {
                    std::lock_guard lock(record->mutex);
                    record->texts.push_back(text);
                }
                return store::TScoresTable().writeEncrypted(file, text, error);
            });
    }
    std::vector<std::string> Texts() {
        std::lock_guard lock(record->mutex);
        return record->texts;
    }
};

} // namespace

TEST_F(GameWindowTest, TheCourtIsSavedWhenItComesToRestAndNeverInFlight) {
    RecordedSaves saves;
    GameWindowSetup setup;
    setup.statePath = (dir / "state.dat").string();
    setup.writer = saves.Writer(*setup.statePath);
    setup.seed = 3;
    Open(setup);
    store::SaveWriter& writer = *setup.writer;
    Frame();
    writer.Flush();
    // The new game is kept at once, and a court that stays at rest is not written again.
    const std::string started = FormatSavedGame(window->SavedState());
    ASSERT_EQ(saves.Texts(), std::vector<std::string>{started});
    for (int i = 0; i < 20; ++i) Frame();
    writer.Flush();
    EXPECT_EQ(saves.Texts().size(), 1u);

    TGame* game = window->Game();
    const Cell selected = game->SelectedCell();
    const CourtGeometry& g = game->Geometry();
    // Aimed aside: a ball thrown straight up comes back to its own cell.
    ThrowReportObserver throws;
    game->SetObserver(&throws);
    Click(g.CentreX(selected.row, selected.column) + 150, g.CentreY(selected.row) - 200);
    game->SetObserver(nullptr);
    ASSERT_TRUE(throws.Report().launched);
    int frames = 0, inFlight = 0;
    for (; frames < 5000 && !game->IsSettled(); ++frames) {
        Frame();
        writer.Flush();
        // The thrown ball has left its cell; a file with it missing would lose a ball.
        if (!game->IsSettled()) {
            ++inFlight;
            ASSERT_EQ(saves.Texts().back(), started) << "written in flight, frame " << frames;
        }
    }
    ASSERT_TRUE(game->IsSettled());
    // The flight was seen and checked, not skipped by a throw that settled at once.
    ASSERT_GT(inFlight, 0);
    writer.Flush();
    const TSavedGame atRest = window->SavedState();
    ASSERT_NE(FormatSavedGame(atRest), started);
    EXPECT_EQ(saves.Texts().back(), FormatSavedGame(atRest));
    const auto onDisk = LoadSavedGame(*setup.statePath);
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->cells, atRest.cells);
    EXPECT_EQ(onDisk->score, atRest.score);

    // A new game and a level change are kept at once, without a frame.
    const std::size_t before = saves.Texts().size();
    window->NewGame();
    writer.Flush();
    ASSERT_EQ(saves.Texts().size(), before + 1);
    EXPECT_EQ(saves.Texts().back(), FormatSavedGame(window->SavedState()));
    window->ChangeLevel();
    writer.Flush();
    ASSERT_EQ(saves.Texts().size(), before + 2);
    EXPECT_EQ(ParseSavedGame(saves.Texts().back()).settings.level, Level::Expert);
}

TEST_F(GameWindowTest, ClosingInFlightKeepsTheLastRestAfterAnyWriteInProgress) {
    RecordedSaves saves;
    GameWindowSetup setup;
    setup.statePath = (dir / "state.dat").string();
    setup.writer = saves.Writer(*setup.statePath);
    setup.seed = 5;
    Open(setup);
    Frame();
    TGame* game = window->Game();
    const Cell selected = game->SelectedCell();
    const CourtGeometry& g = game->Geometry();
    // A settings change in flight is kept with the board of the last rest.
    Click(g.CentreX(selected.row, selected.column), g.CentreY(selected.row) - 200);
    Frame();
    ASSERT_FALSE(game->IsSettled());
    setup.writer->Flush();
    const TSavedGame rest = ParseSavedGame(saves.Texts().back());
    Settings().sound = false;
    window->SaveSettings();
    setup.writer->Flush();
    const TSavedGame changed = ParseSavedGame(saves.Texts().back());
    EXPECT_FALSE(changed.settings.sound);
    EXPECT_EQ(changed.cells, rest.cells);

    // The orderly end writes last, whatever the writer's thread still had.
    setup.writer->Submit("older");
    engine::OWindow::Destroy(window);
    Pump();
    setup.writer->Flush();
    const auto saved = LoadSavedGame(*setup.statePath);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saves.Texts().back(), FormatSavedGame(*saved));
    EXPECT_FALSE(saved->settings.sound);
}

TEST_F(GameWindowTest, AClickRightOfTheCourtsMarginNeverThrows) {
    GameWindowSetup setup;
    setup.seed = 3;
    setup.openDialogs = false;
    Open(setup);
    Frame();
    TGame* game = window->Game();
    ASSERT_TRUE(game->SelectedCell().IsValid());
    ThrowReportObserver throws;
    game->SetObserver(&throws);
    const CourtGeometry& g = game->Geometry();
    const int panel = g.courtLeft + g.courtWidth + kCourtClickMargin;
    EXPECT_FALSE(IsOnCourt(g, panel, g.courtTop));
    EXPECT_TRUE(IsOnCourt(g, panel - 1, g.courtTop));
    // Handed to the window as the engine hands it a click on a control there (elsewhere beside
    // the court a press starts a drag): at the court's height, above it and below it, the
    // court never sees it.
    for (const int y : {g.courtTop + 10, 5, g.courtTop + g.courtHeight - 5}) {
        window->KeyDown(platform::Key_LButton, panel, y);
        Frame();
        EXPECT_FALSE(throws.Report().launched) << y;
        EXPECT_TRUE(game->Flying().empty()) << y;
        EXPECT_EQ(window->TakeDialogRequest(), "") << y;
    }
    // One pixel to the left the click is an aim on the court.
    window->KeyDown(platform::Key_LButton, panel - 1, g.courtTop + 10);
    EXPECT_TRUE(throws.Report().launched);
    EXPECT_FALSE(game->Flying().empty());
    ASSERT_NE(game->Replay(), nullptr);
    ASSERT_FALSE(game->Replay()->inputs.empty());
    EXPECT_EQ(game->Replay()->inputs.back().x, panel - 1);
    game->SetObserver(nullptr);
}

TEST_F(GameWindowTest, ASetupWithoutARecordingMakesTheGameWindowAndOneWithARecordingTheReplayWindow) {
    GameWindowSetup setup;
    setup.seed = 3;
    OCourtWindow* made =
        NewCourtWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, setup);
    EXPECT_NE(dynamic_cast<OGameWindow*>(made), nullptr);
    EXPECT_EQ(dynamic_cast<OReplayWindow*>(made), nullptr);
    engine::OWindow::Destroy(made);
    Pump();

    setup.playback = GameReplay{};
    made = NewCourtWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, setup);
    EXPECT_NE(dynamic_cast<OReplayWindow*>(made), nullptr);
    EXPECT_EQ(dynamic_cast<OGameWindow*>(made), nullptr);
    engine::OWindow::Destroy(made);
    Pump();
}
