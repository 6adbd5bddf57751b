#include "tests/support/StartHeadless.hpp"
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/MainThread.hpp"
#include "engine/WindowProcedure.hpp"
#include "game/ClipBall.hpp"
#include "game/OGameWindow.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
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
