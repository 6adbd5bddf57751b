#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/Gamepad.hpp"
#include "platform/NativeDriver.hpp"

namespace platform {

// What each open game controller holds: its buttons down and its axes off zero, so that a
// controller that is unplugged lets go of them instead of leaving input held for ever.
// Controllers are told apart by a number of the caller's (SDL's instance id).
class HeldPadInput {
public:
    void Button(std::int32_t pad, PadButton button, bool down);
    void Axis(std::int32_t pad, PadAxis axis, int value);
    // Forgets the controller and returns what its going means for the program: a PadUp for
    // each button it held that no other controller holds, and for each axis it had off zero
    // a PadAxis back to another controller's value off zero, or else to 0.
    std::vector<NativeEvent> Release(std::int32_t pad);

private:
    struct State {
        std::array<bool, kPadButtonCount> down{};
        std::array<int, kPadAxisCount> axis{};
    };

    std::map<std::int32_t, State> m_pads;
};

} // namespace platform
