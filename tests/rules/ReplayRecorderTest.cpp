#include <gtest/gtest.h>

#include "rules/ReplayRecorder.hpp"

using namespace rules;

namespace {

void Frames(ReplayRecorder& recorder, int count) {
    for (int i = 0; i < count; ++i) {
        recorder.BeginFrame();
        recorder.EndFrame();
    }
}

} // namespace

TEST(ReplayRecorder, AStartedRecordHoldsTheGamesStartAndNothingElse) {
    ReplayRecorder recorder;
    EXPECT_EQ(recorder.Replay(), nullptr);
    recorder.Start(Level::Expert, 12345, 30, 28);
    ASSERT_NE(recorder.Replay(), nullptr);
    const GameReplay& replay = *recorder.Replay();
    EXPECT_EQ(replay.level, Level::Expert);
    EXPECT_EQ(replay.startState, 12345u);
    EXPECT_EQ(replay.ballWidth, 30);
    EXPECT_EQ(replay.ballHeight, 28);
    EXPECT_TRUE(replay.inputs.empty());
    EXPECT_EQ(replay.ticks, 0u);
    EXPECT_FALSE(replay.finished);
    EXPECT_EQ(replay.rulesVersion, GameReplay::kRulesVersion);
    EXPECT_TRUE(recorder.IsOpen());
}

TEST(ReplayRecorder, InputsAreStampedWithTheFramesCountedBeforeThem) {
    ReplayRecorder recorder;
    recorder.Start(Level::Novice, 7, 34, 33);
    recorder.Click(10, 20);
    Frames(recorder, 3);
    recorder.Click(30, 40);
    // A pace comes inside a frame: it carries the frames before that one.
    recorder.BeginFrame();
    recorder.Pace();
    recorder.EndFrame();
    recorder.Click(50, 60);
    const GameReplay& replay = *recorder.Replay();
    EXPECT_EQ(replay.ticks, 4u);
    EXPECT_EQ(replay.inputs, (std::vector<ReplayInput>{{0, ReplayInput::Kind::Click, 10, 20},
                                                       {3, ReplayInput::Kind::Click, 30, 40},
                                                       {3, ReplayInput::Kind::Pace, 0, 0},
                                                       {4, ReplayInput::Kind::Click, 50, 60}}));
}

TEST(ReplayRecorder, TheFrameOnWhichTheGameEndsIsTheLastCounted) {
    ReplayRecorder recorder;
    recorder.Start(Level::Master, 9, 34, 33);
    Frames(recorder, 2);
    recorder.BeginFrame();
    recorder.Pace();
    recorder.Close();
    recorder.Pace();
    recorder.EndFrame();
    EXPECT_FALSE(recorder.IsOpen());
    Frames(recorder, 5);
    recorder.Click(1, 2);
    const GameReplay& replay = *recorder.Replay();
    EXPECT_TRUE(replay.finished);
    EXPECT_EQ(replay.ticks, 3u);
    EXPECT_EQ(replay.inputs, (std::vector<ReplayInput>{{2, ReplayInput::Kind::Pace, 0, 0}}));

    // The next game starts a record of its own.
    recorder.Start(Level::Master, 10, 34, 33);
    EXPECT_FALSE(recorder.Replay()->finished);
    EXPECT_EQ(recorder.Replay()->ticks, 0u);
    EXPECT_TRUE(recorder.Replay()->inputs.empty());
}

TEST(ReplayRecorder, AnUnrecordedGameKeepsNothingUntilTheNextStart) {
    ReplayRecorder recorder;
    recorder.Start(Level::Novice, 3, 34, 33);
    recorder.Click(1, 1);
    recorder.StartUnrecorded();
    EXPECT_EQ(recorder.Replay(), nullptr);
    EXPECT_FALSE(recorder.IsOpen());
    recorder.Click(5, 5);
    recorder.NoteFrameCount(2, 24);
    Frames(recorder, 4);
    recorder.Close();
    EXPECT_EQ(recorder.Replay(), nullptr);
    recorder.Start(Level::Novice, 4, 34, 33);
    EXPECT_TRUE(recorder.Replay()->inputs.empty());
    EXPECT_EQ(recorder.Replay()->ticks, 0u);
    EXPECT_EQ(recorder.Replay()->frameCounts, (std::array<int, kColours>{}));
}

TEST(ReplayRecorder, AContinuedRecordGoesOnFromItsLastFrame) {
    GameReplay played;
    played.level = Level::Expert;
    played.startState = 99;
    played.ticks = 40;
    played.inputs = {{5, ReplayInput::Kind::Click, 100, 200}};
    played.frameCounts.fill(24);
    ReplayRecorder recorder;
    recorder.Continue(played);
    ASSERT_NE(recorder.Replay(), nullptr);
    recorder.Click(7, 8);
    Frames(recorder, 2);
    recorder.BeginFrame();
    recorder.Pace();
    recorder.EndFrame();
    GameReplay expected = played;
    expected.inputs = {{5, ReplayInput::Kind::Click, 100, 200},
                       {40, ReplayInput::Kind::Click, 7, 8},
                       {42, ReplayInput::Kind::Pace, 0, 0}};
    expected.ticks = 43;
    EXPECT_EQ(*recorder.Replay(), expected);
}

TEST(ReplayRecorder, FrameCountsAreKeptPerColourAndOthersIgnored) {
    ReplayRecorder recorder;
    recorder.Start(Level::Novice, 1, 34, 33);
    recorder.NoteFrameCount(1, 24);
    recorder.NoteFrameCount(7, 12);
    recorder.NoteFrameCount(0, 5);
    recorder.NoteFrameCount(8, 5);
    recorder.NoteFrameCount(1, 20);
    EXPECT_EQ(recorder.Replay()->frameCounts, (std::array<int, kColours>{20, 0, 0, 0, 0, 0, 12}));
}

TEST(ReplayRecorder, InputsBeyondTheReplayLimitAreDropped) {
    ReplayRecorder recorder;
    recorder.Start(Level::Novice, 1, 34, 33);
    for (std::uint32_t i = 0; i < kMaxReplayInputs; ++i) recorder.Pace();
    recorder.Click(3, 4);
    Frames(recorder, 1);
    recorder.Pace();
    EXPECT_EQ(recorder.Replay()->inputs.size(), std::size_t(kMaxReplayInputs));
    EXPECT_EQ(recorder.Replay()->inputs.back().kind, ReplayInput::Kind::Pace);
    EXPECT_EQ(recorder.Replay()->inputs.back().tick, 0u);
    EXPECT_EQ(recorder.Replay()->ticks, 1u);
}
