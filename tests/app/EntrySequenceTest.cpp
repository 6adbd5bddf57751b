#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include <unistd.h>

#include "app/CloseSignals.hpp"
#include "app/EntrySequence.hpp"
#include "app/WindowIcon.hpp"
#include "game/GameSaves.hpp"
#include "game/OReplayWindow.hpp"
#include "engine/MainThread.hpp"
#include "engine/MessageLoop.hpp"
#include "engine/Messages.hpp"
#include "engine/WindowProcedure.hpp"
#include "rules/GameSettings.hpp"
#include "platform/BorderTile.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "scene/AssetNames.hpp"
#include "scene/ResolvePath.hpp"
#include "tests/game/ReplayRecording.hpp"
#include "tools/driver/HeadlessDriver.hpp"

using app::EntrySequence;
using Phase = app::EntrySequence::Phase;

namespace {

// The program's sequence on the headless platform with the generated data beside the test.
// Frames are driven by the test unless a test asks for frame threads.
class EntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        rules::Settings() = {};
        game::OWndIntro::ResetBlendCounter();
        (void)app::CloseSignals::TakeRequest();
        setup.seed = 5;
    }
    void TearDown() override {
        if (sequence) {
            // Windows whose frames the test drove are not freed by a frame thread.
            for (engine::OWindow* w : {static_cast<engine::OWindow*>(sequence->Intro()),
                                       static_cast<engine::OWindow*>(sequence->GameWindow())})
                if (!threaded && engine::OWindow::IsLiveWindow(w)) engine::OWindow::Destroy(w);
        }
        engine::OWindow::WaitForFrameThreads();
        Drain();
        engine::MainThread::Reset();
        scene::SetExecutableFolderOverride(std::nullopt);
        (void)app::CloseSignals::TakeRequest();
        if (setup.writer) setup.writer->Shutdown();
        for (const std::filesystem::path& made : {folder, saves}) {
            std::error_code ec;
            if (!made.empty()) std::filesystem::remove_all(made, ec);
        }
    }

    // A data folder holding copies of the named generated folders or files only.
    void UseDataFolder(std::initializer_list<const char*> parts) {
        const std::filesystem::path real = scene::ExecutableFolder();
        folder = std::filesystem::temp_directory_path() /
                 ("hoopstack-entry-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder / "CLP");
        for (const char* part : parts)
            std::filesystem::copy(real / part, folder / part, std::filesystem::copy_options::recursive);
        scene::SetExecutableFolderOverride(folder.string() + "/");
    }

    std::optional<int> Begin(bool frameThreads = false) {
        threaded = frameThreads;
        sequence.emplace(setup, frameThreads);
        sequence->StartFullScreen(fullScreen);
        return sequence->Begin();
    }
    // Dispatches every queued event as the main loop does, moving the sequence on after each;
    // stops at the first exit code, of the sequence or of a posted quit.
    std::optional<int> Dispatch() {
        platform::Event e;
        while (headless->PollEvent(e)) {
            if (e.kind == platform::EventKind::Posted && e.code == engine::kPostedQuit) return int(e.value);
            procedure.Dispatch(e);
            if (const std::optional<int> code = sequence->AfterMessage()) return code;
        }
        return std::nullopt;
    }
    // Dispatches what is left without the sequence.
    void Drain() { driver.Pump(); }
    void Frame(engine::OWindow* w) {
        headless->SetTime(time);
        time += 40;
        int sleep = 0;
        w->RunFrame(sleep);
    }
    // A press alone, queued for the next Dispatch.
    void Press(engine::OWindow* w, int code) {
        headless->SetCursor(w->PlatformWindow(), {100, 100});
        driver.Inject(w, platform::EventKind::KeyDown, code, 100, 100);
    }
    std::vector<std::string> Messages() { return headless->Messages(); }
    // The game is saved to a file of the test's own, through a writer the test can drain.
    std::string KeepSavedGame() {
        saves = std::filesystem::temp_directory_path() /
                ("hoopstack-entry-saves-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(saves);
        const std::string path = (saves / "state.dat").string();
        setup.statePath = path;
        setup.writer = game::GameSaves::MakeStateWriter(path);
        return path;
    }
    // Lets the writer finish what it was given and removes the file, so that only a later
    // save brings it back.
    void ForgetSavedGame(const std::string& path) {
        setup.writer->Flush();
        std::filesystem::remove(path);
    }
    // A close signal as the watcher thread hands it on.
    static void Signal() { app::CloseSignals::Request(); }

    driver::HeadlessDriver driver;
    platform::HeadlessPlatform* headless = &driver.Platform();
    engine::WindowProcedure& procedure = driver.Procedure();
    game::GameWindowSetup setup;
    std::optional<EntrySequence> sequence;
    bool threaded = false;
    bool fullScreen = false;
    std::filesystem::path folder;
    std::filesystem::path saves;
    std::uint32_t time = 1000;
};

TEST_F(EntryTest, BeginsWithTheIntroAlone) {
    ASSERT_EQ(Begin(), std::nullopt);
    EXPECT_EQ(Dispatch(), std::nullopt);
    game::OWndIntro* intro = sequence->Intro();
    ASSERT_NE(intro, nullptr);
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Intro);
    EXPECT_EQ(sequence->GameWindow(), nullptr);
    const auto window = headless->Window(intro->PlatformWindow());
    EXPECT_EQ(window.wanted.width, 400);
    EXPECT_EQ(window.wanted.height, 400);
    EXPECT_EQ(window.wanted.styleKind, 3);
    EXPECT_EQ(window.wanted.background, 0x0099CCFFu);
    EXPECT_EQ(window.wanted.owner, 0u);
    EXPECT_FALSE(intro->QuitOnDestroy());
    // Started: its finished flag, set until then, is clear.
    EXPECT_FALSE(intro->Finished());
}

TEST_F(EntryTest, FinishedIntroGivesWayToTheGameWindowInTheSamePass) {
    ASSERT_EQ(Begin(), std::nullopt);
    Dispatch();
    game::OWndIntro* intro = sequence->Intro();
    Frame(intro);
    EXPECT_EQ(Dispatch(), std::nullopt);
    Press(intro, platform::Key_Space);
    // The key press itself is the message after which the sequence moves on.
    platform::Event e;
    ASSERT_TRUE(headless->PollEvent(e));
    ASSERT_EQ(e.kind, platform::EventKind::KeyDown);
    procedure.Dispatch(e);
    EXPECT_TRUE(intro->Finished());
    EXPECT_EQ(sequence->AfterMessage(), std::nullopt);
    EXPECT_TRUE(intro->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Game);
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Title(), "Hoopstack");
    EXPECT_FALSE(window->Finished());
    EXPECT_TRUE(window->QuitOnDestroy());
    const auto shown = headless->Window(window->PlatformWindow());
    EXPECT_EQ(shown.wanted.width, 750);
    EXPECT_EQ(shown.wanted.height, 600);
    EXPECT_EQ(shown.wanted.styleKind, 7);
    EXPECT_EQ(shown.wanted.background, 0x0099CCFFu);
    // The generated window icon, as the intro has it too.
    EXPECT_GT(shown.icon.width, 0);
    EXPECT_EQ(shown.icon.width, shown.icon.height);
    EXPECT_EQ(headless->Window(intro->PlatformWindow()).icon.width, shown.icon.width);
    // Rendered once at the start: the court is on its way to the screen.
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_FALSE(headless->Window(window->PlatformWindow()).presented.empty());
}

TEST_F(EntryTest, OnTheFullScreenTheIntroComesFirstAndF11ThereChoosesForTheGameWindow) {
    std::vector<bool> switched;
    setup.fullScreenSwitched = [&switched](bool full) { switched.push_back(full); };
    fullScreen = true;
    ASSERT_EQ(Begin(), std::nullopt);
    Dispatch();
    game::OWndIntro* intro = sequence->Intro();
    const platform::WindowId introId = intro->PlatformWindow();
    EXPECT_TRUE(headless->IsFullScreen(introId));
    // 1024 x 768 holds the 400 x 400 intro once; Alt alone and F11 do not end it.
    EXPECT_EQ(headless->ScaleOf(introId), 1);
    Press(intro, platform::Key_Alt);
    Press(intro, platform::Key_F11);
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_FALSE(intro->Finished());
    EXPECT_FALSE(headless->IsFullScreen(introId));
    EXPECT_EQ(switched, (std::vector<bool>{false}));
    // The game window opens as the intro was left: in its window.
    Press(intro, platform::Key_Space);
    EXPECT_EQ(Dispatch(), std::nullopt);
    ASSERT_NE(sequence->GameWindow(), nullptr);
    EXPECT_FALSE(headless->IsFullScreen(sequence->GameWindow()->PlatformWindow()));
}

TEST_F(EntryTest, OnTheFullScreenTheGameWindowFollowsTheIntroThere) {
    fullScreen = true;
    ASSERT_EQ(Begin(), std::nullopt);
    Dispatch();
    Press(sequence->Intro(), platform::Key_Space);
    EXPECT_EQ(Dispatch(), std::nullopt);
    ASSERT_NE(sequence->GameWindow(), nullptr);
    const platform::WindowId id = sequence->GameWindow()->PlatformWindow();
    EXPECT_TRUE(headless->IsFullScreen(id));
    EXPECT_EQ(headless->ScreenArea(id), (platform::Rect{0, 0, 1024, 768}));
}

TEST_F(EntryTest, IntroEndsByItselfAndItsWakeUpBringsTheGameWindow) {
    ASSERT_EQ(Begin(), std::nullopt);
    Dispatch();
    game::OWndIntro* intro = sequence->Intro();
    int frames = 0;
    while (!intro->Finished() && frames < 200) {
        Frame(intro);
        ++frames;
        if (!intro->Finished()) {
            EXPECT_EQ(Dispatch(), std::nullopt);
        }
    }
    ASSERT_TRUE(intro->Finished());
    EXPECT_EQ(frames, 116);
    EXPECT_EQ(sequence->GameWindow(), nullptr);
    // The finishing frame draws nothing more; its only message is the wake-up.
    platform::Event e;
    ASSERT_TRUE(headless->PollEvent(e));
    EXPECT_EQ(e.kind, platform::EventKind::Posted);
    EXPECT_EQ(e.code, engine::kPostedMouseMove);
    EXPECT_EQ(e.window, intro->PlatformWindow());
    platform::Event none;
    EXPECT_FALSE(headless->PollEvent(none));
    procedure.Dispatch(e);
    EXPECT_EQ(sequence->AfterMessage(), std::nullopt);
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Game);
    EXPECT_NE(sequence->GameWindow(), nullptr);
}

TEST_F(EntryTest, FinishedGameWindowIsClosedAndItsEndQuitsWithZero) {
    ASSERT_EQ(Begin(), std::nullopt);
    sequence->Intro()->SetFinished(true);
    EXPECT_EQ(Dispatch(), std::nullopt);
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    // As the quit confirmation does.
    window->SetFinished(true);
    Press(window, 'A');
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_TRUE(window->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    // Its frame thread would free it now; the test stands in for it.
    engine::OWindow::Destroy(window);
    EXPECT_EQ(Dispatch(), 0);
}

TEST_F(EntryTest, IntroClosedFromOutsideEndsTheProgramWithZero) {
    ASSERT_EQ(Begin(), std::nullopt);
    Dispatch();
    game::OWndIntro* intro = sequence->Intro();
    // As the desktop asks the intro to close.
    platform::Event close;
    close.kind = platform::EventKind::Posted;
    close.code = engine::kPostedClose;
    close.window = intro->PlatformWindow();
    headless->PostEvent(close);
    EXPECT_EQ(Dispatch(), 0);
    EXPECT_TRUE(intro->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    EXPECT_EQ(sequence->GameWindow(), nullptr);
}

TEST_F(EntryTest, MissingLogoShowsTheMessageAndExitsWithOne) {
    UseDataFolder({"CLP/Logo2.clp", "CLP/Logo3.clp"});
    EXPECT_EQ(Begin(), 1);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"|Could not read clip"}));
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
}

TEST_F(EntryTest, MissingGameContentShowsTheMessageAndExitsWithOne) {
    UseDataFolder({"CLP/Logo1.clp", "CLP/Logo2.clp", "CLP/Logo3.clp"});
    ASSERT_EQ(Begin(), std::nullopt);
    EXPECT_TRUE(Messages().empty());
    sequence->Intro()->SetFinished(true);
    EXPECT_EQ(Dispatch(), 1);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"|Could not read clip"}));
    // The window that could not start is closed and will post no quit of its own.
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsClosing());
    EXPECT_FALSE(window->QuitOnDestroy());
}

TEST_F(EntryTest, IntroWindowThatCannotBeMadeExitsWithTwo) {
    headless->FailNextCreate();
    EXPECT_EQ(Begin(), 2);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EntryTest, GameWindowThatCannotBeMadeExitsWithTwo) {
    ASSERT_EQ(Begin(), std::nullopt);
    Dispatch();
    headless->FailNextCreate();
    Press(sequence->Intro(), platform::Key_Escape);
    EXPECT_EQ(Dispatch(), 2);
    EXPECT_TRUE(Messages().empty());
}

// A close signal at every step of the sequence reaches the window current at that step, or
// ends the program when there is none yet.

TEST_F(EntryTest, SignalBeforeTheIntroOpensClosesTheIntroAndEndsWithZero) {
    Signal();
    ASSERT_EQ(Begin(), std::nullopt);
    game::OWndIntro* intro = sequence->Intro();
    EXPECT_EQ(Dispatch(), 0);
    EXPECT_TRUE(intro->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    EXPECT_EQ(sequence->GameWindow(), nullptr);
}

TEST_F(EntryTest, SignalDuringTheIntroClosesItAndEndsWithZero) {
    ASSERT_EQ(Begin(), std::nullopt);
    Dispatch();
    game::OWndIntro* intro = sequence->Intro();
    for (int i = 0; i < 3; ++i) Frame(intro);
    EXPECT_EQ(Dispatch(), std::nullopt);
    Signal();
    EXPECT_EQ(Dispatch(), 0);
    EXPECT_TRUE(intro->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    EXPECT_EQ(sequence->GameWindow(), nullptr);
    // Nothing is left to open a game window later.
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_EQ(sequence->GameWindow(), nullptr);
}

// The intro has finished (its frame thread sets the flag) and the signal comes before the
// sequence has moved on: it must reach the game window that follows.
TEST_F(EntryTest, SignalAsTheIntroFinishesClosesTheGameWindowThatFollows) {
    const std::string state = KeepSavedGame();
    ASSERT_EQ(Begin(), std::nullopt);
    Dispatch();
    game::OWndIntro* intro = sequence->Intro();
    intro->SetFinished(true);
    intro->PostMouseMove();
    Signal();
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_TRUE(intro->IsClosing());
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    ForgetSavedGame(state);
    engine::OWindow::Destroy(window);
    EXPECT_EQ(Dispatch(), 0);
    EXPECT_TRUE(std::filesystem::exists(state));
}

// The signal is sent while the key press that ends the intro is being handled: the intro is
// current when it is sent, the game window when the sequence takes it.
TEST_F(EntryTest, SignalDuringTheKeyThatEndsTheIntroClosesTheGameWindow) {
    ASSERT_EQ(Begin(), std::nullopt);
    Dispatch();
    game::OWndIntro* intro = sequence->Intro();
    Frame(intro);
    EXPECT_EQ(Dispatch(), std::nullopt);
    Press(intro, platform::Key_Space);
    platform::Event press;
    ASSERT_TRUE(headless->PollEvent(press));
    ASSERT_EQ(press.kind, platform::EventKind::KeyDown);
    procedure.Dispatch(press);
    Signal();
    EXPECT_EQ(sequence->AfterMessage(), std::nullopt);
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Game);
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_TRUE(intro->IsClosing());
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    engine::OWindow::Destroy(window);
    EXPECT_EQ(Dispatch(), 0);
}

TEST_F(EntryTest, SignalToTheGameWindowClosesItSavesTheGameAndEndsWithZero) {
    const std::string state = KeepSavedGame();
    ASSERT_EQ(Begin(), std::nullopt);
    sequence->Intro()->SetFinished(true);
    EXPECT_EQ(Dispatch(), std::nullopt);
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 5; ++i) Frame(window);
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_FALSE(window->IsClosing());
    ForgetSavedGame(state);
    Signal();
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_TRUE(window->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    engine::OWindow::Destroy(window);
    EXPECT_EQ(Dispatch(), 0);
    EXPECT_TRUE(std::filesystem::exists(state));
    EXPECT_TRUE(Messages().empty());
}

// Once the game window is closing, a further signal changes nothing: the window's end still
// ends the program.
TEST_F(EntryTest, SignalWhileTheGameWindowClosesChangesNothing) {
    ASSERT_EQ(Begin(), std::nullopt);
    sequence->Intro()->SetFinished(true);
    EXPECT_EQ(Dispatch(), std::nullopt);
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    window->SetFinished(true);
    Press(window, 'A');
    EXPECT_EQ(Dispatch(), std::nullopt);
    ASSERT_EQ(sequence->CurrentPhase(), Phase::Ended);
    Signal();
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_TRUE(window->IsClosing());
    engine::OWindow::Destroy(window);
    EXPECT_EQ(Dispatch(), 0);
}

// A replay: a few throws of a Novice game.
class PlaybackEntryTest : public EntryTest {
protected:
    void SetUp() override {
        const std::optional<replaytest::Recording> recording =
            replaytest::RecordGame(driver, rules::Level::Novice, 11, 3, 2000);
        ASSERT_TRUE(recording);
        EntryTest::SetUp();
        setup.playback = recording->replay;
    }
};

TEST_F(PlaybackEntryTest, TheGameWindowComesAtOnceWithoutTheIntroAndEscapeEndsWithZero) {
    ASSERT_EQ(Begin(), std::nullopt);
    EXPECT_EQ(sequence->Intro(), nullptr);
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Game);
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_NE(dynamic_cast<game::OReplayWindow*>(window), nullptr);
    EXPECT_EQ(window->Title(), EntrySequence::kReplayTitle);
    EXPECT_TRUE(window->QuitOnDestroy());
    EXPECT_EQ(headless->Window(window->PlatformWindow()).wanted.width, 750);
    EXPECT_EQ(Dispatch(), std::nullopt);
    for (int i = 0; i < 10; ++i) Frame(window);
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_FALSE(window->IsClosing());
    Press(window, platform::Key_Escape);
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_TRUE(window->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    engine::OWindow::Destroy(window);
    EXPECT_EQ(Dispatch(), 0);
    EXPECT_TRUE(Messages().empty());
}

// The pixel of the window's screen image at (x, y), as 0x00RRGGBB.
std::uint32_t shownAt(platform::HeadlessPlatform& os, platform::WindowId window, int x, int y) {
    const platform::Surface screen = os.Screen(window);
    const std::uint8_t* p = screen.row(y) + x * 3;
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

TEST_F(PlaybackEntryTest, StartedOnTheFullScreenTheGameCoversItWithTheProgramsTileAround) {
    fullScreen = true;
    ASSERT_EQ(Begin(), std::nullopt);
    const platform::WindowId id = sequence->GameWindow()->PlatformWindow();
    EXPECT_TRUE(headless->IsFullScreen(id));
    EXPECT_EQ(headless->ScreenArea(id), (platform::Rect{0, 0, 1024, 768}));
    EXPECT_EQ(headless->WindowArea(id), (platform::Rect{137, 84, 887, 684}));
    EXPECT_EQ(Dispatch(), std::nullopt);
    // The corner shows the tile's first pixel, not the platform's plain colour.
    std::optional<app::WindowIcon> tile =
        app::WindowIcon::Load(scene::ResolvePath(scene::assets::kFullScreenBorder));
    ASSERT_TRUE(tile);
    const std::uint8_t* first = tile->Pixels().row(0);
    const std::uint32_t tileFirst = std::uint32_t(first[2]) << 16 | std::uint32_t(first[1]) << 8 | first[0];
    EXPECT_NE(tileFirst, platform::BorderTile::kPlainColour);
    EXPECT_EQ(shownAt(*headless, id, 0, 0), tileFirst);
    // The game's own pixels are in the middle: not the tile's.
    EXPECT_NE(shownAt(*headless, id, 137 + 700, 84 + 20), shownAt(*headless, id, 137 - 1, 84 + 20));
}

TEST_F(PlaybackEntryTest, WithoutItsTileTheFullScreenHasThePlainBorderAndTheGameGoesOn) {
    UseDataFolder({"CLP", "SKINS", "WAV", "icons"});
    std::filesystem::remove(folder / "SKINS" / "fsbrd.clp");
    fullScreen = true;
    ASSERT_EQ(Begin(), std::nullopt);
    const platform::WindowId id = sequence->GameWindow()->PlatformWindow();
    EXPECT_TRUE(headless->IsFullScreen(id));
    EXPECT_EQ(shownAt(*headless, id, 0, 0), platform::BorderTile::kPlainColour);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PlaybackEntryTest, MissingGameContentShowsTheMessageAndExitsWithOne) {
    UseDataFolder({"CLP/Logo1.clp"});
    EXPECT_EQ(Begin(), 1);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"|Could not read clip"}));
    EXPECT_EQ(sequence->Intro(), nullptr);
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
}

TEST_F(PlaybackEntryTest, ARecordingOfOtherBallPicturesShowsWhyAndExitsWithOne) {
    setup.playback->ballHeight += 1;
    EXPECT_EQ(Begin(), 1);
    const std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(
                  "Hoopstack|Could not show the replay: it was played with balls of 34 x 34 pixels", 0),
              0u)
        << messages[0];
    ASSERT_NE(sequence->GameWindow(), nullptr);
    EXPECT_TRUE(sequence->GameWindow()->IsClosing());
    EXPECT_FALSE(sequence->GameWindow()->QuitOnDestroy());
}

TEST_F(PlaybackEntryTest, GameWindowThatCannotBeMadeExitsWithTwo) {
    headless->FailNextCreate();
    EXPECT_EQ(Begin(), 2);
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
}

TEST_F(PlaybackEntryTest, SignalClosesTheReplayWindowAndEndsWithZero) {
    ASSERT_EQ(Begin(), std::nullopt);
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Dispatch(), std::nullopt);
    Signal();
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_TRUE(window->IsClosing());
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    engine::OWindow::Destroy(window);
    EXPECT_EQ(Dispatch(), 0);
}

TEST_F(PlaybackEntryTest, SignalBeforeTheReplayWindowOpensClosesIt) {
    Signal();
    ASSERT_EQ(Begin(), std::nullopt);
    game::OCourtWindow* window = sequence->GameWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Dispatch(), std::nullopt);
    EXPECT_TRUE(window->IsClosing());
    engine::OWindow::Destroy(window);
    EXPECT_EQ(Dispatch(), 0);
}

// With real frame threads and the real main loop: no input at all until the game window is
// there, which the test then closes as the desktop would.
TEST_F(EntryTest, WholeRunEndsTheIntroByItselfAndEndsWithZero) {
    ASSERT_EQ(Begin(true), std::nullopt);
    const platform::WindowId intro = sequence->Intro()->PlatformWindow();
    bool asked = false;
    const int code = engine::RunMessageLoop(procedure, [&]() -> std::optional<int> {
        const std::optional<int> exitCode = sequence->AfterMessage();
        if (!asked && sequence->GameWindow()) {
            asked = true;
            sequence->GameWindow()->PostClose();
        }
        return exitCode;
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(asked);
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    engine::OWindow::WaitForFrameThreads();
    Drain();
    EXPECT_FALSE(headless->Exists(intro));
    EXPECT_TRUE(Messages().empty());
}

} // namespace

namespace {

// With real frame threads and the real main loop: the intro finishes and a signal comes
// before the sequence has moved on, as a SIGTERM just when the game window appears. The game
// window must close by itself, its frame thread end and the program end with zero.
TEST_F(EntryTest, WholeRunWithASignalAsTheIntroFinishesEndsWithZero) {
    const std::string state = KeepSavedGame();
    ASSERT_EQ(Begin(true), std::nullopt);
    // Should the signal be lost, the loop would wait for ever; this ends it with another code.
    std::atomic<bool> done{false};
    std::thread watchdog([&done] {
        for (int i = 0; i < 200 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!done) engine::PostQuit(99);
    });
    sequence->Intro()->SetFinished(true);
    Signal();
    bool gameSeen = false;
    const int code = engine::RunMessageLoop(procedure, [&]() -> std::optional<int> {
        const std::optional<int> exitCode = sequence->AfterMessage();
        gameSeen = gameSeen || sequence->GameWindow() != nullptr;
        return exitCode;
    });
    done = true;
    watchdog.join();
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(gameSeen);
    EXPECT_EQ(sequence->CurrentPhase(), Phase::Ended);
    engine::OWindow::WaitForFrameThreads();
    Drain();
    setup.writer->Flush();
    EXPECT_TRUE(std::filesystem::exists(state));
    EXPECT_TRUE(Messages().empty());
}

} // namespace
