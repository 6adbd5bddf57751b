#pragma once

#include <cstdint>
#include <mutex>

#include "platform/Surface.hpp"
#include "scene/Rect.hpp"
#include "scene/Visibility.hpp"
#include "scene/WindowMutex.hpp"

namespace scene {

class OGraph;

// The window's back buffer as drawable objects write into it.
using BackBufferView = platform::Surface;

// The window a scene object is attached to, as the scene sees it. The engine's window
// implements it; scene code never depends on the engine itself.
class SceneHost {
public:
    virtual ~SceneHost() = default;

    // Takes the object out of the window's lists and forgets its pending redraw; tolerates
    // objects that are not listed. Locks the window itself.
    virtual void RemoveObject(OGraph* object) = 0;

    // Records that `origin` (handed up by its top-level ancestor `top`) is now shown or no
    // longer shown in `rect`. Locks the window itself.
    virtual void ObjectNotify(OGraph* top, OGraph* origin, Visibility visibility, const Rect& rect) = 0;

    // True while the window is being torn down; objects then stop calling back into it.
    virtual bool IsClosing() const = 0;

    // The back buffer drawable objects write into; valid only while the window lock is held.
    virtual BackBufferView BackBuffer() = 0;

    // The window lock, held by every write to the back buffer and every change to the scene.
    virtual WindowMutex& Lock() = 0;
};

} // namespace scene
