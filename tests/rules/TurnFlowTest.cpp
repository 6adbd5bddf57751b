// The state machine's transitions one by one: selection, launch, landing, match, fall, drop,
// the bonus and the two ways a game ends, and the clicks it refuses on the way.
#include <gtest/gtest.h>

#include <algorithm>

#include "PureCourt.hpp"
#include "rules/FlightRules.hpp"

using namespace rules;
using namespace rules::test;

namespace {

// A colour per cell such that no two neighbours share one: a landing there never matches.
std::vector<std::string> Striped(int rowCount) {
    std::vector<std::string> rows;
    for (int i = 0; i < rowCount; ++i) {
        const int row = 16 - rowCount + 1 + i;
        std::string line;
        for (int c = 1; c <= 16; ++c) line += char('0' + (c + 2 * row) % 7 + 1);
        rows.push_back(line);
    }
    return rows;
}

const CourtGeometry kGeometry = CourtGeometry::FromBall(34, 33);

// Plays the throw on a court laid out from the rows, up to its landing, unpaced.
void ThrowAndLand(PureCourt& court, const std::vector<std::string>& rows, const Aim& aim, int score = 0) {
    court.Start(rows, score);
    court.log.events.clear();
    ASSERT_TRUE(court.controls.Select(aim.ball));
    ASSERT_TRUE(court.controls.Launch(aim.x, aim.y));
    ASSERT_TRUE(court.Land());
}

bool Matched(const PureCourt& court) {
    return court.log.Report().group >= 3;
}

bool Failed(const PureCourt& court) {
    return court.log.Report().landed && !court.log.Report().voidThrow && court.log.Report().group < 3;
}

} // namespace

TEST(TurnFlow, SelectingMovesTheSelectionAndItsAnimation) {
    PureCourt court;
    court.Start({"1200000000000000"});
    ASSERT_EQ(court.Court().selected, (Cell{16, 1}));
    Ball* first = court.Court().grid[16][1];
    Ball* second = court.Court().grid[16][2];
    EXPECT_TRUE(first->IsPlaying());
    EXPECT_FALSE(second->IsPlaying());

    EXPECT_TRUE(court.controls.Select({16, 2}));
    EXPECT_EQ(court.Court().selected, (Cell{16, 2}));
    EXPECT_FALSE(first->IsPlaying());
    EXPECT_TRUE(second->IsPlaying());
    EXPECT_TRUE(court.scene.SelectionShown());
    EXPECT_EQ(court.scene.SelectionX(), kGeometry.CornerX(16, 2) - 3);
    EXPECT_EQ(court.scene.SelectionY(), kGeometry.CornerY(16) - 2);

    // An empty or invalid cell is no selection, and the old one stays.
    EXPECT_FALSE(court.controls.Select({15, 1}));
    EXPECT_FALSE(court.controls.Select({0, 0}));
    EXPECT_FALSE(court.controls.Select({-1, -1}));
    EXPECT_EQ(court.Court().selected, (Cell{16, 2}));
    EXPECT_TRUE(second->IsPlaying());
}

TEST(TurnFlow, AClickOnAFreeBallSelectsItExceptAtMaster) {
    for (const Level level : {Level::Novice, Level::Expert, Level::Master}) {
        PureCourt court(level);
        court.Start({"1200000000000000"});
        ASSERT_EQ(court.Court().selected, (Cell{16, 1}));
        court.game.Click(kGeometry.CentreX(16, 2), kGeometry.CentreY(16));
        EXPECT_EQ(court.Court().selected, level == Level::Master ? (Cell{16, 1}) : (Cell{16, 2}));
        // Neither is a throw.
        EXPECT_TRUE(court.Court().flying.empty());
        EXPECT_EQ(CountBalls(court.Court().grid), 2);
    }
}

TEST(TurnFlow, AnAcceptedLaunchPutsTheBallInTheAirStillCounted) {
    PureCourt court;
    court.Start({"1200000000000000"});
    Ball* ball = court.Court().grid[16][1];
    const auto counts = court.Court().counts;
    court.log.events.clear();
    court.scene.SetRecordSounds(true);

    ASSERT_TRUE(court.controls.Launch(kGeometry.CentreX(16, 1) + 100, kGeometry.CentreY(16) - 150));
    EXPECT_EQ(court.Court().grid[16][1], nullptr);
    ASSERT_EQ(court.Court().flying, std::vector<Ball*>{ball});
    EXPECT_EQ(court.Court().thrownBall, ball);
    EXPECT_TRUE(court.Court().throwInProgress);
    EXPECT_EQ(court.Court().throwKind, ThrowKind::Upward);
    EXPECT_EQ(court.Court().pointsPerBall, 2);
    EXPECT_EQ(court.Court().effort, 0);
    EXPECT_EQ(court.Court().counts, counts);
    EXPECT_FALSE(court.scene.SelectionShown());
    EXPECT_EQ(static_cast<SimBall*>(ball)->Depth(), kFlyingDepth);
    EXPECT_EQ(court.scene.Sounds(), std::vector<GameSound>{GameSound::Start});
    EXPECT_EQ(court.log.events, std::vector<std::string>{"launched"});
    EXPECT_FALSE(court.game.AcceptsClicks());
    EXPECT_FALSE(court.game.IsSettled());
    court.ExpectAccounted();
}

TEST(TurnFlow, ALevelAimIsAPlainThrowAndAnAimIntoABallIsRefused) {
    PureCourt plain;
    plain.Start({"1000000000000000"});
    ASSERT_TRUE(plain.controls.Launch(kGeometry.CentreX(16, 1) + 100, kGeometry.CentreY(16)));
    EXPECT_EQ(plain.Court().throwKind, ThrowKind::Plain);
    EXPECT_EQ(plain.Court().pointsPerBall, 1);

    PureCourt blocked;
    blocked.Start({"1200000000000000"});
    blocked.log.events.clear();
    EXPECT_FALSE(blocked.controls.Launch(kGeometry.CentreX(16, 1) + 100, kGeometry.CentreY(16)));
    EXPECT_TRUE(blocked.Court().flying.empty());
    EXPECT_FALSE(blocked.Court().throwInProgress);
    EXPECT_EQ(blocked.Court().selected, (Cell{16, 1}));
    EXPECT_TRUE(blocked.log.events.empty());
}

TEST(TurnFlow, ALandingRestsTheBallInItsCellAndEvaluatesTheThrow) {
    const std::vector<std::string> rows{"1000000000000000"};
    const std::optional<Aim> aim = FindThrow(Level::Novice, rows, Failed);
    ASSERT_TRUE(aim);
    PureCourt court;
    court.Start(rows);
    Ball* ball = court.Court().grid[aim->ball.row][aim->ball.column];
    court.log.events.clear();
    ASSERT_TRUE(court.controls.Select(aim->ball));
    ASSERT_TRUE(court.controls.Launch(aim->x, aim->y));
    ASSERT_TRUE(court.Land());

    const Cell landed = *court.log.Report().landed;
    EXPECT_NE(landed, aim->ball);
    EXPECT_EQ(court.Court().grid[landed.row][landed.column], ball);
    EXPECT_EQ(ball->Left(), float(kGeometry.CornerX(landed.row, landed.column)));
    EXPECT_EQ(ball->Top(), float(kGeometry.CornerY(landed.row)));
    EXPECT_EQ(ball->SpeedX(), 0);
    EXPECT_EQ(ball->SpeedY(), 0);
    EXPECT_FALSE(ball->IsPlaying());
    EXPECT_EQ(court.Court().thrownBall, nullptr);
    EXPECT_FALSE(court.Court().throwInProgress);
    EXPECT_FALSE(court.Court().selected.IsValid());
    EXPECT_GT(court.log.Report().effort, 0);
    EXPECT_EQ(court.log.Report().effort, court.Court().effort);
    // A lone ball is a failure: it costs the drops for one ball on the court.
    EXPECT_EQ(court.log.events, (std::vector<std::string>{"launched", "landed", "group 1", "fell 0"}));
    EXPECT_EQ(court.Court().pointsPerBall, 0);
    EXPECT_EQ(court.Court().pendingDrops, DropsForFailure(Level::Novice, 1));
    EXPECT_EQ(court.Court().failCount, 0);
    court.ExpectAccounted();
}

TEST(TurnFlow, AVoidThrowIsNeitherEvaluatedNorCounted) {
    PureCourt court(Level::Master);
    court.Start({"1200000000000000"});
    court.log.events.clear();
    ASSERT_TRUE(court.controls.Launch(kGeometry.CentreX(16, 1), kGeometry.CentreY(16) - 150));
    ASSERT_TRUE(court.Land());
    EXPECT_EQ(court.log.events, (std::vector<std::string>{"launched", "came back"}));
    EXPECT_EQ(court.Court().selected, (Cell{16, 1}));
    EXPECT_TRUE(court.Court().grid[16][1]->IsPlaying());
    EXPECT_EQ(court.Court().failCount, 0);
    EXPECT_EQ(court.Court().pendingDrops, 0);
    EXPECT_TRUE(court.game.IsSettled());
    EXPECT_TRUE(court.game.AcceptsClicks());
}

TEST(TurnFlow, AMatchQueuesItsGroupAndScoresItOneBallPerPace) {
    const std::vector<std::string> rows{"1122330000000001"};
    const std::optional<Aim> aim = FindThrow(Level::Novice, rows, [](const PureCourt& court) {
        return Matched(court) && !court.Court().gameOver;
    });
    ASSERT_TRUE(aim);
    PureCourt court;
    court.Start(rows, 5);
    const int colour = court.Court().grid[aim->ball.row][aim->ball.column]->Colour();
    const auto before = court.Court().counts;
    court.log.events.clear();
    ASSERT_TRUE(court.controls.Select(aim->ball));
    ASSERT_TRUE(court.controls.Launch(aim->x, aim->y));
    ASSERT_TRUE(court.Land());

    const int group = court.log.Report().group;
    ASSERT_EQ(int(court.Court().removal.size()), group);
    for (const Ball* ball : court.Court().removal) EXPECT_EQ(ball->Colour(), colour);
    EXPECT_EQ(court.Court().counts[colour - 1], before[colour - 1] - group);
    EXPECT_EQ(court.Court().failCount, 0);
    EXPECT_EQ(court.Court().pendingDrops, 0);
    const int points = court.Court().pointsPerBall;
    if (court.Court().throwKind == ThrowKind::Plain)
        EXPECT_EQ(points, 1);
    else
        EXPECT_EQ(points, std::max(1, int(0.005 * court.Court().effort)));
    // The row under the ceiling is refreshed after the group left the grid.
    ASSERT_GE(court.log.events.size(), 5u);
    EXPECT_EQ(court.log.events[2], "group " + std::to_string(group));
    EXPECT_EQ(court.log.events[4], "ceiling");
    EXPECT_EQ(court.Court().score, 5);
    EXPECT_FALSE(court.game.AcceptsClicks());

    // Unpaced frames remove nothing; every paced one removes one ball and scores it.
    for (int i = 0; i < 20; ++i) court.Frame();
    EXPECT_EQ(int(court.Court().removal.size()), group);
    for (int removed = 1; removed <= group; ++removed) {
        court.Frame(true);
        EXPECT_EQ(int(court.Court().removal.size()), group - removed);
        EXPECT_EQ(court.Court().score, 5 + removed * points);
        EXPECT_EQ(court.log.Report().removed, removed);
        court.ExpectAccounted();
    }
    EXPECT_EQ(court.scene.ShownScore(), court.Court().score);
}

TEST(TurnFlow, BallsThatLoseTheirSupportFallOnlyAfterTheGroupIsGone) {
    const std::vector<std::string> rows{"2000000000000000", "1100000000000331"};
    const std::optional<Aim> aim = FindThrow(Level::Novice, rows, [](const PureCourt& court) {
        return Matched(court) && court.log.Report().fell > 0 && !court.Court().gameOver;
    });
    ASSERT_TRUE(aim);
    PureCourt court;
    ThrowAndLand(court, rows, *aim);
    const std::size_t falling = court.Court().falling.size();
    ASSERT_EQ(int(falling), court.log.Report().fell);
    const std::size_t group = court.Court().removal.size();
    court.ExpectAccounted();

    // While matched balls wait, nothing starts to fall.
    for (std::size_t i = 1; i < group; ++i) {
        court.Frame(true);
        EXPECT_EQ(court.Court().falling.size(), falling);
        EXPECT_TRUE(court.Court().flying.empty());
    }
    // The last removal's pace starts the first fall; each later pace one more.
    court.Frame(true);
    EXPECT_TRUE(court.Court().removal.empty());
    EXPECT_EQ(court.Court().falling.size(), falling - 1);
    ASSERT_TRUE(court.Settle());
    court.ExpectAccounted();
    // A falling ball never starts a match.
    EXPECT_EQ(std::count_if(court.log.events.begin(), court.log.events.end(),
                            [](const std::string& event) { return event.rfind("group", 0) == 0; }),
              1);
    EXPECT_EQ(CountBalls(court.Court().grid), 6 - int(group));
}

TEST(TurnFlow, AFailedThrowDropsBallsFromTheCeilingOnePerPace) {
    const std::vector<std::string> rows = Striped(8);
    const std::optional<Aim> aim = FindThrow(Level::Expert, rows, [](const PureCourt& court) {
        return Failed(court) && court.Court().falling.empty();
    });
    ASSERT_TRUE(aim);
    PureCourt court(Level::Expert);
    ThrowAndLand(court, rows, *aim);
    const int pending = court.Court().pendingDrops;
    ASSERT_EQ(pending, DropsForFailure(Level::Expert, CountBalls(court.Court().grid)));
    // A failure does not refresh the ceiling.
    EXPECT_EQ(std::count(court.log.events.begin(), court.log.events.end(), "ceiling"), 0);

    for (int dropped = 1; dropped <= pending; ++dropped) {
        const auto ceiling = court.Court().ceiling;
        const auto counts = court.Court().counts;
        court.Frame(true);
        EXPECT_EQ(court.Court().pendingDrops, pending - dropped);
        EXPECT_EQ(court.log.Report().drops, dropped);
        // Exactly one slot gave its ball to the court and got a new one at once.
        int changed = 0;
        for (int c = 1; c <= 16; ++c) {
            ASSERT_NE(court.Court().ceiling[c], nullptr);
            if (court.Court().ceiling[c] == ceiling[c]) continue;
            ++changed;
            const Ball* ball = ceiling[c];
            EXPECT_NE(std::find(court.Court().flying.begin(), court.Court().flying.end(), ball),
                      court.Court().flying.end());
            EXPECT_EQ(court.Court().counts[ball->Colour() - 1], counts[ball->Colour() - 1] + 1);
        }
        EXPECT_EQ(changed, 1);
        court.ExpectAccounted();
    }
    court.Frame(true);
    EXPECT_EQ(court.log.Report().drops, pending);
    EXPECT_FALSE(court.Court().gameOver);
}

TEST(TurnFlow, AMatchThatLeavesOneColourEndsTheGameWithTheBonus) {
    const std::vector<std::string> rows{"1100000000000221"};
    const std::optional<Aim> aim =
        FindThrow(Level::Novice, rows, [](const PureCourt& court) { return court.Court().bonusPending; });
    ASSERT_TRUE(aim);
    PureCourt court;
    ThrowAndLand(court, rows, *aim, 7);
    EXPECT_TRUE(court.Court().gameOver);
    EXPECT_TRUE(court.Court().bonusPending);
    EXPECT_FALSE(court.Court().resultPending);
    EXPECT_EQ(court.Court().score, 7);
    const int group = int(court.Court().removal.size());
    const int points = court.Court().pointsPerBall;

    // The group is scored first, then the whole score is multiplied by ten.
    for (int i = 0; i < 1000 && court.Court().bonusPending; ++i) {
        EXPECT_EQ(court.Court().score, 7 + (group - int(court.Court().removal.size())) * points);
        court.Frame(i % 3 == 0);
    }
    EXPECT_FALSE(court.Court().bonusPending);
    EXPECT_EQ(court.Court().score, 10 * (7 + group * points));
    EXPECT_TRUE(court.Court().resultPending);
    EXPECT_TRUE(court.game.IsSettled());
    EXPECT_TRUE(court.Court().flying.empty());
    EXPECT_TRUE(court.Court().falling.empty());
    court.ExpectAccounted();

    // After the end a click takes nothing.
    EXPECT_FALSE(court.game.AcceptsClicks());
    const Cell selected = court.Court().selected;
    court.game.Click(kGeometry.CentreX(16, 14), kGeometry.CentreY(16) - 200);
    EXPECT_TRUE(court.Court().flying.empty());
    EXPECT_EQ(court.Court().selected, selected);
}

TEST(TurnFlow, ABlockedDropEndsTheGameAndDiscardsTheRestOfItsDrops) {
    std::vector<std::string> rows = Striped(16);
    rows[15][15] = '0';
    const std::optional<Aim> aim = FindThrow(Level::Novice, rows, [](const PureCourt& court) {
        return Failed(court) && court.Court().pendingDrops > 0;
    });
    ASSERT_TRUE(aim);
    PureCourt court;
    ThrowAndLand(court, rows, *aim, 30);
    ASSERT_EQ(court.Court().pendingDrops, DropsForFailure(Level::Novice, CountBalls(court.Court().grid)));

    // Row 1 is full, so the first drop finds its way blocked whatever column it draws.
    court.Frame(true);
    EXPECT_TRUE(court.Court().gameOver);
    EXPECT_TRUE(court.Court().resultPending);
    EXPECT_FALSE(court.Court().bonusPending);
    EXPECT_EQ(court.Court().pendingDrops, 0);
    EXPECT_EQ(court.log.Report().drops, 0);
    EXPECT_EQ(court.Court().score, 30);
    EXPECT_TRUE(court.Court().flying.empty());
    EXPECT_TRUE(court.Court().falling.empty());
    EXPECT_TRUE(court.game.IsSettled());
    court.ExpectAccounted();
    for (int i = 0; i < 10; ++i) court.Frame(true);
    EXPECT_EQ(court.Court().score, 30);
}

TEST(TurnFlow, ClicksAreRefusedWhileBallsMoveOrWaitButNotForPendingDrops) {
    // A recorded game: a refused click leaves no trace in the replay either.
    PureCourt court;
    court.game.Seed(5);
    court.game.NewGame();
    const Cell selected = court.Court().selected;
    ASSERT_TRUE(selected.IsValid());
    court.game.Click(kGeometry.CentreX(selected.row, selected.column) + 150,
                     kGeometry.CentreY(selected.row) - 200);
    ASSERT_FALSE(court.Court().flying.empty());
    const std::size_t inputs = court.game.Replay()->inputs.size();
    ASSERT_EQ(inputs, 1u);
    for (int i = 0; i < 3 && !court.Court().flying.empty(); ++i) {
        const Cell free = FirstFreeBall(court.Court().grid);
        court.game.Click(kGeometry.CentreX(free.row, free.column), kGeometry.CentreY(free.row));
        court.game.Click(kGeometry.CentreX(8, 8), kGeometry.CentreY(8));
        EXPECT_EQ(court.Court().flying.size(), 1u);
        EXPECT_EQ(court.Court().selected, selected);
        EXPECT_EQ(court.game.Replay()->inputs.size(), inputs);
        court.Frame();
    }

    // Matched balls waiting for removal hold the player back too.
    const std::vector<std::string> matchRows{"1122330000000001"};
    const std::optional<Aim> match = FindThrow(Level::Novice, matchRows, Matched);
    ASSERT_TRUE(match);
    PureCourt removing;
    ThrowAndLand(removing, matchRows, *match);
    ASSERT_FALSE(removing.Court().removal.empty());
    EXPECT_FALSE(removing.game.AcceptsClicks());
    const Cell free = FirstFreeBall(removing.Court().grid);
    removing.game.Click(kGeometry.CentreX(free.row, free.column), kGeometry.CentreY(free.row));
    EXPECT_FALSE(removing.Court().selected.IsValid());

    // Drops still to come do not.
    const std::vector<std::string> stripes = Striped(8);
    const std::optional<Aim> fail = FindThrow(
        Level::Novice, stripes, [](const PureCourt& c) { return Failed(c) && c.Court().falling.empty(); });
    ASSERT_TRUE(fail);
    PureCourt dropping;
    ThrowAndLand(dropping, stripes, *fail);
    ASSERT_GT(dropping.Court().pendingDrops, 0);
    dropping.Frame();
    EXPECT_TRUE(dropping.game.AcceptsClicks());
    EXPECT_FALSE(dropping.game.IsSettled());
    const Cell next = FirstFreeBall(dropping.Court().grid);
    ASSERT_TRUE(next.IsValid());
    dropping.game.Click(kGeometry.CentreX(next.row, next.column), kGeometry.CentreY(next.row));
    EXPECT_EQ(dropping.Court().selected, next);
}
