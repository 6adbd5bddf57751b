#pragma once

#include <cstdint>
#include <vector>

#include "engine/PointerCapture.hpp"
#include "engine/WindowControl.hpp"
#include "scene/OGraph.hpp"

namespace engine {

// Which way a key moves the focus through a window's controls.
enum class FocusStep : std::uint8_t { Forward, Backward };

// The entry of `order` that holds `focus`: the focus control itself, or the nearest of its
// ancestors that is listed (a check box holds the focus its state control has). Null for none.
scene::OGraph* FocusEntry(const std::vector<scene::OGraph*>& order, WindowControl* focus);

// The control one step reaches in `order` (scene objects that are WindowControls) from the
// entry holding `focus`, passing over dead, hidden and unfocusable entries and wrapping around
// at either end; without such an entry, the first one forward or the last one backward. Null
// when no entry can take the focus.
WindowControl* SteppedFocus(const std::vector<scene::OGraph*>& order, WindowControl* focus, FocusStep step);

// A window's controls and the input routed to them: the control list in order, the capture
// control that takes the mouse buttons, the focus control that takes the keys, and Tab
// traversal. Positions given are the window's; the controls get their own (the window
// coordinate minus the control's x or y, truncated toward zero). It tells only the controls
// and the platform's pointer capture; the window's lock guards every call.
class ControlRouter {
public:
    explicit ControlRouter(PointerCapture& pointer) : m_pointer(pointer) {}
    ControlRouter(const ControlRouter&) = delete;
    ControlRouter& operator=(const ControlRouter&) = delete;

    // Appends a control (a scene object that is a WindowControl); returns its order.
    int Add(scene::OGraph* control);
    // Takes the object out of the list, moving the later ones up, and drops the capture and
    // focus it holds; an object not listed only loses them.
    void Remove(scene::OGraph* object);
    // Empties the list and hands back what it held.
    std::vector<scene::OGraph*> TakeAll();
    const std::vector<scene::OGraph*>& Controls() const { return m_controls; }

    WindowControl* Capture() const { return m_capture; }
    WindowControl* Focus() const { return m_focus; }
    // The old holder is told first, then the platform, then the new holder.
    void SetCapture(WindowControl* control);
    // A control that is not focusable is refused.
    void SetFocus(WindowControl* control);
    // The next focusable control after the top-level ancestor of the focus, or none at the end.
    void FocusNext();
    // Clears the capture and the focus without telling the controls.
    void Forget();

    // To the capture control, or else to each control the position hits until one captures.
    void MouseMove(int x, int y);
    // Buttons to the capture control, keys to the focus control; a Tab without a focus
    // control moves the focus on.
    void KeyDown(int code, int x, int y);
    void KeyUp(int code, int x, int y);
    void Char(std::uint8_t ch);
    // True when a listed control answers the hit test at the window position.
    bool Claims(int x, int y) const;

private:
    PointerCapture& m_pointer;
    std::vector<scene::OGraph*> m_controls; // each also a WindowControl
    WindowControl* m_focus = nullptr;
    WindowControl* m_capture = nullptr;
};

} // namespace engine
