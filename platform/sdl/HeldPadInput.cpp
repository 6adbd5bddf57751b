#include "platform/sdl/HeldPadInput.hpp"

namespace platform {

void HeldPadInput::Button(std::int32_t pad, PadButton button, bool down) {
    const auto index = static_cast<std::size_t>(button);
    if (button == PadButton::None || index >= kPadButtonCount) return;
    m_pads[pad].down[index] = down;
}

void HeldPadInput::Axis(std::int32_t pad, PadAxis axis, int value) {
    const auto index = static_cast<std::size_t>(axis);
    if (axis == PadAxis::None || index >= kPadAxisCount) return;
    m_pads[pad].axis[index] = value;
}

std::vector<NativeEvent> HeldPadInput::Release(std::int32_t pad) {
    std::vector<NativeEvent> out;
    const auto it = m_pads.find(pad);
    if (it == m_pads.end()) return out;
    const State gone = it->second;
    m_pads.erase(it);
    for (std::size_t i = 1; i < kPadButtonCount; ++i) {
        if (!gone.down[i]) continue;
        bool heldElsewhere = false;
        for (const auto& [other, state] : m_pads) heldElsewhere = heldElsewhere || state.down[i];
        if (heldElsewhere) continue; // Its release comes from the controller that holds it.
        NativeEvent up;
        up.kind = NativeEvent::Kind::PadUp;
        up.pad = static_cast<PadButton>(i);
        out.push_back(up);
    }
    for (std::size_t i = 1; i < kPadAxisCount; ++i) {
        if (gone.axis[i] == 0) continue;
        int rest = 0;
        for (const auto& [other, state] : m_pads)
            if (rest == 0) rest = state.axis[i];
        NativeEvent moved;
        moved.kind = NativeEvent::Kind::PadAxis;
        moved.axis = static_cast<PadAxis>(i);
        moved.code = rest;
        out.push_back(moved);
    }
    return out;
}

} // namespace platform
