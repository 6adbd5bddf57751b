#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "game/DailyPlay.hpp"
#include "game/DailyShare.hpp"
#include "rules/DailyCourt.hpp"

using namespace game;

namespace {

constexpr std::int64_t kDay = 20433; // 2025-12-11
constexpr std::int64_t kSecondsPerDay = 86400;

class DailyPlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("hoopstack-daily-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        now = kDay * kSecondsPerDay + 3600;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    DailyPlay Make() {
        return DailyPlay((dir / "stats.dat").string(), [this] { return now; });
    }
    static rules::GameReplay ReplayOf(std::int64_t day) {
        rules::GameReplay replay;
        replay.level = rules::DailyLevel(day);
        replay.startState = rules::DailyStart(day);
        return replay;
    }

    std::filesystem::path dir;
    std::int64_t now = 0;
};

} // namespace

TEST_F(DailyPlayTest, TheFirstGameOfADayIsRankedAndEveryLaterOnePractice) {
    DailyPlay play = Make();
    const DailyEntry first = play.Enter(std::nullopt, false);
    EXPECT_FALSE(first.resume);
    EXPECT_TRUE(first.game.ranked);
    EXPECT_EQ(first.game.day, kDay);
    EXPECT_EQ(first.game.level, rules::DailyLevel(kDay));
    EXPECT_EQ(first.game.start, rules::DailyStart(kDay));

    // The attempt ends; the streak counts it, and the court goes on as practice.
    const std::optional<DailyOutcome> outcome = play.GameEnded(first.game.level, 420);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->score, 420);
    EXPECT_EQ(outcome->day, kDay);
    EXPECT_EQ(outcome->currentStreak, 1);
    EXPECT_FALSE(play.Current()->ranked);
    const DailyGame practice = play.Practice();
    EXPECT_FALSE(practice.ranked);
    EXPECT_EQ(practice.start, first.game.start);
    EXPECT_FALSE(play.GameEnded(practice.level, 9999));

    // A later run of the program, the same day: practice only, and the attempt keeps its score.
    DailyPlay again = Make();
    EXPECT_FALSE(again.Enter(std::nullopt, false).game.ranked);
    EXPECT_EQ(again.Statistics().Attempt(kDay)->score, 420);
    EXPECT_EQ(again.Statistics().Level(int(rules::DailyLevel(kDay)) + 1).finished, 2);
}

TEST_F(DailyPlayTest, ASavedAttemptGoesOnAndOneWhoseGameIsGoneIsGivenUp) {
    {
        DailyPlay play = Make();
        ASSERT_TRUE(play.Enter(std::nullopt, false).game.ranked);
    }
    // The slot holds the attempt: it is continued, still ranked.
    DailyPlay play = Make();
    const DailyEntry resumed = play.Enter(ReplayOf(kDay), true);
    EXPECT_TRUE(resumed.resume);
    EXPECT_TRUE(resumed.game.ranked);
    play.Leave();
    // A slot that cannot be restored (or another court's) cannot go on: the attempt is lost.
    const DailyEntry lost = play.Enter(ReplayOf(kDay - 5), true);
    EXPECT_FALSE(lost.resume);
    EXPECT_FALSE(lost.game.ranked);
    EXPECT_EQ(play.Statistics().Attempt(kDay)->state, store::AttemptState::GivenUp);
}

TEST_F(DailyPlayTest, AGameStartedBeforeMidnightBelongsToItsDay) {
    now = (kDay + 1) * kSecondsPerDay - 60;
    {
        DailyPlay play = Make();
        ASSERT_TRUE(play.Enter(std::nullopt, false).game.ranked);
    }
    now += 120; // the next UTC day
    DailyPlay play = Make();
    const DailyEntry entry = play.Enter(ReplayOf(kDay), true);
    EXPECT_TRUE(entry.resume);
    EXPECT_TRUE(entry.game.ranked);
    EXPECT_EQ(entry.game.day, kDay);
    const std::optional<DailyOutcome> outcome = play.GameEnded(entry.game.level, 77);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->day, kDay);
    EXPECT_EQ(play.Statistics().Attempt(kDay)->state, store::AttemptState::Finished);
    // The new day's attempt is still to come: entering again starts it.
    EXPECT_FALSE(play.Statistics().Attempt(kDay + 1));
    play.Leave();
    const DailyEntry next = play.Enter(ReplayOf(kDay), true);
    EXPECT_FALSE(next.resume);
    EXPECT_TRUE(next.game.ranked);
    EXPECT_EQ(next.game.day, kDay + 1);
    EXPECT_EQ(play.Statistics().Attempt(kDay + 1)->state, store::AttemptState::Playing);
}

TEST_F(DailyPlayTest, YesterdaysPracticeIsNotContinuedAndAClockSetBackRanksNothing) {
    {
        DailyPlay play = Make();
        play.Enter(std::nullopt, false);
        play.GameEnded(rules::DailyLevel(kDay), 10);
    }
    now += kSecondsPerDay;
    {
        DailyPlay play = Make();
        // Yesterday's finished court in the slot gives way to today's attempt.
        const DailyEntry entry = play.Enter(ReplayOf(kDay), true);
        EXPECT_FALSE(entry.resume);
        EXPECT_TRUE(entry.game.ranked);
        EXPECT_EQ(entry.game.day, kDay + 1);
    }
    // Two days back: a day before the latest attempt is never ranked.
    now -= 2 * kSecondsPerDay;
    DailyPlay play = Make();
    const DailyEntry entry = play.Enter(std::nullopt, false);
    EXPECT_EQ(entry.game.day, kDay - 1);
    EXPECT_FALSE(entry.game.ranked);
}

TEST_F(DailyPlayTest, PracticeDuringTheAttemptGivesItUp) {
    DailyPlay play = Make();
    ASSERT_TRUE(play.Enter(std::nullopt, false).game.ranked);
    EXPECT_FALSE(play.Practice().ranked);
    EXPECT_EQ(play.Statistics().Attempt(kDay)->state, store::AttemptState::GivenUp);
    EXPECT_FALSE(play.GameEnded(rules::DailyLevel(kDay), 50));
}

TEST_F(DailyPlayTest, AClockOutsideTheCalendarStaysOnItsEdges) {
    now = -5;
    EXPECT_EQ(Make().Today(), 0);
    now = (rules::kLastDailyDay + 10) * kSecondsPerDay;
    EXPECT_EQ(Make().Today(), rules::kLastDailyDay);
}

TEST(DailyShare, TellsTheDayLevelScoreAndStreakAndNothingOfTheCourt) {
    const DailyOutcome outcome{rules::DaysSinceEpoch({2026, 12, 31}), rules::Level::Expert, 1234, 1, 4};
    EXPECT_EQ(DailyShareText(outcome), "Hoopstack daily 2026-12-31 (Expert): 1234 points, streak 1 day");
    const DailyOutcome two{0, rules::Level::Novice, 1, 2, 2};
    EXPECT_EQ(DailyShareText(two), "Hoopstack daily 1970-01-01 (Novice): 1 point, streak 2 days");
}
