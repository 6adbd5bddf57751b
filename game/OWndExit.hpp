#pragma once

#include <functional>

#include "game/OYesNoDialog.hpp"

namespace game {

// "Quit the game?": "Yes" runs the owner's quit (the game window saves the game and finishes,
// which ends the program) while the owner lives; "No" goes back to the game.
class OWndExit : public OYesNoDialog {
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 200;

    OWndExit(engine::OWindow* owner, const engine::CreationParams& params, std::function<void()> quit);

    bool Start() override;

private:
    void Yes() override;

    std::function<void()> m_quit;
};

} // namespace game
