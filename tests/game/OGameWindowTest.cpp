#include "tests/support/StartHeadless.hpp"
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/MainThread.hpp"
#include "engine/WindowProcedure.hpp"
#include "game/ClipBall.hpp"
#include "game/OGameWindow.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "store/SaveWriter.hpp"
#include "store/TScoresTable.hpp"
#include "ui/OButton.hpp"

using namespace game;

namespace {

class GameWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless = StartHeadless();
        engine::NextWindowParams() = {0x0099CCFF, 7, 750, 600, false};
        Settings() = {};
        dir = std::filesystem::temp_directory_path() / ("hoopstack-window-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        if (engine::OWindow::IsLiveWindow(window)) engine::OWindow::Destroy(window);
        engine::OWindow::WaitForFrameThreads();
        Pump();
        engine::MainThread::Reset();
        std::filesystem::remove_all(dir);
    }
    void Pump() {
        platform::Event e;
        while (headless->PollEvent(e)) procedure.Dispatch(e);
    }
    void Open(GameWindowSetup setup) {
        window = new OGameWindow(nullptr, std::move(setup));
        ASSERT_EQ(window->CreateFailed(), 0);
        ASSERT_TRUE(window->Start());
        Pump();
    }
    void Frame() {
        headless->SetTime(time);
        int sleep = 0;
        window->RunFrame(sleep);
        Pump();
        time += std::uint32_t(1000 / window->FramesPerSecond());
    }
    void Click(int x, int y) {
        headless->SetCursor(window->PlatformWindow(), {x, y});
        for (auto kind : {platform::EventKind::MouseMove}) {
            platform::Event e;
            e.kind = kind;
            e.window = window->PlatformWindow();
            e.x = std::uint16_t(x);
            e.y = std::uint16_t(y);
            headless->Inject(e);
            Pump();
        }
        for (auto kind : {platform::EventKind::KeyDown, platform::EventKind::KeyUp}) {
            platform::Event e;
            e.kind = kind;
            e.window = window->PlatformWindow();
            e.code = platform::Key_LButton;
            e.x = std::uint16_t(x);
            e.y = std::uint16_t(y);
            headless->Inject(e);
            Pump();
        }
    }

    platform::HeadlessPlatform* headless = nullptr;
    engine::WindowProcedure procedure;
    OGameWindow* window = nullptr;
    std::filesystem::path dir;
    std::uint32_t time = 1000;
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
    Click(g.CentreX(selected.row, selected.column), g.CentreY(selected.row) - 200);
    EXPECT_TRUE(game->Report().launched);
    EXPECT_EQ(headless->Sounds().back().find("start.wav") != std::string::npos, true);
    for (int i = 0; i < 5000 && !(game->IsSettled() && i > 0); ++i) Frame();
    EXPECT_TRUE(game->Report().landed.has_value());
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
    platform::Event e;
    e.kind = platform::EventKind::KeyDown;
    e.window = window->PlatformWindow();
    e.code = platform::Key_F3;
    headless->Inject(e);
    Pump();
    EXPECT_EQ(window->TakeDialogRequest(), "options");
    // The level button at a score of 0 switches level at once.
    ui::OButton* level = window->LevelButton();
    Click(int(level->X()) + 20, int(level->Y()) + 10);
    EXPECT_EQ(Settings().level, 1);
    EXPECT_EQ(level->GetText(), "Expert");
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
    Click(g.CentreX(selected.row, selected.column) + 150, g.CentreY(selected.row) - 200);
    ASSERT_TRUE(game->Report().launched);
    int frames = 0;
    for (; frames < 5000 && !game->IsSettled(); ++frames) {
        Frame();
        writer.Flush();
        // The thrown ball has left its cell; a file with it missing would lose a ball.
        if (!game->IsSettled()) {
            ASSERT_EQ(saves.Texts().back(), started) << "written in flight, frame " << frames;
        }
    }
    ASSERT_TRUE(game->IsSettled());
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
    EXPECT_EQ(ParseSavedGame(saves.Texts().back()).settings.level, 1);
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
