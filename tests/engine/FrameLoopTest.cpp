#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "engine/FrameLoop.hpp"

namespace {

using engine::FrameLoop;

TEST(FrameLoop, TheRateIsRaisedButNeverLoweredAndAtLeastOneWhenRead) {
    FrameLoop loop;
    EXPECT_EQ(loop.FramesPerSecond(), 50);
    loop.RaiseFramesPerSecond(25);
    EXPECT_EQ(loop.FramesPerSecond(), 50);
    loop.RaiseFramesPerSecond(60);
    EXPECT_EQ(loop.FramesPerSecond(), 60);
    loop.SetFramesPerSecond(-4);
    EXPECT_EQ(loop.SteadyFramesPerSecond(), 1);
    EXPECT_EQ(loop.FramesPerSecond(), 1);
}

TEST(FrameLoop, AStopCutsTheSleepShortAndStaysUntilCleared) {
    FrameLoop loop;
    EXPECT_FALSE(loop.StopRequested());
    loop.RequestStop();
    const auto start = std::chrono::steady_clock::now();
    loop.WaitForStop(60000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_TRUE(loop.StopRequested());
    loop.ClearStop();
    EXPECT_FALSE(loop.StopRequested());
}

TEST(FrameLoop, TheThreadRunsItsBodyUntilStoppedAndIsJoined) {
    FrameLoop loop;
    std::atomic<int> passes{0};
    EXPECT_FALSE(loop.HasThread());
    loop.StartThread([&] {
        while (!loop.StopRequested()) {
            ++passes;
            loop.CountFrame();
            loop.WaitForStop(1);
        }
    });
    EXPECT_TRUE(loop.HasThread());
    while (loop.FramesRun() < 3) std::this_thread::yield();
    loop.RequestStop();
    loop.EndThread();
    EXPECT_FALSE(loop.HasThread());
    EXPECT_EQ(std::uint64_t(passes), loop.FramesRun());
}

} // namespace
