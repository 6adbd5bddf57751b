// The Top 10's replays: the result window keeps the finished game's replay beside the score
// table, pruned to the table's records, and "Publish" sends it with the report when the
// address allows.
#include "DialogFixture.hpp"

#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "game/OWndScores.hpp"
#include "game/OWndScoresClear.hpp"
#include "rules/CourtControls.hpp"
#include "rules/ReplayPlayer.hpp"
#include "store/ScoreReport.hpp"
#include "store/TScoreReplays.hpp"
#include "ui/OButton.hpp"
#include "ui/OEdit.hpp"

using namespace game;
using namespace rules;

namespace {

// A replay that decodes (it need not play): `inputs` clicks at random places and ticks.
std::string MadeUpReplay(Level level, int inputs, std::uint32_t seed) {
    GameReplay replay;
    replay.level = level;
    replay.startState = seed;
    replay.finished = true;
    std::mt19937 random(seed);
    std::uint32_t tick = 0;
    for (int i = 0; i < inputs; ++i) {
        tick += std::uint32_t(random() % 50);
        replay.inputs.push_back({tick, ReplayInput::Kind::Click, int(random() % 750), int(random() % 600)});
    }
    replay.ticks = tick + 10;
    return EncodeReplay(replay);
}

// The address's report and replay.
struct Published {
    store::ScoreReportDecode report;
    std::optional<std::string> replay;
};
Published Decode(const std::string& url) {
    Published published;
    const std::size_t e = url.find("?e=") + 3;
    const std::size_t r = url.find("&r=");
    published.report = store::DecodeScoreReport(url.substr(e, r == std::string::npos ? std::string::npos : r - e));
    if (r != std::string::npos) published.replay = url.substr(r + 3);
    return published;
}

class TopTenReplays : public DialogTest {
protected:
    std::string ReplaysFile() const { return (folder / "replays.dat").string(); }
    store::TScoreReplays ReadReplays() const {
        store::TScoreReplays replays;
        replays.load(ReplaysFile());
        return replays;
    }
    // A result confirmed with "Ok" under the name.
    void Record(std::int32_t score, int level, const std::string& name, const std::string& replay) {
        auto* result = ui::ODialog::Open<OWndResult>(window, OWndResult::kWidth, OWndResult::kHeight, score, level, replay);
        ASSERT_NE(result, nullptr);
        result->NameField()->SetText(name);
        ClickOn(result, result->OkButton());
        ASSERT_EQ(Dialog<OWndResult>(), nullptr);
    }
    // The address "Publish" opens in the level's Top 10, or empty when it opens none.
    std::string Publish(Level level) {
        Settings().level = level;
        window->OpenDialog(GameDialog::Scores);
        auto* scores = Dialog<OWndScores>();
        EXPECT_NE(scores, nullptr);
        if (!scores) return {};
        const std::size_t before = headless->Urls().size();
        ClickOn(scores, scores->PublishButton());
        EXPECT_EQ(Dialog<OWndScores>(), nullptr);
        return headless->Urls().size() > before ? headless->Urls().back() : std::string();
    }
    static store::TScoreReplays::Key KeyOf(std::int32_t score, int level, const std::string& name) {
        return {score, std::to_string(level), TodayRecordDate(), name};
    }
};

TEST_F(TopTenReplays, AResultKeepsItsReplayAndPublishSendsItWithTheReport) {
    OpenGame();
    const std::string replay = MadeUpReplay(Level::Expert, 40, 1);
    Record(4321, 2, "Anna", replay);
    Record(10, 2, "Low", MadeUpReplay(Level::Expert, 5, 2));
    const store::TScoreReplays kept = ReadReplays();
    ASSERT_EQ(kept.entries().size(), 2u);
    ASSERT_NE(kept.find(KeyOf(4321, 2, "Anna")), nullptr);
    EXPECT_EQ(*kept.find(KeyOf(4321, 2, "Anna")), replay);
    // The table's file is exactly as it was without replays.
    EXPECT_EQ(ReadTable().tableText(), TodayRecordDate() + "\tAnna\t2\t4321\n" + TodayRecordDate() + "\tLow\t2\t10\n");

    const std::string url = Publish(Level::Expert);
    const Published published = Decode(url);
    ASSERT_EQ(published.report.status, store::ScoreReportStatus::Ok) << published.report.error;
    EXPECT_EQ(published.report.score, 4321);
    EXPECT_EQ(published.report.name, "Anna");
    ASSERT_TRUE(published.replay);
    EXPECT_EQ(*published.replay, replay);
    EXPECT_LE(url.size(), kMaxPublishAddress);
}

TEST_F(TopTenReplays, WithoutAReplayOrRoomForItTheReportGoesAloneAsBefore) {
    OpenGame();
    Record(500, 1, "Plain", "");
    EXPECT_FALSE(std::filesystem::exists(ReplaysFile())) << "nothing to keep, yet a file was made";
    const std::string plain = Publish(Level::Novice);
    EXPECT_EQ(plain.find("&r="), std::string::npos) << plain;
    EXPECT_EQ(Decode(plain).report.score, 500);

    // A replay too long for an 8 KiB address: kept, but the report goes alone.
    const std::string big = MadeUpReplay(Level::Master, 6000, 3);
    ASSERT_GT(big.size(), kMaxPublishAddress);
    Record(700, 3, "Long", big);
    EXPECT_EQ(*ReadReplays().find(KeyOf(700, 3, "Long")), big);
    const std::string alone = Publish(Level::Master);
    EXPECT_EQ(alone.find("&r="), std::string::npos);
    EXPECT_EQ(Decode(alone).report.score, 700);

    // The limit counts the whole address, to the byte.
    const std::string code = store::EncodeScoreReport(store::BuildScoreReport(1, "1", "A"));
    const std::size_t room = kMaxPublishAddress - PublishAddressFor(code).size() - 3;
    EXPECT_EQ(PublishAddressFor(code, std::string(room, 'x')).size(), kMaxPublishAddress);
    EXPECT_EQ(PublishAddressFor(code, std::string(room + 1, 'x')), PublishAddressFor(code));
}

TEST_F(TopTenReplays, ReplaysFollowTheTableThroughItsLimitHandEditsAndClearing) {
    OpenGame();
    // Eleven results of one name and level: the file keeps ten records, and their replays.
    for (int score = 1; score <= 11; ++score) Record(score * 10, 1, "Ann", MadeUpReplay(Level::Novice, 3, std::uint32_t(score)));
    store::TScoreReplays kept = ReadReplays();
    EXPECT_EQ(kept.entries().size(), 10u);
    EXPECT_EQ(kept.find(KeyOf(10, 1, "Ann")), nullptr);
    EXPECT_NE(kept.find(KeyOf(110, 1, "Ann")), nullptr);
    // A lower twelfth never enters the table, nor the replays.
    Record(5, 1, "Ann", MadeUpReplay(Level::Novice, 3, 12));
    EXPECT_EQ(ReadReplays().entries().size(), 10u);
    EXPECT_EQ(ReadReplays().find(KeyOf(5, 1, "Ann")), nullptr);

    // The best score edited by hand no longer carries its replay, and the next record drops it.
    WriteTable(TodayRecordDate() + "\tAnn\t1\t999999\n" + TodayRecordDate() + "\tAnn\t1\t100\n");
    const std::string edited = Publish(Level::Novice);
    EXPECT_EQ(Decode(edited).report.score, 999999);
    EXPECT_EQ(edited.find("&r="), std::string::npos);
    Record(3, 2, "Bob", "");
    kept = ReadReplays();
    ASSERT_EQ(kept.entries().size(), 1u);
    EXPECT_NE(kept.find(KeyOf(100, 1, "Ann")), nullptr);

    // Clearing the table clears its replays; a table cleared behind the game's back takes the
    // replays of its old records nowhere.
    window->OpenDialog(GameDialog::Scores);
    auto* scores = Dialog<OWndScores>();
    ASSERT_NE(scores, nullptr);
    ClickOn(scores, scores->ClearButton());
    auto* clear = Dialog<OWndScoresClear>(scores);
    ASSERT_NE(clear, nullptr);
    ClickOn(clear, clear->YesButton());
    EXPECT_TRUE(ReadReplays().entries().empty());
    EXPECT_TRUE(std::filesystem::exists(ReplaysFile()));
    ClickOn(scores, scores->CloseButton());

    Record(100, 1, "Ann", MadeUpReplay(Level::Novice, 3, 20));
    std::filesystem::remove(TablePath());
    Record(50, 1, "Cid", MadeUpReplay(Level::Novice, 3, 21));
    kept = ReadReplays();
    ASSERT_EQ(kept.entries().size(), 1u);
    EXPECT_NE(kept.find(KeyOf(50, 1, "Cid")), nullptr);
}

TEST_F(TopTenReplays, AMissingOrCorruptReplaysFileNeitherStopsPublishingNorRecording) {
    OpenGame();
    Record(300, 1, "Ann", MadeUpReplay(Level::Novice, 3, 1));
    for (const std::string& bytes : {std::string("\x01\xff not replays"), std::string(store::TScoreReplays::kHeader) +
                                                                             "\n300\t1\t" + TodayRecordDate() +
                                                                             "\tbase64butnoreplay\tAnn\n"}) {
        { std::ofstream(ReplaysFile(), std::ios::binary | std::ios::trunc) << bytes; }
        const std::string url = Publish(Level::Novice);
        EXPECT_EQ(Decode(url).report.score, 300);
        EXPECT_EQ(url.find("&r="), std::string::npos) << url;
    }
    // The next record starts the file afresh, and clears what a kill in the middle of a write
    // left (the temporary file of a process that is gone).
    { std::ofstream(ReplaysFile(), std::ios::binary | std::ios::trunc) << "\x01\xff not replays"; }
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string litter = ReplaysFile() + ".tmp-" + std::to_string(gone) + "-0";
    { std::ofstream(litter) << "x"; }
    const std::string replay = MadeUpReplay(Level::Novice, 3, 2);
    Record(200, 1, "Bea", replay);
    const store::TScoreReplays kept = ReadReplays();
    ASSERT_EQ(kept.entries().size(), 1u);
    EXPECT_EQ(*kept.find(KeyOf(200, 1, "Bea")), replay);
    EXPECT_FALSE(std::filesystem::exists(litter));
    // A replays' file that cannot be written is told, and the record is still kept.
    std::filesystem::remove(ReplaysFile());
    std::filesystem::create_directory(ReplaysFile());
    Record(100, 1, "Cy", MadeUpReplay(Level::Novice, 3, 3));
    Pump();
    ASSERT_EQ(headless->Messages().size(), 1u);
    EXPECT_NE(headless->Messages()[0].find("\"replays.dat\""), std::string::npos);
    EXPECT_EQ(ReadTable().size(), 3u);
}

TEST_F(TopTenReplays, AGamePlayedToItsEndIsRecordedWithAReplayThatVerifies) {
    // Expert drops the most balls on a failure: the shortest whole game.
    Settings().level = Level::Expert;
    OpenGame();
    TGame* game = window->Game();
    std::mt19937 random(9);
    const CourtGeometry& g = game->Geometry();
    for (int frames = 0; frames < 400000 && !(game->GameOver() && game->IsSettled()); ++frames) {
        if (!game->GameOver() && game->AcceptsClicks() && game->IsSettled()) {
            const int x = std::uniform_int_distribution<int>(g.courtLeft, g.courtLeft + g.courtWidth - 1)(random);
            const int y = std::uniform_int_distribution<int>(g.courtTop, g.courtTop + g.courtHeight / 2)(random);
            driver.Click(window, x, y);
        }
        driver.Frame(window);
    }
    ASSERT_TRUE(game->GameOver());
    const int score = game->Score();
    // The next mouse event brings the result window, with the finished game's replay.
    Send(window, platform::EventKind::MouseMove, 0, 300, 300);
    auto* result = Dialog<OWndResult>();
    ASSERT_NE(result, nullptr);
    result->NameField()->SetText("Bot");
    ClickOn(result, result->OkButton());
    const store::TScoreReplays kept = ReadReplays();
    const std::string* replay = kept.find(KeyOf(score, 2, "Bot"));
    ASSERT_NE(replay, nullptr);
    const ReplayVerdict verdict = VerifyReplay(*replay, Level::Expert, score);
    EXPECT_TRUE(verdict.verified) << verdict.reason;
    EXPECT_EQ(Decode(Publish(Level::Expert)).replay, std::optional<std::string>(*replay));
}

TEST_F(TopTenReplays, ARestoredGameWithoutAReplayIsRecordedAndPublishedWithoutOne) {
    TSavedGame saved;
    saved.boardEmpty = false;
    saved.score = 60;
    for (int c = 1; c <= 16; ++c) saved.cells[16][std::size_t(c)] = 1 + c % 3;
    GameWindowSetup setup;
    setup.preset = saved;
    OpenGame(setup);
    ASSERT_EQ(window->Game()->Replay(), nullptr);
    CourtControls(*window->Game()).EndGame();
    Send(window, platform::EventKind::MouseMove, 0, 300, 300);
    auto* result = Dialog<OWndResult>();
    ASSERT_NE(result, nullptr);
    ClickOn(result, result->OkButton());
    EXPECT_EQ(ReadTable().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(ReplaysFile()));
    const std::string url = Publish(Level::Novice);
    EXPECT_EQ(Decode(url).report.score, 60);
    EXPECT_EQ(url.find("&r="), std::string::npos);
}

} // namespace
