#pragma once

#include <functional>

#include "game/OYesNoDialog.hpp"

namespace game {

// "Start new game?" before a scored game is given up for the next level: "Yes" runs the
// owner's level change while the owner lives (the game window moves to the next level, after
// "Master" back to "Novice", and starts a new game there).
class OWndExitLevel : public OYesNoDialog {
public:
    static constexpr int kWidth = 270;
    static constexpr int kHeight = 150;

    OWndExitLevel(engine::OWindow* owner, const engine::CreationParams& params,
                  std::function<void()> changeLevel);

    bool Start() override;

private:
    void Yes() override;

    std::function<void()> m_changeLevel;
};

} // namespace game
