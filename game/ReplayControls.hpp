#pragma once

#include "game/ReplayKeys.hpp"

namespace engine {
class OWindow;
}
namespace scene {
class OGraph;
}
namespace ui {
class OButton;
}

namespace game {

class ReplaySpeed;

// The replay window's buttons in its panel: restart and pause (play while the replay stands)
// in one row, slower and faster in the next, faster showing the speed. The window they are
// built on shows and frees them.
class ReplayControls {
public:
    // Makes the buttons, centres their rows on `middle` from `top` down and adds them to the
    // window.
    void Build(engine::OWindow& window, float middle, float top);
    // The command of the button a control event came from, or None.
    ReplayCommand Which(const scene::OGraph* graph) const;
    // Pause shows while the replay plays, play while it stands still.
    void ShowPaused(bool paused);
    // The faster button shows the speed.
    void ShowSpeed(const ReplaySpeed& speed);

    ui::OButton* PauseButton() const { return m_pause; }
    ui::OButton* PlayButton() const { return m_play; }
    ui::OButton* RestartButton() const { return m_restart; }
    ui::OButton* SlowerButton() const { return m_slower; }
    ui::OButton* FasterButton() const { return m_faster; }

private:
    ui::OButton* m_pause = nullptr;
    ui::OButton* m_play = nullptr;
    ui::OButton* m_restart = nullptr;
    ui::OButton* m_slower = nullptr;
    ui::OButton* m_faster = nullptr;
};

} // namespace game
