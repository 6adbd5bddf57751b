// The replay window: it must end exactly where the rules alone end the same
// replay, whatever the player clicks or types meanwhile, end on Escape or the close button
// without a question, and leave the saved game and the Top 10 alone.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/MainThread.hpp"
#include "game/CourtWindows.hpp"
#include "game/OGameWindow.hpp"
#include "game/OReplayWindow.hpp"
#include "platform/KeyCodes.hpp"
#include "rules/ReplayPlayer.hpp"
#include "rules/TSavedGame.hpp"
#include "tests/game/ReplayRecording.hpp"
#include "tools/driver/HeadlessDriver.hpp"
#include "ui/OButton.hpp"
#include "ui/OText.hpp"
#include "scene/Rect.hpp"

using namespace game;
using namespace rules;

namespace {

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = {};
        dir = std::filesystem::temp_directory_path() /
              ("hoopstack-playback-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        driver.DestroyWindows({window});
        engine::MainThread::Reset();
        Settings() = {};
        std::filesystem::remove_all(dir);
    }

    // Finished games, recorded once for the whole suite: random aims end them soon, with
    // matches, falls and drops on the way. The Novice one scores most.
    static const std::vector<replaytest::Recording>& FinishedGames(driver::HeadlessDriver& d) {
        static const std::vector<replaytest::Recording> recordings = [&d] {
            std::vector<replaytest::Recording> games;
            for (const auto& [level, seed] :
                 {std::pair{Level::Novice, 42u}, {Level::Expert, 41u}, {Level::Master, 41u}})
                if (auto recording = replaytest::RecordGame(d, level, seed, 1000, 60000))
                    games.push_back(*recording);
            return games;
        }();
        return recordings;
    }
    static const replaytest::Recording& Finished(driver::HeadlessDriver& d) {
        return FinishedGames(d).front();
    }

    // A replay window, as the program makes it for a setup with a recording.
    void Open(GameWindowSetup setup) {
        setup.openDialogs = false;
        OCourtWindow* made = NewCourtWindow(
            nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, std::move(setup));
        window = dynamic_cast<OReplayWindow*>(made);
        if (!window) driver.DestroyWindows({made});
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(window->CreateFailed(), 0);
        ASSERT_TRUE(window->Start());
        driver.Pump();
    }
    void OpenPlayback(const GameReplay& replay) {
        GameWindowSetup setup;
        setup.playback = replay;
        setup.seed = 9;
        Open(std::move(setup));
    }
    // Frames until the recording is over, and a few more on the court as it ended.
    int PlayToTheEnd(const GameReplay& replay) {
        int frames = 0;
        while (!window->PlaybackOver() && frames <= int(replay.ticks) + 10) {
            driver.Frame(window);
            ++frames;
        }
        for (int i = 0; i < 20; ++i) driver.Frame(window);
        return frames;
    }
    void ExpectTheOutcomeOf(const GameReplay& replay) {
        const ReplayRun run = PlayReplay(replay);
        ASSERT_TRUE(run.played) << run.failure;
        TGame* game = window->Game();
        EXPECT_EQ(replaytest::BoardRows(game->Grid()), run.outcome.board);
        EXPECT_EQ(game->Score(), run.outcome.score);
        EXPECT_EQ(game->GameOver(), run.outcome.gameOver);
        EXPECT_EQ(Settings().level, replay.level);
    }

    driver::HeadlessDriver driver;
    OReplayWindow* window = nullptr;
    std::filesystem::path dir;
};

TEST_F(PlaybackTest, FinishedGamesEndOnTheCourtAndScoreOfTheRulesAndOfTheLiveGame) {
    const std::vector<replaytest::Recording>& games = FinishedGames(driver);
    ASSERT_EQ(games.size(), 3u);
    EXPECT_GT(games.front().score, 100) << "the Novice game should score";
    for (const replaytest::Recording& recorded : games) {
        SCOPED_TRACE(LevelName(recorded.replay.level));
        ASSERT_TRUE(recorded.gameOver) << "the recording bot did not finish its game";
        ASSERT_TRUE(recorded.replay.finished);
        ASSERT_GT(recorded.replay.inputs.size(), 10u);
        OpenPlayback(recorded.replay);
        EXPECT_EQ(window->Problem(), "");
        EXPECT_EQ(window->LevelButton()->GetText(), LevelName(recorded.replay.level));
        ASSERT_NE(window->PlaybackNote(), nullptr);
        EXPECT_EQ(window->PlaybackNote()->GetText(), "Replay");
        // Frame by frame, as recorded: not over one frame early.
        EXPECT_EQ(PlayToTheEnd(recorded.replay), int(recorded.replay.ticks));
        EXPECT_EQ(window->PlaybackNote()->GetText(), "Replay over");
        ExpectTheOutcomeOf(recorded.replay);
        EXPECT_EQ(replaytest::BoardRows(window->Game()->Grid()), recorded.board);
        EXPECT_EQ(window->Game()->Score(), recorded.score);
        EXPECT_TRUE(window->Game()->GameOver());
        // The court stays as it ended; the mouse over it brings no result window.
        driver.MoveTo(window, 300, 300);
        for (int i = 0; i < 50; ++i) driver.Frame(window);
        EXPECT_EQ(replaytest::BoardRows(window->Game()->Grid()), recorded.board);
        EXPECT_EQ(window->TakeDialogRequest(), "");
        EXPECT_FALSE(window->Finished());
        driver.DestroyWindows({window});
        window = nullptr;
    }
}

TEST_F(PlaybackTest, ClicksKeysAndTheGamesButtonsChangeNothing) {
    const replaytest::Recording& recorded = Finished(driver);
    OpenPlayback(recorded.replay);
    const CourtGeometry g = window->Game()->Geometry();
    ui::OButton* level = window->LevelButton();
    ui::OButton* newGame = window->NewButton();
    // The buttons that start or change a game are not offered.
    EXPECT_FALSE(newGame->IsVisible());
    EXPECT_TRUE(level->IsVisible());
    // Space, + and - and Home are the replay's own keys (tested below).
    const int keys[] = {
        platform::Key_F2, platform::Key_F3, platform::Key_Return, platform::Key_Tab, 'N', 'A', 'L', 'O', 'T'};
    int frame = 0;
    while (!window->PlaybackOver() && frame <= int(recorded.replay.ticks) + 10) {
        if (frame % 7 == 0) {
            // On balls, free cells and the ceiling; left and right buttons.
            const int row = 1 + frame % 16, column = 1 + (frame / 7) % 16;
            driver.Click(window, g.CentreX(row, column), g.CentreY(row) - frame % 40,
                         frame % 3 ? platform::Key_LButton : platform::Key_RButton);
        }
        if (frame % 11 == 0) driver.Press(window, keys[(frame / 11) % std::size(keys)]);
        if (frame % 97 == 0) driver.ClickOn(window, level);
        if (frame % 89 == 0) driver.ClickOn(window, newGame);
        driver.Frame(window);
        ++frame;
    }
    EXPECT_EQ(frame, int(recorded.replay.ticks));
    for (int i = 0; i < 5; ++i) driver.Frame(window);
    ExpectTheOutcomeOf(recorded.replay);
    EXPECT_EQ(level->GetText(), "Novice");
    // Neither the Top 10, the options, the level's question nor the result was asked for.
    EXPECT_EQ(window->TakeDialogRequest(), "");
    EXPECT_EQ(window->Game()->GamesStarted(), 2) << "the window's own game, then the replay's";
    EXPECT_FALSE(window->Finished());
}

TEST_F(PlaybackTest, EscapeOrTheCloseButtonEndsItWithoutAQuestionAndF1ShowsTheRules) {
    const replaytest::Recording& recorded = Finished(driver);
    OpenPlayback(recorded.replay);
    for (int i = 0; i < 30; ++i) driver.Frame(window);
    driver.Press(window, platform::Key_F1);
    EXPECT_EQ(window->TakeDialogRequest(), "rules");
    EXPECT_FALSE(window->Finished());
    driver.Press(window, platform::Key_Escape);
    EXPECT_TRUE(window->Finished());
    EXPECT_EQ(window->TakeDialogRequest(), "");
    driver.DestroyWindows({window});
    window = nullptr;

    OpenPlayback(recorded.replay);
    for (int i = 0; i < 30; ++i) driver.Frame(window);
    driver.ClickOn(window, window->CloseButton());
    EXPECT_TRUE(window->Finished());
    EXPECT_EQ(window->TakeDialogRequest(), "") << "no quit confirmation: there is nothing to save";
}

TEST_F(PlaybackTest, TheSavedGameIsNeitherReadNorWritten) {
    const replaytest::Recording& recorded = Finished(driver);
    // A saved game of a single row, which a window that read it would restore.
    TSavedGame saved;
    saved.boardEmpty = false;
    saved.score = 4321;
    saved.settings.level = Level::Master;
    for (int c = 1; c <= 16; ++c) saved.cells[16][c] = 1 + c % 3;
    const std::filesystem::path state = dir / "state.dat";
    GameWindowSetup writing;
    writing.statePath = state.string();
    writing.preset = saved;
    writing.seed = 3;
    auto* game =
        new OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, writing);
    ASSERT_EQ(game->CreateFailed(), 0);
    ASSERT_TRUE(game->Start());
    driver.Pump();
    ASSERT_TRUE(game->SaveGame());
    driver.DestroyWindows({game});
    const std::string before = readAll(state);
    ASSERT_FALSE(before.empty());
    const auto filesBefore = std::distance(std::filesystem::directory_iterator(dir), {});

    GameWindowSetup setup;
    setup.playback = recorded.replay;
    setup.statePath = state.string();
    setup.preset = saved;
    // The replay window has no writer and nothing to save with.
    Open(std::move(setup));
    EXPECT_EQ(window->Game()->Score(), 0);
    PlayToTheEnd(recorded.replay);
    ExpectTheOutcomeOf(recorded.replay);
    driver.DestroyWindows({window});
    window = nullptr;
    EXPECT_EQ(readAll(state), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), filesBefore)
        << "the window wrote a file beside state.dat";
    // Nor did the replay's level reach the saved settings.
    EXPECT_EQ(LoadSavedGame(state.string())->settings.level, Level::Master);
}

TEST_F(PlaybackTest, ForgedClicksOffTheCourtChangeNothing) {
    const replaytest::Recording& recorded = Finished(driver);
    const CourtGeometry g = CourtGeometry::FromBall(recorded.replay.ballWidth, recorded.replay.ballHeight);
    const int panel = g.courtLeft + g.courtWidth + kCourtClickMargin;
    // A click on the panel at every tenth frame, where a live game would have thrown.
    GameReplay forged = recorded.replay;
    std::vector<ReplayInput> inputs;
    std::size_t next = 0;
    for (std::uint32_t tick = 0; tick < forged.ticks; tick += 10) {
        for (; next < forged.inputs.size() && forged.inputs[next].tick <= tick; ++next)
            inputs.push_back(forged.inputs[next]);
        inputs.push_back(
            {tick, ReplayInput::Kind::Click, panel + int(tick % 150), g.courtTop + int(tick % 500)});
    }
    for (; next < forged.inputs.size(); ++next) inputs.push_back(forged.inputs[next]);
    forged.inputs = inputs;
    const ReplayRun honest = PlayReplay(recorded.replay);
    const ReplayRun run = PlayReplay(forged);
    ASSERT_TRUE(run.played) << run.failure;
    EXPECT_EQ(run.outcome.board, honest.outcome.board);
    EXPECT_EQ(run.outcome.score, honest.outcome.score);
    EXPECT_EQ(run.outcome.gameOver, honest.outcome.gameOver);
    // The window shows the same game.
    OpenPlayback(forged);
    PlayToTheEnd(forged);
    EXPECT_EQ(replaytest::BoardRows(window->Game()->Grid()), recorded.board);
    EXPECT_EQ(window->Game()->Score(), recorded.score);

    // The same clicks one pixel further left are on the court and change the game.
    for (ReplayInput& input : forged.inputs)
        if (input.kind == ReplayInput::Kind::Click && input.x >= panel) input.x = panel - 1;
    const ReplayRun onCourt = PlayReplay(forged);
    ASSERT_TRUE(onCourt.played) << onCourt.failure;
    EXPECT_NE(onCourt.outcome.board, honest.outcome.board);
}

TEST_F(PlaybackTest, AnUnfinishedReplayStopsWhereItsRecordingStopped) {
    // A game cut after a few throws, at any moment: the court keeps its last frame.
    const std::optional<replaytest::Recording> cut =
        replaytest::RecordGame(driver, Level::Novice, 7, 6, 3000);
    ASSERT_TRUE(cut);
    ASSERT_FALSE(cut->replay.finished);
    OpenPlayback(cut->replay);
    EXPECT_EQ(window->LevelButton()->GetText(), "Novice");
    PlayToTheEnd(cut->replay);
    ExpectTheOutcomeOf(cut->replay);
    EXPECT_EQ(replaytest::BoardRows(window->Game()->Grid()), cut->board);
    EXPECT_EQ(window->Game()->Score(), cut->score);

    // An empty one shows the dealt court and nothing more.
    GameReplay empty = cut->replay;
    empty.inputs.clear();
    empty.ticks = 0;
    driver.DestroyWindows({window});
    window = nullptr;
    OpenPlayback(empty);
    EXPECT_TRUE(window->PlaybackOver());
    PlayToTheEnd(empty);
    ExpectTheOutcomeOf(empty);
}

TEST_F(PlaybackTest, ARecordingOfOtherBallPicturesIsNamedAsAProblem) {
    const replaytest::Recording& recorded = Finished(driver);
    OpenPlayback(recorded.replay);
    EXPECT_EQ(window->Problem(), "");
    driver.DestroyWindows({window});
    window = nullptr;
    // Other sizes make another court; other frame counts other draws from the first deal on.
    GameReplay larger = recorded.replay;
    larger.ballWidth += 2;
    GameReplay slower = recorded.replay;
    for (int& frames : slower.frameCounts)
        if (frames > 0) frames += 1;
    for (const GameReplay& other : {larger, slower}) {
        OpenPlayback(other);
        EXPECT_NE(window->Problem(), "");
        driver.DestroyWindows({window});
        window = nullptr;
    }
}

TEST_F(PlaybackTest, ARecordingCutInFlightOrWithAThrowAfterItsLastFrameStandsStillAtItsEnd) {
    const replaytest::Recording& recorded = Finished(driver);
    // Cut a few frames after each of the first clicks (a ball may be in the air then), and
    // right at them: the click then comes after the last frame, and the rules take it but
    // never move the ball it throws.
    std::vector<GameReplay> cuts;
    int clicks = 0;
    for (const ReplayInput& input : recorded.replay.inputs) {
        if (input.kind != ReplayInput::Kind::Click || ++clicks > 8) continue;
        for (std::uint32_t after : {6u, 0u}) {
            GameReplay cut = recorded.replay;
            cut.finished = false;
            cut.ticks = input.tick + after;
            std::erase_if(cut.inputs, [&cut](const ReplayInput& i) { return i.tick > cut.ticks; });
            cuts.push_back(cut);
        }
    }
    int inFlight = 0;
    for (const GameReplay& cut : cuts) {
        OpenPlayback(cut);
        PlayToTheEnd(cut);
        ExpectTheOutcomeOf(cut);
        std::vector<std::pair<float, float>> places;
        for (const Ball* ball : window->Game()->Flying()) places.emplace_back(ball->Left(), ball->Top());
        inFlight += int(places.size());
        for (int i = 0; i < 30; ++i) driver.Frame(window);
        std::vector<std::pair<float, float>> later;
        for (const Ball* ball : window->Game()->Flying()) later.emplace_back(ball->Left(), ball->Top());
        EXPECT_EQ(later, places);
        ExpectTheOutcomeOf(cut);
        driver.DestroyWindows({window});
        window = nullptr;
    }
    EXPECT_GE(inFlight, 4) << "the cuts should leave balls in the air";
}

// Where the flying balls stand: the court's rows say nothing of balls in the air.
std::vector<std::pair<float, float>> FlyingPlaces(const TGame& game) {
    std::vector<std::pair<float, float>> places;
    for (const Ball* ball : game.Flying()) places.emplace_back(ball->Left(), ball->Top());
    return places;
}

// Any word "Paused" the window shows.
bool ShowsPausedBanner(const engine::OWindow& window) {
    for (scene::OGraph* graph : window.Graphs())
        if (auto* text = dynamic_cast<ui::OText*>(graph);
            text && text->IsVisible() && text->GetText() == "Paused")
            return true;
    return false;
}

TEST_F(PlaybackTest, EverySpeedWithPausesAndARestartEndsOnTheCourtOfX1) {
    const replaytest::Recording& recorded = Finished(driver);
    // A game cut in the middle of a throw as well: its balls must stand where x1 leaves them.
    // The first click from frame 300 on that throws (rather than picks) makes the cut.
    std::optional<GameReplay> cut;
    for (const ReplayInput& input : recorded.replay.inputs) {
        if (input.kind != ReplayInput::Kind::Click || input.tick < 300) continue;
        GameReplay candidate = recorded.replay;
        candidate.finished = false;
        candidate.ticks = input.tick + 13;
        std::erase_if(candidate.inputs, [&](const ReplayInput& i) { return i.tick > candidate.ticks; });
        OpenPlayback(candidate);
        PlayToTheEnd(candidate);
        const bool inFlight = !window->Game()->Flying().empty();
        driver.DestroyWindows({window});
        window = nullptr;
        if (inFlight) {
            cut = candidate;
            break;
        }
    }
    ASSERT_TRUE(cut);
    for (const GameReplay& replay : {recorded.replay, *cut}) {
        OpenPlayback(replay);
        EXPECT_EQ(window->Speed().FramesPerShownFrame(), 1);
        PlayToTheEnd(replay);
        const auto board = replaytest::BoardRows(window->Game()->Grid());
        const int score = window->Game()->Score();
        const bool over = window->Game()->GameOver();
        const auto flying = FlyingPlaces(*window->Game());
        driver.DestroyWindows({window});
        window = nullptr;

        for (int factor : {2, 4, 8}) {
            SCOPED_TRACE("x" + std::to_string(factor));
            OpenPlayback(replay);
            for (int k = 1; k < factor; k *= 2) driver.Press(window, platform::Key_Plus);
            ASSERT_EQ(window->Speed().FramesPerShownFrame(), factor);
            // Part of the way, a pause: frames run, the court stands and nothing is played.
            for (int i = 0; i < 20; ++i) driver.Frame(window);
            EXPECT_EQ(window->FramesPlayed(), std::uint32_t(20 * factor));
            driver.Press(window, platform::Key_Space);
            ASSERT_TRUE(window->Paused());
            EXPECT_TRUE(window->FramesHeld());
            const auto standing = replaytest::BoardRows(window->Game()->Grid());
            const auto standingFlight = FlyingPlaces(*window->Game());
            for (int i = 0; i < 30; ++i) driver.Frame(window);
            EXPECT_EQ(window->FramesPlayed(), std::uint32_t(20 * factor));
            EXPECT_EQ(replaytest::BoardRows(window->Game()->Grid()), standing);
            EXPECT_EQ(FlyingPlaces(*window->Game()), standingFlight);
            driver.Press(window, platform::Key_Space);
            ASSERT_FALSE(window->Paused());
            // Further on, the recording again from its start, on a fresh court at the same speed.
            for (int i = 0; i < 25; ++i) driver.Frame(window);
            const int started = window->Game()->GamesStarted();
            driver.Press(window, platform::Key_Home);
            EXPECT_EQ(window->FramesPlayed(), 0u);
            EXPECT_EQ(window->Game()->GamesStarted(), started + 1);
            EXPECT_EQ(window->Game()->Score(), 0);
            EXPECT_TRUE(window->Game()->Flying().empty());
            EXPECT_EQ(window->Speed().FramesPerShownFrame(), factor);
            // The shown frames it takes: a factor's worth each, the last one maybe fewer.
            const int frames = PlayToTheEnd(replay);
            EXPECT_EQ(frames, int((replay.ticks + std::uint32_t(factor) - 1) / std::uint32_t(factor)));
            EXPECT_EQ(window->FramesPlayed(), replay.ticks);
            EXPECT_EQ(replaytest::BoardRows(window->Game()->Grid()), board);
            EXPECT_EQ(window->Game()->Score(), score);
            EXPECT_EQ(window->Game()->GameOver(), over);
            EXPECT_EQ(FlyingPlaces(*window->Game()), flying);
            EXPECT_EQ(window->PlaybackNote()->GetText(), "Replay over");
            driver.DestroyWindows({window});
            window = nullptr;
        }
    }
}

TEST_F(PlaybackTest, TheReplaysKeysAndButtonsPauseChangeTheSpeedAndRestart) {
    const replaytest::Recording& recorded = Finished(driver);
    OpenPlayback(recorded.replay);
    const ReplayControls& controls = window->Controls();
    ui::OButton* pause = controls.PauseButton();
    ui::OButton* play = controls.PlayButton();
    ui::OButton* faster = controls.FasterButton();
    ASSERT_NE(pause, nullptr);
    EXPECT_TRUE(pause->IsVisible());
    EXPECT_FALSE(play->IsVisible());
    EXPECT_EQ(faster->GetText(), "x1");

    // The buttons double and halve the speed, never past x1 or x8, and the faster one names it.
    std::vector<std::string> shown;
    for (int i = 0; i < 4; ++i) {
        driver.ClickOn(window, faster);
        shown.push_back(faster->GetText());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"x2", "x4", "x8", "x8"}));
    driver.ClickOn(window, controls.SlowerButton());
    EXPECT_EQ(window->Speed().FramesPerShownFrame(), 4);
    // So do both keyboards' signs.
    driver.Press(window, platform::Key_Minus);
    EXPECT_EQ(faster->GetText(), "x2");
    driver.Press(window, platform::Key_Subtract);
    driver.Press(window, platform::Key_Subtract);
    EXPECT_EQ(faster->GetText(), "x1");
    driver.Press(window, platform::Key_Add);
    EXPECT_EQ(faster->GetText(), "x2");

    // The pause button stops the replay with its court in view, and becomes play.
    for (int i = 0; i < 40; ++i) driver.Frame(window);
    driver.ClickOn(window, pause);
    ASSERT_TRUE(window->Paused());
    EXPECT_TRUE(window->FramesHeld());
    EXPECT_FALSE(pause->IsVisible());
    EXPECT_TRUE(play->IsVisible());
    EXPECT_FALSE(ShowsPausedBanner(*window));
    // A stopped replay takes a new speed and stays stopped.
    driver.ClickOn(window, faster);
    EXPECT_EQ(faster->GetText(), "x4");
    EXPECT_TRUE(window->Paused());
    driver.ClickOn(window, play);
    EXPECT_FALSE(window->Paused());
    EXPECT_TRUE(pause->IsVisible());
    EXPECT_FALSE(play->IsVisible());
    // P and Pause are the same pause, shown on the same button.
    driver.Press(window, 'P');
    EXPECT_TRUE(window->Paused());
    EXPECT_TRUE(play->IsVisible());
    EXPECT_FALSE(ShowsPausedBanner(*window));
    driver.Press(window, platform::Key_Space);
    EXPECT_FALSE(window->Paused());

    // Restart, from a stopped replay too, plays the recording from its start.
    for (int i = 0; i < 40; ++i) driver.Frame(window);
    ASSERT_GT(window->FramesPlayed(), 0u);
    driver.Press(window, platform::Key_Pause);
    ASSERT_TRUE(window->Paused());
    driver.ClickOn(window, controls.RestartButton());
    EXPECT_FALSE(window->Paused());
    EXPECT_FALSE(window->FramesHeld());
    EXPECT_EQ(window->FramesPlayed(), 0u);
    EXPECT_TRUE(pause->IsVisible());
    driver.Frame(window);
    EXPECT_EQ(window->FramesPlayed(), 4u);
    // Over, then again: the note follows.
    PlayToTheEnd(recorded.replay);
    EXPECT_EQ(window->PlaybackNote()->GetText(), "Replay over");
    driver.Press(window, platform::Key_Home);
    EXPECT_EQ(window->PlaybackNote()->GetText(), "Replay");
    EXPECT_FALSE(window->PlaybackOver());
    PlayToTheEnd(recorded.replay);
    ExpectTheOutcomeOf(recorded.replay);
    // None of it asked for a dialog or ended the window.
    EXPECT_EQ(window->TakeDialogRequest(), "");
    EXPECT_FALSE(window->Finished());
}

TEST_F(PlaybackTest, TheReplaysButtonsStandInThePanelClearOfEachOtherAndOfTheNote) {
    const replaytest::Recording& recorded = Finished(driver);
    OpenPlayback(recorded.replay);
    const ReplayControls& controls = window->Controls();
    const CourtGeometry g = window->Game()->Geometry();
    std::vector<scene::Rect> taken = {window->PlaybackNote()->Bounds(),
                                      window->LevelButton()->Bounds(),
                                      // The score box.
                                      {g.courtWidth + 20, 120, g.courtWidth + 180, 190}};
    for (ui::OButton* b : {controls.RestartButton(), controls.PauseButton(), controls.SlowerButton(),
                           controls.FasterButton()}) {
        ASSERT_NE(b, nullptr);
        const scene::Rect r = b->Bounds();
        EXPECT_GE(r.left, g.courtLeft + g.courtWidth + 7) << "right of the court's border";
        EXPECT_LE(r.right, window->Width());
        EXPECT_LE(r.bottom, window->Height());
        for (const scene::Rect& other : taken) EXPECT_TRUE(r.Intersect(other).IsEmpty());
        taken.push_back(r);
    }
    // Play takes pause's place; the speed stays within its button, left of the plus.
    EXPECT_EQ(controls.PlayButton()->Bounds(), controls.PauseButton()->Bounds());
    const scene::Rect caption = controls.FasterButton()->Caption()->Bounds();
    const scene::Rect button = controls.FasterButton()->Bounds();
    EXPECT_GE(caption.left, button.left);
    EXPECT_LE(caption.right, button.right - 40);
}

} // namespace
