#include "platform/sdl/HeldPadInput.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

// The releases as "up <button>" and "axis <axis> <value>".
std::vector<std::string> releasedText(const std::vector<NativeEvent>& events) {
    std::vector<std::string> out;
    for (const NativeEvent& e : events) {
        EXPECT_EQ(e.window, 0u);
        if (e.kind == NativeEvent::Kind::PadUp)
            out.push_back("up " + std::to_string(int(e.pad)));
        else if (e.kind == NativeEvent::Kind::PadAxis)
            out.push_back("axis " + std::to_string(int(e.axis)) + " " + std::to_string(e.code));
        else
            out.push_back("other");
    }
    return out;
}

} // namespace

TEST(HeldPadInput, AnUnpluggedControllerLetsGoOfWhatItHeldOnce) {
    HeldPadInput held;
    held.Button(7, PadButton::A, true);
    held.Button(7, PadButton::B, true);
    held.Button(7, PadButton::B, false);
    held.Button(7, PadButton::Right, true);
    held.Axis(7, PadAxis::LeftX, -32768);
    held.Axis(7, PadAxis::LeftY, 120);
    held.Axis(7, PadAxis::LeftY, 0);
    held.Axis(7, PadAxis::RightTrigger, 32767);
    EXPECT_EQ(releasedText(held.Release(7)),
              (std::vector<std::string>{"up 1", "up 15", "axis 1 0", "axis 6 0"}));
    EXPECT_TRUE(held.Release(7).empty());
    // A controller that held nothing, or that was never seen, leaves nothing to release.
    held.Button(8, PadButton::X, true);
    held.Button(8, PadButton::X, false);
    EXPECT_TRUE(held.Release(8).empty());
    EXPECT_TRUE(held.Release(-1).empty());
}

TEST(HeldPadInput, WhatAnotherControllerStillHoldsStaysHeld) {
    HeldPadInput held;
    held.Button(1, PadButton::A, true);
    held.Button(2, PadButton::A, true);
    held.Button(1, PadButton::Y, true);
    held.Axis(1, PadAxis::LeftX, 9000);
    held.Axis(2, PadAxis::LeftX, -300);
    held.Axis(1, PadAxis::RightX, 5);
    // Pad 2 still holds A and pushes the stick: the stick goes back to pad 2's place.
    EXPECT_EQ(releasedText(held.Release(1)), (std::vector<std::string>{"up 4", "axis 1 -300", "axis 3 0"}));
    EXPECT_EQ(releasedText(held.Release(2)), (std::vector<std::string>{"up 1", "axis 1 0"}));
}

TEST(HeldPadInput, NamesOutsideTheEnumsAreIgnored) {
    HeldPadInput held;
    held.Button(3, PadButton::None, true);
    held.Button(3, static_cast<PadButton>(200), true);
    held.Axis(3, PadAxis::None, 1000);
    held.Axis(3, static_cast<PadAxis>(kPadAxisCount), 1000);
    EXPECT_TRUE(held.Release(3).empty());
}
