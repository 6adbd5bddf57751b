// What the game window keeps of its game and when: a court at rest once, a court in flight
// never, the settings with the last rest, and the replay beside the board it belongs to.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "game/GameSaves.hpp"
#include "game/HighScores.hpp"
#include "game/ReplayFiles.hpp"
#include "rules/BoardRules.hpp"
#include "rules/GameSettings.hpp"
#include "rules/SimScene.hpp"
#include "rules/TGame.hpp"
#include "tools/driver/HeadlessDriver.hpp"

using namespace game;
using namespace rules;

namespace {

class GameSavesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = {};
        ForgetReportedSaveFailures();
        dir = std::filesystem::temp_directory_path() /
              ("hoopstack-saves-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        game.Seed(11);
        game.NewGame();
    }
    void TearDown() override {
        Settings() = {};
        std::filesystem::remove_all(dir);
    }

    std::string StatePath() const { return (dir / "state.dat").string(); }
    std::shared_ptr<store::SaveWriter> Writer() { return GameSaves::MakeStateWriter(StatePath()); }
    // A throw aimed aside, so that the ball leaves its cell and flies for a while.
    void Throw() {
        game.Step(0);
        const Cell selected = game.SelectedCell();
        ASSERT_TRUE(selected.IsValid());
        const CourtGeometry& g = game.Geometry();
        game.Click(g.CentreX(selected.row, selected.column) + 150, g.CentreY(selected.row) - 200);
        ASSERT_FALSE(game.IsSettled());
    }
    void Settle() {
        for (std::uint32_t t = 20; t < 200000 && !game.IsSettled(); t += 20) {
            game.Step(t);
            scene.Tick(t);
        }
        ASSERT_TRUE(game.IsSettled());
    }

    // The platform a failure is told on.
    driver::HeadlessDriver driver;
    SimScene scene;
    TGame game{scene, Settings(), CourtGeometry{}};
    std::filesystem::path dir;
};

TEST_F(GameSavesTest, WithoutAWriterNothingIsKept) {
    GameSaves saves;
    EXPECT_EQ(saves.Writer(), nullptr);
    saves.KeepAtRest(game);
    saves.KeepSettings(game);
    EXPECT_FALSE(saves.SaveNow(game));
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(GameSavesTest, ACourtAtRestIsHandedOverOnceWithItsReplayBesideIt) {
    std::shared_ptr<store::SaveWriter> writer = Writer();
    GameSaves saves(writer);
    saves.KeepAtRest(game);
    writer->Flush();
    const std::uint64_t first = writer->WritesAttempted();
    EXPECT_EQ(first, 1u);
    // The same court again is not written again.
    saves.KeepAtRest(game);
    saves.KeepAtRest(game);
    writer->Flush();
    EXPECT_EQ(writer->WritesAttempted(), first);

    const auto saved = LoadSavedGame(StatePath());
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, GameSaves::SavedState(&game));
    EXPECT_EQ(saved->cells, ColoursOf(game.Grid()));
    const auto replay = ReadReplayFile(ReplayPathBeside(StatePath()));
    ASSERT_TRUE(replay);
    ASSERT_NE(game.Replay(), nullptr);
    EXPECT_EQ(GameSaves::ReplayText(&game), ReplayFileText(*game.Replay()));
    EXPECT_EQ(EncodeReplay(*replay), EncodeReplay(*game.Replay()));
}

TEST_F(GameSavesTest, InFlightTheSettingsGoWithTheBoardOfTheLastRest) {
    std::shared_ptr<store::SaveWriter> writer = Writer();
    GameSaves saves(writer);
    saves.KeepAtRest(game);
    writer->Flush();
    const TSavedGame rest = *LoadSavedGame(StatePath());
    Throw();
    // The thrown ball is on no cell: the court now has one ball fewer than the one at rest.
    ASSERT_NE(ColoursOf(game.Grid()), rest.cells);
    Settings().sound = false;
    saves.KeepSettings(game);
    writer->Flush();
    TSavedGame kept = *LoadSavedGame(StatePath());
    EXPECT_FALSE(kept.settings.sound);
    EXPECT_EQ(kept.cells, rest.cells);

    // Written now, waiting for the disk: still the last rest, with the current settings.
    Settings().showPath = false;
    ASSERT_TRUE(saves.SaveNow(game));
    kept = *LoadSavedGame(StatePath());
    EXPECT_FALSE(kept.settings.showPath);
    EXPECT_EQ(kept.cells, rest.cells);

    // At rest again the new court is kept.
    Settle();
    saves.KeepAtRest(game);
    writer->Flush();
    kept = *LoadSavedGame(StatePath());
    EXPECT_EQ(kept.cells, ColoursOf(game.Grid()));
    EXPECT_NE(kept.cells, rest.cells);
}

TEST_F(GameSavesTest, AFailedWriteIsFalseAndTheWriterIsLetGo) {
    // A folder where the file should be cannot be replaced.
    std::filesystem::create_directory(StatePath());
    std::shared_ptr<store::SaveWriter> writer = Writer();
    std::weak_ptr<store::SaveWriter> watch = writer;
    GameSaves saves(std::move(writer));
    EXPECT_FALSE(saves.SaveNow(game));
    EXPECT_TRUE(std::filesystem::is_directory(StatePath()));
    saves.ReleaseWriter();
    EXPECT_EQ(saves.Writer(), nullptr);
    EXPECT_TRUE(watch.expired()) << "a writer of the saves' own ends with them";
}

TEST_F(GameSavesTest, TheSettingsAloneWithoutAGame) {
    Settings().level = Level::Expert;
    const TSavedGame alone = GameSaves::SavedState(nullptr);
    EXPECT_EQ(alone.settings.level, Level::Expert);
    EXPECT_EQ(alone.score, 0);
    EXPECT_EQ(GameSaves::ReplayText(nullptr), std::nullopt);
}

} // namespace
