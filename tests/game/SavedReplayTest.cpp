// The saved game's replay: written with every saved state, for the same board; read back on
// start so that a restored game goes on recording; refused, with the old restore, when it does
// not match the saved board.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/MainThread.hpp"
#include "game/HighScores.hpp"
#include "game/OGameWindow.hpp"
#include "game/ReplayFiles.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "rules/ReplayPlayer.hpp"
#include "rules/ThrowReportObserver.hpp"
#include "store/ReplayFile.hpp"
#include "store/SaveWriter.hpp"
#include "store/TScoresTable.hpp"
#include "tools/driver/HeadlessDriver.hpp"

using namespace game;
using namespace rules;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Each state text the window's writer puts in "state.dat", with "replay.dat" as it stands at
// that moment (the writer writes it just before the state), in the order of the writes.
struct SavedPairs {
    struct Pair {
        std::string state;
        std::optional<std::string> replay;
    };
    struct Record {
        std::mutex mutex;
        std::vector<Pair> pairs;
    };
    std::shared_ptr<Record> record = std::make_shared<Record>();

    std::shared_ptr<store::SaveWriter> Writer(const std::string& path) {
        const std::string side = ReplayPathBeside(path);
        return std::make_shared<store::SaveWriter>(
            path, nullptr, [record = record, side](const std::string& file, const std::string& text, std::string* error) {
                std::optional<std::string> replay;
                if (fs::exists(side)) replay = ReadAll(side);
                {
                    std::lock_guard lock(record->mutex);
                    record->pairs.push_back({text, replay});
                }
                return store::TScoresTable().writeEncrypted(file, text, error);
            });
    }
    std::vector<Pair> Pairs() {
        std::lock_guard lock(record->mutex);
        return record->pairs;
    }
};

// The board the replay plays to, as the saved game's cells.
std::array<std::array<int, 18>, 18> CellsOf(const ReplayOutcome& outcome) {
    std::array<std::array<int, 18>, 18> cells{};
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c) cells[std::size_t(r)][std::size_t(c)] = outcome.board[std::size_t(r - 1)][std::size_t(c - 1)] - '0';
    return cells;
}

// Plays the replay file's text on the pure rules; fails the test when it does not play.
ReplayOutcome Played(const std::string& fileText) {
    std::string error;
    const std::optional<GameReplay> replay = DecodeReplay(store::TrimReplayText(fileText), &error);
    EXPECT_TRUE(replay) << error;
    if (!replay) return {};
    const ReplayRun run = PlayReplay(*replay);
    EXPECT_TRUE(run.played) << run.failure;
    return run.outcome;
}

// The replay plays to exactly the saved board, score, level and end.
void ExpectPlaysTo(const std::string& fileText, const TSavedGame& saved, const std::string& where) {
    SCOPED_TRACE(where);
    const ReplayOutcome outcome = Played(fileText);
    EXPECT_EQ(CellsOf(outcome), saved.cells);
    EXPECT_EQ(outcome.gameOver, saved.gameOver);
    // A finished game is saved with a score of 0.
    if (!saved.gameOver) {
        EXPECT_EQ(outcome.score, saved.score);
    }
    EXPECT_EQ(outcome.level, saved.settings.level);
}

class SavedReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = {};
        ForgetReportedSaveFailures();
        dir = fs::temp_directory_path() /
              ("hoopstack-replay-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "a");
        fs::create_directories(dir / "b");
    }
    void TearDown() override {
        Close();
        engine::MainThread::Reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void Open(GameWindowSetup setup) {
        window = new OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false},
                                 std::move(setup));
        ASSERT_EQ(window->CreateFailed(), 0);
        ASSERT_TRUE(window->Start());
        driver.Pump();
    }
    // Opens the window on the folder's saved game, with its own writer.
    void OpenIn(const fs::path& folder, std::uint32_t seed = 11) {
        GameWindowSetup setup;
        setup.statePath = (folder / "state.dat").string();
        setup.seed = seed;
        Open(setup);
    }
    // Closes the window in order, which saves the game.
    void Close() {
        if (window) driver.DestroyWindows({window});
        window = nullptr;
    }
    void Frame() { driver.Frame(window); }
    void Flush() {
        if (window && window->Writer()) window->Writer()->Flush();
    }
    TGame* Game() { return window->Game(); }

    // Once the court is at rest, throws the ball the rules offer at a random point of the
    // upper court, as a player clicks. False when no throw was taken.
    bool Launch() {
        TGame* game = Game();
        // A frame first, as a player's click always follows one: it selects the ball to throw.
        Frame();
        for (int i = 0; i < 200 && !(game->AcceptsClicks() && game->IsSettled()); ++i) Frame();
        if (!game->AcceptsClicks() || !game->SelectedCell().IsValid()) return false;
        const CourtGeometry& g = game->Geometry();
        ThrowReportObserver throws;
        game->SetObserver(&throws);
        for (int attempt = 0; attempt < 100 && !throws.Report().launched; ++attempt) {
            const int x = std::uniform_int_distribution<int>(g.courtLeft, g.courtLeft + g.courtWidth - 1)(random);
            const int y = std::uniform_int_distribution<int>(g.courtTop, g.courtTop + g.courtHeight / 2)(random);
            driver.Click(window, x, y);
        }
        game->SetObserver(nullptr);
        return throws.Report().launched;
    }
    // A throw, then frames until the court is at rest again and that rest is written (a newer
    // save would otherwise replace one still waiting).
    bool ThrowOnce() {
        if (!Launch()) return false;
        for (int i = 0; i < 20000 && !Game()->IsSettled(); ++i) Frame();
        Frame();
        Flush();
        return Game()->IsSettled();
    }
    // Throws until the game ends; the frames stay bounded.
    void PlayToTheEnd() {
        for (int throws = 0; throws < 2000 && !Game()->GameOver(); ++throws) ASSERT_TRUE(ThrowOnce()) << throws;
        for (int i = 0; i < 2000 && !Game()->IsSettled(); ++i) Frame();
        ASSERT_TRUE(Game()->GameOver());
    }

    driver::HeadlessDriver driver;
    platform::HeadlessPlatform* headless = &driver.Platform();
    OGameWindow* window = nullptr;
    fs::path dir;
    std::mt19937 random{5};
};

TEST_F(SavedReplayTest, EveryStateIsWrittenWithTheReplayOfItsBoard) {
    SavedPairs saves;
    GameWindowSetup setup;
    setup.statePath = (dir / "a" / "state.dat").string();
    setup.writer = saves.Writer(*setup.statePath);
    setup.seed = 3;
    Open(setup);
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(ThrowOnce()) << i;
    // A settings change in flight keeps the board, and the replay, of the last rest.
    TGame* game = Game();
    ASSERT_TRUE(Launch());
    Frame();
    ASSERT_FALSE(game->IsSettled());
    Settings().showPath = false;
    window->SaveSettings();
    Flush();
    // And so does closing in flight: no ball is lost, the replay still matches.
    const std::size_t ballsAtRest = CountBalls(game->Grid()) + 1;
    Close();
    const std::vector<SavedPairs::Pair> pairs = saves.Pairs();
    // A throw that changes nothing on the court (a void throw) is not saved again.
    std::set<std::string> boards;
    for (const auto& pair : pairs) boards.insert(pair.state);
    ASSERT_GE(boards.size(), 4u);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        ASSERT_TRUE(pairs[i].replay) << "state " << i << " was written without its replay";
        ExpectPlaysTo(*pairs[i].replay, ParseSavedGame(pairs[i].state), "state " + std::to_string(i));
    }
    const auto last = LoadSavedGame(*setup.statePath);
    ASSERT_TRUE(last);
    EXPECT_FALSE(last->settings.showPath);
    std::size_t balls = 0;
    for (const auto& row : last->cells)
        for (const int colour : row) balls += colour != 0;
    EXPECT_EQ(balls, ballsAtRest);
    ExpectPlaysTo(ReadAll(dir / "a" / "replay.dat"), *last, "on disk");
}

TEST_F(SavedReplayTest, ARestartedWindowContinuesItsReplayToTheEndOfTheGame) {
    // The seed and the aims make a game of about twenty throws.
    OpenIn(dir / "a");
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(ThrowOnce()) << i;
    Flush();
    // What a kill leaves: the files of the last save at rest, no orderly end.
    for (const char* name : {"state.dat", "replay.dat"}) fs::copy_file(dir / "a" / name, dir / "b" / name);
    const auto killed = LoadSavedGame((dir / "b" / "state.dat").string());
    ASSERT_TRUE(killed);
    const std::uint32_t ticksBefore = Game()->Replay()->ticks;
    Close();

    // Another seed: the restored game owes nothing to the new run's generator.
    OpenIn(dir / "b", 999);
    ASSERT_TRUE(Game()->ContinuedReplay());
    ASSERT_NE(Game()->Replay(), nullptr);
    EXPECT_EQ(ColoursOf(Game()->Grid()), killed->cells);
    EXPECT_EQ(Game()->Score(), killed->score);
    EXPECT_GE(Game()->Replay()->ticks, 1u);
    EXPECT_LE(Game()->Replay()->ticks, ticksBefore);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(ThrowOnce()) << i;

    // An orderly restart continues it as well.
    Close();
    OpenIn(dir / "b", 1234);
    ASSERT_TRUE(Game()->ContinuedReplay());
    PlayToTheEnd();
    const GameReplay* replay = Game()->Replay();
    ASSERT_NE(replay, nullptr);
    EXPECT_TRUE(replay->finished);
    const ReplayRun run = PlayReplay(*replay);
    ASSERT_TRUE(run.played) << run.failure;
    EXPECT_TRUE(run.outcome.gameOver);
    EXPECT_EQ(run.outcome.score, Game()->Score());
    EXPECT_EQ(CellsOf(run.outcome), ColoursOf(Game()->Grid()));
    EXPECT_TRUE(VerifyReplay(EncodeReplay(*replay), Settings().level, Game()->Score()).verified);
}

TEST_F(SavedReplayTest, AnEditedStateOrReplayFallsBackToTheOldRestoreWithoutAReplay) {
    OpenIn(dir / "a");
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(ThrowOnce()) << i;
    Close();
    const std::string state = (dir / "a" / "state.dat").string();
    const std::string goodReplay = ReadAll(dir / "a" / "replay.dat");
    const auto saved = LoadSavedGame(state);
    ASSERT_TRUE(saved);

    // A replay of another game, one that plays to another board.
    OpenIn(dir / "b", 77);
    ASSERT_TRUE(ThrowOnce());
    Close();
    const std::string otherReplay = ReadAll(dir / "b" / "replay.dat");

    const std::string huge = goodReplay + std::string(kMaxReplayText, ' ');
    const std::string cut = goodReplay.substr(0, goodReplay.size() / 2);
    std::string flipped = goodReplay;
    flipped[flipped.size() / 2] = flipped[flipped.size() / 2] == 'A' ? 'B' : 'A';
    const std::pair<const char*, std::string> badReplays[] = {
        {"another game's", otherReplay}, {"cut", cut}, {"flipped", flipped}, {"over the limit", huge},
        {"noise", std::string("\x01\x02\xff garbage")}, {"empty", ""}};
    for (const auto& [what, bytes] : badReplays) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(StoreSavedGame(state, *saved));
        WriteAll(dir / "a" / "replay.dat", bytes);
        OpenIn(dir / "a");
        EXPECT_FALSE(Game()->ContinuedReplay());
        EXPECT_EQ(Game()->Replay(), nullptr);
        // The old restore: the saved board and score, and the game plays on.
        EXPECT_EQ(ColoursOf(Game()->Grid()), saved->cells);
        EXPECT_EQ(Game()->Score(), saved->score);
        ASSERT_TRUE(ThrowOnce());
        Flush();
        // A game without a replay leaves no stale one beside its state.
        EXPECT_FALSE(fs::exists(dir / "a" / "replay.dat"));
        Close();
        EXPECT_FALSE(fs::exists(dir / "a" / "replay.dat"));
    }

    // A state edited by hand: one ball of another colour, or a higher score.
    TSavedGame recoloured = *saved;
    for (int column = 1; column <= 16; ++column) {
        int& colour = recoloured.cells[16][std::size_t(column)];
        if (colour == 0) continue;
        colour = colour % 7 + 1;
        break;
    }
    TSavedGame richer = *saved;
    richer.score += 1;
    for (const TSavedGame& edited : {recoloured, richer}) {
        ASSERT_NE(edited, *saved);
        ASSERT_TRUE(StoreSavedGame(state, edited));
        WriteAll(dir / "a" / "replay.dat", goodReplay);
        OpenIn(dir / "a");
        EXPECT_EQ(Game()->Replay(), nullptr);
        EXPECT_EQ(ColoursOf(Game()->Grid()), edited.cells);
        EXPECT_EQ(Game()->Score(), edited.score);
        Close();
    }

    // The untouched pair still continues; a new game then records afresh.
    ASSERT_TRUE(StoreSavedGame(state, *saved));
    WriteAll(dir / "a" / "replay.dat", goodReplay);
    OpenIn(dir / "a");
    EXPECT_TRUE(Game()->ContinuedReplay());
    window->NewGame();
    ASSERT_NE(Game()->Replay(), nullptr);
    EXPECT_EQ(Game()->Replay()->ticks, 0u);
}

TEST_F(SavedReplayTest, AReplayThatCannotBeWrittenIsToldOnceAndTheStateIsStillKept) {
    // A folder where the replay should be: it can be neither replaced nor removed.
    fs::create_directory(dir / "a" / "replay.dat");
    OpenIn(dir / "a");
    Frame();
    ASSERT_TRUE(ThrowOnce());
    Flush();
    EXPECT_TRUE(window->SaveGame());
    driver.Pump();
    const std::vector<std::string> messages = headless->Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("\"replay.dat\""), std::string::npos) << messages[0];
    const auto saved = LoadSavedGame((dir / "a" / "state.dat").string());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->cells, ColoursOf(Game()->Grid()));
}

} // namespace
