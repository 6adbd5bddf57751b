#include <gtest/gtest.h>

#include "PureCourt.hpp"
#include "rules/ThrowReportObserver.hpp"

using namespace rules;

TEST(ThrowReportObserver, SumsTheEventsOfAThrowUntilCleared) {
    ThrowReportObserver observer;
    observer.ThrowLaunched({});
    observer.ThrowLanded({12, 5}, 812.5, false);
    observer.GroupCounted(4);
    observer.BallsFell(2);
    observer.BallsFell(3);
    for (int i = 0; i < 4; ++i) observer.BallRemoved();
    observer.BallDropped();
    observer.BallDropped();
    const TThrowReport& report = observer.Report();
    EXPECT_TRUE(report.launched);
    EXPECT_EQ(report.landed, (Cell{12, 5}));
    EXPECT_FALSE(report.voidThrow);
    EXPECT_EQ(report.effort, 812.5);
    EXPECT_EQ(report.group, 4);
    EXPECT_EQ(report.fell, 5);
    EXPECT_EQ(report.removed, 4);
    EXPECT_EQ(report.drops, 2);

    observer.Clear();
    EXPECT_FALSE(observer.Report().launched);
    EXPECT_FALSE(observer.Report().landed);
    EXPECT_EQ(observer.Report().fell, 0);
    EXPECT_EQ(observer.Report().drops, 0);
}

TEST(ThrowReportObserver, AVoidThrowStaysVoidForTheRestOfTheReport) {
    ThrowReportObserver observer;
    observer.ThrowLanded({16, 1}, 40, true);
    observer.ThrowLanded({15, 2}, 90, false);
    EXPECT_TRUE(observer.Report().voidThrow);
    EXPECT_EQ(observer.Report().landed, (Cell{15, 2}));
    EXPECT_EQ(observer.Report().effort, 90);
}

TEST(ThrowReportObserver, AGameWithoutAnObserverPlaysAsOneWithIt) {
    // The events change nothing in the game: a watched and an unwatched game stay alike.
    test::PureCourt watched;
    SimScene scene;
    GameSettings settings;
    TGame unwatched(scene, settings, CourtGeometry::FromBall(34, 33));
    watched.game.Seed(4);
    unwatched.Seed(4);
    watched.game.NewGame();
    unwatched.NewGame();
    const CourtGeometry& g = unwatched.Geometry();
    for (int frame = 0; frame < 3000; ++frame) {
        if (frame % 40 == 0 && unwatched.AcceptsClicks()) {
            const int x = g.courtLeft + (frame * 37) % g.courtWidth, y = g.courtTop + (frame * 13) % 200;
            watched.game.Click(x, y);
            unwatched.Click(x, y);
        }
        watched.Frame(frame % 9 == 0);
        unwatched.Advance(frame % 9 == 0);
        scene.Tick(std::uint32_t(frame + 1));
        ASSERT_EQ(ColoursOf(watched.Court().grid), ColoursOf(unwatched.Grid()));
        ASSERT_EQ(watched.Court().score, unwatched.Score());
    }
    EXPECT_EQ(*watched.game.Replay(), *unwatched.Replay());
    EXPECT_GT(watched.log.events.size(), 10u);
}
