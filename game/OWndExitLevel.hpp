#pragma once

#include "game/OYesNoDialog.hpp"

namespace game {

class OGameWindow;

// "Start new game?" before a scored game is given up for the next level: "Yes" moves to
// the next level (after "Master" back to "Novice") and starts a new game there.
class OWndExitLevel : public OYesNoDialog {
public:
    static constexpr int kWidth = 270;
    static constexpr int kHeight = 150;

    OWndExitLevel(OGameWindow* owner, const engine::CreationParams& params);

    bool Start() override;

private:
    void Yes() override;

    OGameWindow* m_game;
};

} // namespace game
