// Properties that hold over whole games played by a random player: every ball is accounted
// for, the score only rises and only when a ball is removed or the bonus paid, and the replay
// recorded so far plays back to the very court the game stands on.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "PureCourt.hpp"
#include "rules/ReplayPlayer.hpp"

using namespace rules;
using namespace rules::test;

namespace {

// Clicks at random on the court now and then, and paces one frame in seven.
struct RandomPlayer {
    explicit RandomPlayer(std::uint32_t seed) : random(seed) {}

    void Frame(PureCourt& court) {
        if (court.game.AcceptsClicks() && std::uniform_int_distribution<int>(0, 14)(random) == 0) {
            const CourtGeometry& g = court.game.Geometry();
            court.game.Click(
                std::uniform_int_distribution<int>(g.courtLeft, g.courtLeft + g.courtWidth - 1)(random),
                std::uniform_int_distribution<int>(0, g.courtTop + g.courtHeight - 1)(random));
        }
        court.Frame(std::uniform_int_distribution<int>(0, 6)(random) == 0);
    }

    std::mt19937 random;
};

std::array<std::array<int, 18>, 18> Colours(const PureCourt& court) {
    return ColoursOf(court.Court().grid);
}

std::array<int, 17> CeilingColours(const CourtState& court) {
    std::array<int, 17> colours{};
    for (int c = 1; c <= 16; ++c) colours[c] = court.ceiling[c] ? court.ceiling[c]->Colour() : 0;
    return colours;
}

} // namespace

TEST(GameInvariants, EveryBallIsAccountedForAndTheScoreRisesOnlyByRemovalsAndTheBonus) {
    for (int level = 0; level < kLevels; ++level)
        for (std::uint32_t seed : {3u, 17u}) {
            PureCourt court{Level(level)};
            court.game.Seed(seed);
            court.game.NewGame();
            RandomPlayer player(seed);
            int score = 0;
            int removed = 0;
            for (int frame = 0; frame < 40000 && !(court.Court().gameOver && court.game.IsSettled());
                 ++frame) {
                const bool bonus = court.Court().bonusPending;
                const int points = court.Court().pointsPerBall;
                player.Frame(court);
                ASSERT_NO_FATAL_FAILURE(court.ExpectAccounted());
                ASSERT_GE(court.Court().score, score);
                const int newlyRemoved = court.log.Report().removed - removed;
                if (court.Court().score != score) {
                    const bool paid = bonus && !court.Court().bonusPending;
                    // One removal a frame at most, worth the points of its match.
                    ASSERT_TRUE(newlyRemoved == 1 || paid);
                    if (!paid) {
                        ASSERT_EQ(court.Court().score,
                                  std::min<std::int64_t>(std::int64_t(score) + points, INT32_MAX));
                    }
                }
                ASSERT_LE(newlyRemoved, 1);
                score = court.Court().score;
                removed = court.log.Report().removed;
                for (int k = 0; k < kColours; ++k) ASSERT_GE(court.Court().counts[k], 0);
            }
            EXPECT_TRUE(court.Court().gameOver) << "level " << level << " seed " << seed;
        }
}

TEST(GameInvariants, TheReplaySoFarPlaysBackToTheCourtAsItStands) {
    for (int level = 0; level < kLevels; ++level) {
        PureCourt court{Level(level)};
        court.game.Seed(100 + std::uint32_t(level));
        court.game.NewGame();
        RandomPlayer player(7 + std::uint32_t(level));
        std::uint32_t frames = 0;
        for (int cut = 0; cut < 6 && !court.Court().gameOver; ++cut) {
            for (int i = 0; i < 700 && !court.Court().gameOver; ++i, ++frames) player.Frame(court);
            const GameReplay replay = *court.game.Replay();
            EXPECT_EQ(replay.ticks, frames);
            const ReplayRun run = PlayReplay(replay);
            ASSERT_TRUE(run.played) << run.failure;
            EXPECT_EQ(run.outcome.score, court.Court().score);
            EXPECT_EQ(run.outcome.gameOver, court.Court().gameOver);
            std::array<std::string, 16> board;
            for (int r = 1; r <= 16; ++r)
                for (int c = 1; c <= 16; ++c) board[r - 1] += char('0' + Colours(court)[r][c]);
            EXPECT_EQ(run.outcome.board, board) << "level " << level << " after " << frames << " frames";
        }
    }
}

TEST(GameInvariants, AFinishedRecordTakesNoMoreInputsOrFrames) {
    PureCourt court{Level::Expert};
    court.game.Seed(8);
    court.game.NewGame();
    RandomPlayer player(8);
    for (int frame = 0; frame < 60000 && !court.Court().gameOver; ++frame) player.Frame(court);
    ASSERT_TRUE(court.Court().gameOver);
    const GameReplay closed = *court.game.Replay();
    EXPECT_TRUE(closed.finished);
    for (int i = 0; i < 100; ++i) {
        court.game.Click(100, 300);
        court.Frame(true);
    }
    EXPECT_EQ(*court.game.Replay(), closed);
    // The closed record plays into the finished game.
    const ReplayRun run = PlayReplay(closed);
    ASSERT_TRUE(run.played);
    EXPECT_TRUE(run.outcome.gameOver);
    EXPECT_EQ(run.outcome.score, court.Court().score);
}

TEST(GameInvariants, ARestoreFromAMatchingReplayAdoptsTheWholePlayedCourt) {
    for (const Level level : {Level::Novice, Level::Master}) {
        PureCourt first{level};
        first.game.Seed(21);
        first.game.NewGame();
        RandomPlayer player(21);
        for (int i = 0; i < 900 || !first.game.IsSettled(); ++i) player.Frame(first);
        ASSERT_FALSE(first.Court().gameOver);
        TSavedGame saved;
        saved.settings = first.settings;
        saved.score = first.Court().score;
        saved.cells = Colours(first);
        saved.boardEmpty = false;

        PureCourt restored{level};
        restored.game.SetSavedGame(saved, *first.game.Replay());
        restored.game.Seed(5);
        restored.game.NewGame();
        ASSERT_TRUE(restored.game.ContinuedReplay());
        const CourtState& a = first.Court();
        const CourtState& b = restored.Court();
        EXPECT_EQ(b.random.State(), a.random.State());
        EXPECT_EQ(Colours(restored), Colours(first));
        EXPECT_EQ(CeilingColours(b), CeilingColours(a));
        EXPECT_EQ(b.counts, a.counts);
        EXPECT_EQ(b.selected, a.selected);
        EXPECT_EQ(b.score, a.score);
        EXPECT_EQ(b.pointsPerBall, a.pointsPerBall);
        EXPECT_EQ(b.failCount, a.failCount);
        EXPECT_EQ(b.firstBallColumn, a.firstBallColumn);
        EXPECT_EQ(b.throwKind, a.throwKind);
        EXPECT_EQ(b.effort, a.effort);
        EXPECT_FALSE(b.gameOver || b.bonusPending || b.resultPending || b.throwInProgress);
        EXPECT_EQ(b.thrownBall, nullptr);
        // The balls are the restored game's own, and the selected one plays.
        restored.ExpectAccounted();
        if (b.selected.IsValid()) {
            EXPECT_TRUE(b.grid[b.selected.row][b.selected.column]->IsPlaying());
            EXPECT_TRUE(restored.scene.SelectionShown());
        }
        EXPECT_EQ(restored.scene.ShownScore(), a.score);
        EXPECT_EQ(*restored.game.Replay(), *first.game.Replay());

        // From here the same player makes both games alike, frame by frame.
        RandomPlayer twin = player;
        for (int i = 0; i < 3000 && !first.Court().gameOver; ++i) {
            player.Frame(first);
            twin.Frame(restored);
            ASSERT_EQ(restored.Court().score, first.Court().score);
            ASSERT_EQ(Colours(restored), Colours(first));
        }
        EXPECT_EQ(*restored.game.Replay(), *first.game.Replay());
    }
}

TEST(GameInvariants, ARefusedReplayRestoresExactlyAsNoReplayDoes) {
    PureCourt first{Level::Expert};
    first.game.Seed(33);
    first.game.NewGame();
    RandomPlayer player(33);
    for (int i = 0; i < 900 || !first.game.IsSettled(); ++i) player.Frame(first);
    TSavedGame saved;
    saved.settings = first.settings;
    saved.score = first.Court().score;
    saved.cells = Colours(first);
    saved.boardEmpty = false;
    const GameReplay replay = *first.game.Replay();

    PureCourt plain{Level::Expert};
    plain.game.SetSavedGame(saved);
    plain.game.Seed(5);
    plain.game.NewGame();
    ASSERT_FALSE(plain.game.ContinuedReplay());

    GameReplay finished = replay;
    finished.finished = true;
    GameReplay otherBalls = replay;
    otherBalls.ballWidth = 30;
    GameReplay tooLong = replay;
    tooLong.ticks = kReplayTickBudget + 1;
    GameReplay otherRules = replay;
    otherRules.rulesVersion = GameReplay::kRulesVersion + 1;
    // Cut in the middle of its last throw, it does not end at rest.
    GameReplay cut = replay;
    while (!cut.inputs.empty() && cut.inputs.back().kind != ReplayInput::Kind::Click) cut.inputs.pop_back();
    ASSERT_FALSE(cut.inputs.empty());
    cut.ticks = cut.inputs.back().tick + 3;
    for (const GameReplay& refused : {finished, otherBalls, tooLong, otherRules, cut}) {
        PureCourt restored{Level::Expert};
        restored.game.SetSavedGame(saved, refused);
        restored.game.Seed(5);
        restored.game.NewGame();
        EXPECT_FALSE(restored.game.ContinuedReplay());
        EXPECT_EQ(restored.game.Replay(), nullptr);
        EXPECT_EQ(restored.Court().random.State(), plain.Court().random.State());
        EXPECT_EQ(Colours(restored), Colours(plain));
        EXPECT_EQ(CeilingColours(restored.Court()), CeilingColours(plain.Court()));
        EXPECT_EQ(restored.Court().selected, plain.Court().selected);
        EXPECT_EQ(restored.Court().score, saved.score);
        EXPECT_EQ(restored.scene.BallCount(), plain.scene.BallCount());
    }
}
