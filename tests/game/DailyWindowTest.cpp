#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/MainThread.hpp"
#include "game/GameSaves.hpp"
#include "game/OGameWindow.hpp"
#include "game/ReplayFiles.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "rules/DailyCourt.hpp"
#include "rules/ThrowReportObserver.hpp"
#include "store/PlayStatistics.hpp"
#include "tools/driver/HeadlessDriver.hpp"
#include "ui/OButton.hpp"
#include "ui/OText.hpp"

using namespace game;
using namespace rules;

namespace {

constexpr std::int64_t kWindowDay = 20433; // 2025-12-11

std::string Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DailyWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = {};
        dir = std::filesystem::temp_directory_path() / ("hoopstack-dailywin-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        Close();
        engine::MainThread::Reset();
        std::filesystem::remove_all(dir);
    }
    void Open() {
        GameWindowSetup setup;
        setup.statePath = (dir / "state.dat").string();
        setup.writer = writer = GameSaves::MakeStateWriter(*setup.statePath);
        setup.dailyStatePath = (dir / "daily" / "state.dat").string();
        setup.dailyWriter = dailyWriter = GameSaves::MakeStateWriter(*setup.dailyStatePath);
        setup.statisticsPath = (dir / "stats.dat").string();
        setup.clock = [this] { return now; };
        setup.seed = 3;
        setup.openDialogs = false;
        window = new OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false},
                                 std::move(setup));
        ASSERT_EQ(window->CreateFailed(), 0);
        ASSERT_TRUE(window->Start());
        driver.Pump();
    }
    void Close() {
        if (!window) return;
        driver.DestroyWindows({window});
        window = nullptr;
        writer.reset();
        dailyWriter.reset();
    }
    void Key(int code) { driver.Send(window, platform::EventKind::KeyDown, code); }
    void Flush() {
        writer->Flush();
        dailyWriter->Flush();
    }
    // Throws the selected ball aside and waits for the court to rest.
    void ThrowOnce() {
        TGame* game = window->Game();
        driver.Frame(window);
        const Cell selected = game->SelectedCell();
        ASSERT_TRUE(selected.IsValid());
        const CourtGeometry& g = game->Geometry();
        ThrowReportObserver throws;
        game->SetObserver(&throws);
        driver.Click(window, g.CentreX(selected.row, selected.column) + 150, g.CentreY(selected.row) - 200);
        game->SetObserver(nullptr);
        ASSERT_TRUE(throws.Report().launched);
        for (int frames = 0; frames < 5000 && !game->IsSettled(); ++frames) driver.Frame(window);
        ASSERT_TRUE(game->IsSettled());
        driver.Frame(window);
        Flush();
    }

    driver::HeadlessDriver driver;
    OGameWindow* window = nullptr;
    std::shared_ptr<store::SaveWriter> writer, dailyWriter;
    std::filesystem::path dir;
    std::int64_t now = kWindowDay * 86400 + 7200;
};

} // namespace

TEST_F(DailyWindowTest, TheDaysCourtIsASlotOfItsOwnAndTheRegularGameWaitsUntouched) {
    Open();
    ThrowOnce();
    const Level regularLevel = Settings().level;
    const auto regularCells = ColoursOf(window->Game()->Grid());
    ASSERT_TRUE(window->SaveGame());
    const std::string state = Bytes(dir / "state.dat");
    const std::string replay = Bytes(dir / "replay.dat");
    ASSERT_FALSE(state.empty());
    ASSERT_FALSE(replay.empty());

    // D: the day's court, ranked, at the day's level from the day's start.
    Key('D');
    ASSERT_TRUE(window->InDaily());
    EXPECT_TRUE(window->DailyRanked());
    EXPECT_EQ(window->Game()->StartState(), DailyStart(kWindowDay));
    EXPECT_EQ(Settings().level, DailyLevel(kWindowDay));
    EXPECT_EQ(window->LevelButton()->GetText(), LevelName(DailyLevel(kWindowDay)));
    EXPECT_EQ(window->MarkText()->GetText(), "Daily");
    ThrowOnce();
    const auto dailyCells = ColoursOf(window->Game()->Grid());
    // The level stays the day's.
    Key('L');
    EXPECT_EQ(Settings().level, DailyLevel(kWindowDay));
    Flush();
    EXPECT_EQ(Bytes(dir / "state.dat"), state);
    EXPECT_EQ(Bytes(dir / "replay.dat"), replay);
    const std::optional<GameReplay> dailyReplay = ReadReplayFile((dir / "daily" / "replay.dat").string());
    ASSERT_TRUE(dailyReplay);
    EXPECT_EQ(dailyReplay->startState, DailyStart(kWindowDay));

    // D again: the regular game comes back as it was, and the day's court waits.
    Key('D');
    EXPECT_FALSE(window->InDaily());
    EXPECT_EQ(Settings().level, regularLevel);
    EXPECT_EQ(ColoursOf(window->Game()->Grid()), regularCells);
    EXPECT_EQ(window->MarkText()->GetText(), "");
    Key('D');
    EXPECT_TRUE(window->DailyRanked());
    EXPECT_EQ(ColoursOf(window->Game()->Grid()), dailyCells);

    // A new game of the day's court is practice; the attempt is given up.
    Key('N');
    EXPECT_TRUE(window->InDaily());
    EXPECT_FALSE(window->DailyRanked());
    EXPECT_EQ(window->Game()->StartState(), DailyStart(kWindowDay));
    EXPECT_EQ(window->MarkText()->GetText(), "Practice");
    EXPECT_EQ(window->Daily().Statistics().Attempt(kWindowDay)->state, store::AttemptState::GivenUp);

    // Closing in the day's court keeps it in its slot; the next run starts in the regular game.
    Close();
    EXPECT_EQ(Bytes(dir / "state.dat"), state);
    Open();
    EXPECT_FALSE(window->InDaily());
    EXPECT_EQ(ColoursOf(window->Game()->Grid()), regularCells);
    Key('D');
    EXPECT_FALSE(window->DailyRanked());
    const store::PlayStatistics stats = store::PlayStatistics::Load(dir / "stats.dat");
    EXPECT_GE(stats.Level(int(DailyLevel(kWindowDay)) + 1).played, 2);
}

TEST_F(DailyWindowTest, AWindowWithoutADailySlotStaysInTheRegularGame) {
    GameWindowSetup setup;
    setup.openDialogs = false;
    window = new OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, setup);
    ASSERT_TRUE(window->Start());
    driver.Pump();
    const std::uint32_t start = window->Game()->StartState();
    EXPECT_FALSE(window->SwitchDaily());
    Key('D');
    EXPECT_FALSE(window->InDaily());
    EXPECT_EQ(window->Game()->StartState(), start);
}
