#pragma once

#include "game/OYesNoDialog.hpp"

namespace game {

class OGameWindow;

// "Quit the game?": "Yes" saves the game and finishes the game window, which ends the
// program; "No" goes back to the game.
class OWndExit : public OYesNoDialog {
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 200;

    OWndExit(OGameWindow* owner, const engine::CreationParams& params);

    bool Start() override;

private:
    void Yes() override;

    OGameWindow* m_game;
};

} // namespace game
