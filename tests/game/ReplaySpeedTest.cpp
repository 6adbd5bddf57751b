// The replay window's speeds and keys, apart from any window.

#include <gtest/gtest.h>

#include <vector>

#include "game/ReplayKeys.hpp"
#include "game/ReplaySpeed.hpp"
#include "platform/KeyCodes.hpp"

using namespace game;

namespace {

TEST(ReplaySpeed, DoublesFromX1ToX8AndHalvesBackWithoutPassingEitherEnd) {
    ReplaySpeed speed;
    EXPECT_EQ(speed.FramesPerShownFrame(), 1);
    EXPECT_EQ(speed.Label(), "x1");
    EXPECT_TRUE(speed.IsSlowest());
    EXPECT_FALSE(speed.Slower());
    EXPECT_EQ(speed.FramesPerShownFrame(), 1);
    std::vector<int> up;
    while (speed.Faster()) up.push_back(speed.FramesPerShownFrame());
    EXPECT_EQ(up, (std::vector<int>{2, 4, 8}));
    EXPECT_TRUE(speed.IsFastest());
    EXPECT_EQ(speed.Label(), "x8");
    EXPECT_FALSE(speed.Faster());
    EXPECT_EQ(speed.FramesPerShownFrame(), 8);
    std::vector<std::string> down;
    while (speed.Slower()) down.push_back(speed.Label());
    EXPECT_EQ(down, (std::vector<std::string>{"x4", "x2", "x1"}));
    EXPECT_TRUE(speed.IsSlowest());
}

TEST(ReplayKeys, SpaceSignsAndHomeAreTheReplaysKeysAndNoOtherKeyIs) {
    EXPECT_EQ(ReplayCommandForKey(platform::Key_Space), ReplayCommand::PauseOrPlay);
    EXPECT_EQ(ReplayCommandForKey(platform::Key_Plus), ReplayCommand::Faster);
    EXPECT_EQ(ReplayCommandForKey(platform::Key_Add), ReplayCommand::Faster);
    EXPECT_EQ(ReplayCommandForKey(platform::Key_Minus), ReplayCommand::Slower);
    EXPECT_EQ(ReplayCommandForKey(platform::Key_Subtract), ReplayCommand::Slower);
    EXPECT_EQ(ReplayCommandForKey(platform::Key_Home), ReplayCommand::Restart);
    // P and Pause stay the court window's own; Escape, Enter and the panel's letters keep
    // their meanings; End, the arrows and the mouse buttons ask for nothing.
    for (int code : {int('P'), int(platform::Key_Pause), int(platform::Key_Escape), int(platform::Key_Return),
                     int('N'), int('R'), int('Q'), int(platform::Key_End), int(platform::Key_Left),
                     int(platform::Key_Right), int(platform::Key_LButton), int('='), int('+'), int('-'), 0})
        EXPECT_EQ(ReplayCommandForKey(code), ReplayCommand::None) << code;
}

} // namespace
