#pragma once

namespace engine {

// Codes a control passes to its window's ControlEvent; when several state bits
// change at once, the events are emitted in the order of this list.
enum ControlEventCode : int {
    Event_MouseEntered = 1,
    Event_MouseLeft = 2,
    Event_FocusGained = 4,
    Event_FocusLost = 8,
    Event_Captured = 16,
    Event_Released = 32,
    Event_MousePressed = 64,
    Event_MouseReleased = 128,
    Event_EnterPressed = 256,
    Event_EnterReleased = 512,
    Event_Click = 1024,
};

} // namespace engine
