#pragma once

#include <cstdint>

namespace scene {
class OGraph;
}

namespace engine {

// What a window needs of a control: the input operations it routes to it.
// Controls are scene objects that also implement this interface; coordinates
// are local to the control (window coordinate minus the control's x or y).
class WindowControl {
public:
    virtual ~WindowControl() = default;

    // The control as a scene object (its position, parent and liveness).
    virtual scene::OGraph* Graph() = 0;
    // Whether Tab and SetFocusControl may give it the focus.
    virtual bool IsFocusable() const = 0;

    virtual bool HitTest(int x, int y) = 0;
    // Told when the capture moves from or to this control; `capture` is the new holder.
    virtual void OnCaptureChange(WindowControl* capture) = 0;
    virtual void OnMouseMove(int x, int y) = 0;
    // Told when the focus moves from or to this control; `focus` is the new holder.
    virtual void OnFocusChange(WindowControl* focus) = 0;
    virtual void OnKeyDown(int code, int x, int y) = 0;
    virtual void OnKeyUp(int code, int x, int y) = 0;
    virtual void OnChar(std::uint8_t ch) = 0;
};

} // namespace engine
