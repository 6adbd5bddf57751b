#include <gtest/gtest.h>

#include <random>
#include <set>

#include "rules/CourtControls.hpp"
#include "rules/SimScene.hpp"
#include "rules/TGame.hpp"
#include "rules/ThrowReportObserver.hpp"

using namespace rules;

namespace {

struct PureGame {
    GameSettings settings;
    SimScene scene;
    ThrowReportObserver throws;
    TGame game{scene, settings, CourtGeometry::FromBall(34, 33)};
    CourtControls controls{game};
    std::uint32_t time = 1000;

    PureGame() { game.SetObserver(&throws); }

    void Frame() {
        game.Step(time);
        scene.Tick(time);
        time += std::uint32_t(1000 / scene.FrameRate());
    }
    bool Settle(int limit = 200000) {
        for (int i = 0; i < limit; ++i) {
            Frame();
            if (game.IsSettled() && (game.SelectedCell().IsValid() || !FirstFreeBall(game.Grid()).IsValid() ||
                                     game.GameOver()))
                return true;
        }
        return false;
    }
    // Every ball is in exactly one place, and the counts match a recount.
    void CheckAccounting() {
        std::set<const Ball*> seen;
        std::array<int, kColours> counts{};
        auto add = [&](const Ball* b, bool counted) {
            ASSERT_TRUE(seen.insert(b).second);
            if (counted) ++counts[b->Colour() - 1];
        };
        for (int r = 0; r < 18; ++r)
            for (int c = 0; c < 18; ++c)
                if (const Ball* b = game.Grid()[r][c]) {
                    ASSERT_TRUE(r >= 1 && r <= 16 && c >= 1 && c <= 16);
                    add(b, true);
                }
        for (const Ball* b : game.Flying()) add(b, true);
        for (const Ball* b : game.FallingQueue()) add(b, true);
        for (const Ball* b : game.RemovalQueue()) add(b, false);
        for (int c = 1; c <= 16; ++c) add(game.CeilingRow()[c], false);
        ASSERT_EQ(seen.size(), scene.BallCount());
        ASSERT_EQ(counts, game.ColourCounts());
    }
    TSavedGame Board(const std::vector<std::string>& rows) {
        TSavedGame saved;
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (int c = 1; c <= 16; ++c) {
                saved.cells[16 - rows.size() + 1 + i][c] = rows[i][c - 1] - '0';
                if (rows[i][c - 1] != '0') saved.boardEmpty = false;
            }
        return saved;
    }
};

} // namespace

TEST(TGame, FreshBoardHoldsTheLowerHalfAndAFullCeilingRow) {
    PureGame p;
    p.game.NewGame();
    EXPECT_EQ(CountBalls(p.game.Grid()), 128);
    for (int r = 1; r <= 8; ++r)
        for (int c = 1; c <= 16; ++c) EXPECT_EQ(p.game.Grid()[r][c], nullptr);
    for (int c = 1; c <= 16; ++c) EXPECT_NE(p.game.CeilingRow()[c], nullptr);
    EXPECT_TRUE(p.game.SelectedCell().IsValid());
    p.CheckAccounting();
}

TEST(TGame, ManyRandomThrowsKeepEveryBallAccountedFor) {
    for (int level = 0; level < 3; ++level) {
        PureGame p;
        p.settings.level = Level(level);
        p.game.Seed(std::uint32_t(11 + level));
        p.game.NewGame();
        std::mt19937 rng(level);
        const CourtGeometry& g = p.game.Geometry();
        int lastScore = 0;
        for (int throws = 0; throws < 300 && !p.game.GameOver(); ++throws) {
            p.game.Click(g.courtLeft + int(rng() % unsigned(g.courtWidth)), int(rng() % unsigned(g.courtTop + 400)));
            for (int f = 0; f < 2000 && !(p.game.IsSettled() && throws % 2); ++f) {
                p.Frame();
                ASSERT_NO_FATAL_FAILURE(p.CheckAccounting());
                ASSERT_GE(p.game.Score(), lastScore);
                lastScore = p.game.Score();
                for (const Ball* b : p.game.Flying()) {
                    // A wall reflects a ball once it has passed it, so it may overshoot by one
                    // frame's speed, never more.
                    ASSERT_GE(b->Left(), g.courtLeft - 80);
                    ASSERT_LE(b->Left(), g.courtLeft + g.courtWidth + 80);
                    ASSERT_LE(b->Top(), g.courtTop + g.courtHeight + 80);
                }
                if (p.game.IsSettled()) break;
            }
        }
    }
}

TEST(TGame, AThrowStraightUpComesBackAndIsVoid) {
    PureGame p;
    p.game.SetSavedGame(p.Board({"1200000000000000"}));
    p.game.NewGame();
    ASSERT_EQ(p.game.SelectedCell(), (Cell{16, 1}));
    const CourtGeometry& g = p.game.Geometry();
    p.scene.SetRecordSounds(true);
    ASSERT_TRUE(p.controls.Launch(g.CentreX(16, 1), g.CentreY(16) - 150));
    ASSERT_TRUE(p.Settle());
    EXPECT_TRUE(p.throws.Report().voidThrow);
    EXPECT_EQ(p.game.SelectedCell(), (Cell{16, 1}));
    EXPECT_EQ(p.game.PendingDrops(), 0);
    EXPECT_EQ(p.game.FailCount(), 0);
    // The launch, then the landing; nothing scored.
    ASSERT_FALSE(p.scene.Sounds().empty());
    EXPECT_EQ(p.scene.Sounds().front(), GameSound::Start);
    EXPECT_EQ(p.scene.Sounds().back(), GameSound::Bounce);
}

TEST(TGame, ACourtWithNoFreeBallEndsAsAnOverflowDoes) {
    // A full court: no ball can move, so the game ends and the result is asked for.
    PureGame full;
    TSavedGame saved = full.Board(std::vector<std::string>(16, "1234567123456712"));
    saved.score = 40;
    full.game.SetSavedGame(saved);
    full.game.NewGame();
    EXPECT_FALSE(full.game.SelectedCell().IsValid());
    full.Frame();
    EXPECT_TRUE(full.game.GameOver());
    EXPECT_TRUE(full.game.ResultPending());
    EXPECT_EQ(full.game.Score(), 40);
    EXPECT_FALSE(full.game.AcceptsClicks());
    full.CheckAccounting();

    // One hole in the top row frees its neighbours: that game goes on.
    PureGame holed;
    saved.cells[1][1] = 0;
    holed.game.SetSavedGame(saved);
    holed.game.NewGame();
    for (int i = 0; i < 5; ++i) holed.Frame();
    EXPECT_FALSE(holed.game.GameOver());
    EXPECT_TRUE(holed.game.SelectedCell().IsValid());
}

TEST(TGame, ARefusedThrowChangesNothing) {
    PureGame p;
    p.game.SetSavedGame(p.Board({"1200000000000000"}));
    p.game.NewGame();
    const CourtGeometry& g = p.game.Geometry();
    EXPECT_FALSE(p.controls.Launch(g.CentreX(16, 1) + 3, g.CentreY(16)));
    EXPECT_TRUE(p.game.Flying().empty());
    EXPECT_EQ(p.game.SelectedCell(), (Cell{16, 1}));
}

TEST(TGame, AThrowOntoASmallPileKeepsTheAccounting) {
    PureGame p;
    p.game.SetSavedGame(p.Board({"2210000000000000"}));
    p.game.NewGame();
    const CourtGeometry& g = p.game.Geometry();
    ASSERT_TRUE(p.controls.Select({16, 2}));
    ASSERT_TRUE(p.controls.Launch(g.CentreX(15, 2), g.CentreY(15) - 60));
    ASSERT_TRUE(p.Settle());
    p.CheckAccounting();
    // Too few balls of its colour to match: nothing is taken away and the throw earns nothing.
    const TThrowReport& report = p.throws.Report();
    EXPECT_TRUE(report.landed);
    EXPECT_LT(report.group, 3);
    EXPECT_EQ(report.removed, 0);
    EXPECT_EQ(p.game.Score(), 0);
}

TEST(TGame, MasterForgivesTheFirstFailureOfAPair) {
    PureGame p;
    p.settings.level = Level::Master;
    p.game.SetSavedGame(p.Board({"1234567123456712"}));
    p.game.NewGame();
    const CourtGeometry& g = p.game.Geometry();
    // Up and to the right, so that it does not come back home.
    const Cell from = p.game.SelectedCell();
    ASSERT_TRUE(from.IsValid());
    ASSERT_TRUE(p.controls.Launch(g.CentreX(from.row, from.column) + 200, g.CentreY(from.row) - 100));
    ASSERT_TRUE(p.Settle());
    // The throw must fail: no group of three, and not into the void.
    ASSERT_LT(p.throws.Report().group, 3);
    ASSERT_FALSE(p.throws.Report().voidThrow);
    EXPECT_EQ(p.game.FailCount(), 1);
    EXPECT_EQ(p.throws.Report().drops, 0);
}
