#pragma once

#include <cstdint>
#include <optional>

#include "game/CourtKeys.hpp"
#include "platform/Gamepad.hpp"
#include "ui/HeldRepeat.hpp"

namespace game {

// Play on the court with a game controller, through the same cursor as the keys: the d-pad
// and the left stick move it (the stick's speed follows its deflection), A picks and throws,
// B gives the pick up. Every effect on the game is a click the window makes. The d-pad, which
// repeats nothing itself, repeats while held, faster the longer it is.
class CourtPad {
public:
    // A pad button on the court; `handled` false for a button the court has no use for.
    CourtKeyAnswer ButtonDown(platform::PadButton button, CourtKeys& keys, const rules::TGame& game,
                              std::uint32_t now);
    void ButtonUp(platform::PadButton button);
    void AxisMoved(platform::PadAxis axis, int value);
    // Once a frame at time `now`: the held d-pad's repeats and the stick's travel. True when
    // the cursor moved.
    bool Frame(CourtKeys& keys, const rules::TGame& game, std::uint32_t now);
    // Forgets what is held, as when the window loses the focus.
    void Release();

    // How long the d-pad is held before it repeats, and how often it then does.
    static constexpr std::uint32_t kRepeatDelay = ui::HeldRepeat::kDelay;
    static constexpr std::uint32_t kRepeatPeriod = ui::HeldRepeat::kPeriod;

private:
    // The stick, tilted past half way while picking, walks the highlight as the d-pad does.
    std::optional<CursorDirection> StickDirection() const;
    void Hold(CursorDirection direction, bool byStick, std::uint32_t now);
    std::optional<CursorDirection> Held() const;

    ui::HeldRepeat m_held; // the d-pad's direction, or the stick's while picking
    bool m_heldByStick = false;
    int m_stickX = 0;
    int m_stickY = 0;
    double m_carryX = 0; // the stick's travel not yet a whole pixel
    double m_carryY = 0;
};

} // namespace game
