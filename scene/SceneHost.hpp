#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "scene/Rect.hpp"
#include "scene/WindowMutex.hpp"

namespace scene {

class OGraph;

// A non-owning view of a 24-bit pixel surface: 3 bytes per pixel in the order blue, green,
// red; rows are `stride` bytes apart. Callers address it in top-down client coordinates;
// when `bottomUp` is set, client row y lives in memory row height - 1 - y.
struct BackBufferView {
    uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    bool bottomUp = true;
};

// The first byte of client row y.
inline uint8_t* PixelRow(const BackBufferView& view, int32_t y) {
    return view.bits + std::ptrdiff_t(view.bottomUp ? view.height - 1 - y : y) * view.stride;
}

// The window a scene object is attached to, as the scene sees it. The engine's window
// implements it; scene code never depends on the engine itself.
class SceneHost {
public:
    virtual ~SceneHost() = default;

    // Takes the object out of the window's lists and forgets its pending redraw; tolerates
    // objects that are not listed. Locks the window itself.
    virtual void RemoveObject(OGraph* object) = 0;

    // Records that `origin` (handed up by its top-level ancestor `top`) is now shown (mode 0)
    // or no longer shown (mode 1) in `rect`; always sets `done`. Locks the window itself.
    virtual void ObjectNotify(OGraph* top, OGraph* origin, bool& done, int mode, const Rect& rect) = 0;

    // True while the window is being torn down; objects then stop calling back into it.
    virtual bool IsClosing() const = 0;

    // The back buffer drawable objects write into; valid only while the window lock is held.
    virtual BackBufferView BackBuffer() = 0;

    // The window lock, held by every write to the back buffer and every change to the scene.
    virtual WindowMutex& Lock() = 0;
};

} // namespace scene
