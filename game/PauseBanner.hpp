#pragma once

#include "ui/Translation.hpp"

namespace engine {
class OWindow;
}
namespace rules {
struct CourtGeometry;
}
namespace scene {
class OClip;
}
namespace ui {
class OText;
}

namespace game {

// "Paused" on its plate across the middle of the court, hidden while the game runs. The
// window owns both pictures once loaded; a missing plate leaves the word alone.
class PauseBanner {
public:
    void Load(engine::OWindow& window, const rules::CourtGeometry& court);
    void Show(bool shown);
    bool Shown() const { return m_shown; }

    static constexpr const char* kText = ui::TrLater("Paused");

private:
    scene::OClip* m_plate = nullptr;
    ui::OText* m_text = nullptr;
    bool m_shown = false;
};

} // namespace game
