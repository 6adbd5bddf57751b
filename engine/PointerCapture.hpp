#pragma once

namespace engine {

// Where a window's control router takes and lets go of the mouse on the platform.
class PointerCapture {
public:
    // Routes every mouse event to the window.
    virtual void TakePointer() = 0;
    // Lets the mouse go, if this window still holds it.
    virtual void ReleasePointer() = 0;

protected:
    ~PointerCapture() = default;
};

} // namespace engine
