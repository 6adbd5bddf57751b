#pragma once

#include <map>

#include "platform/Platform.hpp"

namespace engine {

class OWindow;

// Turns platform events into calls of the window objects' operations, on the
// main thread, each under the window's lock. It also drags a window by its
// drag rectangle: a left press there that no control claims captures the
// mouse and moves the window with it until the release; other mouse input
// over that area does not reach the window.
class WindowProcedure {
public:
    void Dispatch(const platform::Event& event);

private:
    struct Drag {
        int grabX = 0;
        int grabY = 0;
    };

    void Handle(OWindow& window, const platform::Event& event);
    void CloseRequested(OWindow& window);
    void Destroyed(OWindow& window);
    static bool IsInput(const platform::Event& event);
    // True for a mouse event over the window's caption area, which only drags the window.
    static bool InCaption(OWindow& window, const platform::Event& event);
    bool BeginDrag(OWindow& window, int x, int y);
    bool IsDragging(platform::WindowId id) const;

    std::map<platform::WindowId, Drag> m_drags;
};

} // namespace engine
