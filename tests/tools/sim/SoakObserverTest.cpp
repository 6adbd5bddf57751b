#include <gtest/gtest.h>

#include "SoakObserver.hpp"
#include "rules/SimScene.hpp"

using rules::CourtState;
using rules::SimBall;

namespace {

// A court whose ceiling holds balls of the colours given per slot, with the counts given.
struct Ceiling {
    Ceiling(int colour, const std::array<int, rules::kColours>& counts) {
        court.counts = counts;
        for (int c = 1; c <= 16; ++c) {
            balls.push_back(std::make_unique<SimBall>(colour));
            court.ceiling[c] = balls.back().get();
        }
    }
    std::vector<std::unique_ptr<SimBall>> balls;
    CourtState court;
};

} // namespace

TEST(SoakObserver, ACeilingOfPresentColoursIsNoProblem) {
    sim::SoakObserver observer;
    const Ceiling ceiling(2, {0, 3, 1, 0, 0, 0, 0});
    observer.CeilingRefreshed(ceiling.court);
    EXPECT_TRUE(observer.CeilingProblem().empty());
}

TEST(SoakObserver, ASlotOfAColourGoneFromTheBoardIsNamedOnce) {
    sim::SoakObserver observer;
    Ceiling ceiling(2, {0, 3, 1, 0, 0, 0, 0});
    SimBall stray(5);
    ceiling.court.ceiling[9] = &stray;
    observer.CeilingRefreshed(ceiling.court);
    EXPECT_EQ(observer.CeilingProblem(), "ceiling slot 9 holds colour 5, which is not on the board");
    // The first problem stays.
    SimBall other(6);
    ceiling.court.ceiling[3] = &other;
    observer.CeilingRefreshed(ceiling.court);
    EXPECT_EQ(observer.CeilingProblem(), "ceiling slot 9 holds colour 5, which is not on the board");
}

TEST(SoakObserver, WithFewerThanTwoColoursTheCeilingMayKeepExtinctOnes) {
    sim::SoakObserver observer;
    const Ceiling ceiling(4, {0, 0, 7, 0, 0, 0, 0});
    observer.CeilingRefreshed(ceiling.court);
    EXPECT_TRUE(observer.CeilingProblem().empty());
}

TEST(SoakObserver, ItSumsTheThrowReportAsItsBaseDoes) {
    sim::SoakObserver observer;
    observer.ThrowLaunched({});
    observer.BallDropped();
    EXPECT_TRUE(observer.Report().launched);
    EXPECT_EQ(observer.Report().drops, 1);
}
