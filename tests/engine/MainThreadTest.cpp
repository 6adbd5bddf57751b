#include <gtest/gtest.h>

#include <thread>

#include "engine/MainThread.hpp"
#include "tools/driver/HeadlessDriver.hpp"

namespace {

bool IsCurrentOnAnotherThread() {
    bool current = true;
    std::thread([&] { current = engine::MainThread::IsCurrent(); }).join();
    return current;
}

TEST(MainThread, NoThreadIsTheMainThreadBeforeOneIsClaimed) {
    engine::MainThread::Reset();
    EXPECT_FALSE(engine::MainThread::IsCurrent());
    EXPECT_FALSE(IsCurrentOnAnotherThread());

    // With nobody to hand work to, work runs on the caller, whichever thread it is.
    std::thread::id ranOn;
    std::thread([&] { engine::MainThread::Run([&] { ranOn = std::this_thread::get_id(); }); }).join();
    EXPECT_NE(ranOn, std::thread::id{});
    EXPECT_NE(ranOn, std::this_thread::get_id());
}

TEST(MainThread, OnlyTheClaimedThreadIsCurrentAndAFirstClaimStays) {
    driver::HeadlessDriver driver;
    EXPECT_TRUE(engine::MainThread::IsCurrent());
    EXPECT_FALSE(IsCurrentOnAnotherThread());

    // A window made on another thread later must not take the claim over.
    std::thread([] { engine::MainThread::ClaimIfUnclaimed(); }).join();
    EXPECT_TRUE(engine::MainThread::IsCurrent());

    // Work handed over from another thread runs here, when this thread serves the queue.
    std::thread::id ranOn;
    std::thread poster([&] { engine::MainThread::Post([&] { ranOn = std::this_thread::get_id(); }); });
    poster.join();
    EXPECT_EQ(ranOn, std::thread::id{});
    engine::MainThread::RunPending();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    engine::MainThread::Reset();

    // After a reset the next claimer becomes the main thread.
    std::thread([] {
        engine::MainThread::ClaimIfUnclaimed();
        EXPECT_TRUE(engine::MainThread::IsCurrent());
    }).join();
    EXPECT_FALSE(engine::MainThread::IsCurrent());
    engine::MainThread::Reset();
}

} // namespace
