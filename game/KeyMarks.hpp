#pragma once

#include "game/CourtCursor.hpp"

namespace engine {
class OWindow;
}
namespace scene {
class OClip;
}

namespace game {

// The pictures of key and gamepad play on a court window: the highlighted cell and the aim
// mark, above the balls. Either may be missing; then it simply does not show. The window owns
// the clips once loaded, so they live as long as its scene.
class KeyMarks {
public:
    // Loads both pictures and adds them to the window, hidden.
    void Load(engine::OWindow& window);
    // Shows what the cursor points at: the cell while picking, the mark while aiming.
    void Show(const CourtCursor& cursor, const rules::CourtGeometry& court);
    void Hide();

    scene::OClip* Cell() const { return m_cell; }
    scene::OClip* Aim() const { return m_aim; }

private:
    scene::OClip* m_cell = nullptr;
    scene::OClip* m_aim = nullptr;
};

} // namespace game
