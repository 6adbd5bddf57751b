#pragma once

#include <cstdint>
#include <vector>

#include "scene/OGraph.hpp"

namespace engine {

// A window's scene objects other than its controls, in the order they were added; each
// object's order number is its place in the list, counted from 1. The window's lock guards
// every call.
class SceneList {
public:
    // Appends the object; returns its order number.
    int Add(scene::OGraph* object);
    // Takes the object out, moving the later ones up; false when it is not listed.
    bool Remove(scene::OGraph* object);
    // Ticks every live object in order; the count is read again at each step, so objects
    // added during the pass tick in it too.
    void Tick(std::uint32_t time);
    // Empties the list and hands back what it held.
    std::vector<scene::OGraph*> TakeAll();
    const std::vector<scene::OGraph*>& Objects() const { return m_objects; }

    // Releases an object its window lets go of; one that survives its release (a static or
    // shared object) is detached from the window instead.
    static void ReleaseFromWindow(scene::OGraph* object);
    // Moves every live object from `from` on one place up in its window's order.
    static void MoveUp(std::vector<scene::OGraph*>& objects, std::vector<scene::OGraph*>::iterator from);

private:
    std::vector<scene::OGraph*> m_objects;
};

} // namespace engine
