#include "game/OWndExitLevel.hpp"

#include "game/OGameWindow.hpp"

namespace game {

OWndExitLevel::OWndExitLevel(OGameWindow* owner, const engine::CreationParams& params) : OYesNoDialog(owner, params), m_game(owner) {}

bool OWndExitLevel::Start() {
    AddAnswers(10);
    CentredText(30, 36, 100).WriteParagraph("Start new game?");
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndExitLevel::Yes() {
    if (IsLiveWindow(m_game)) m_game->ChangeLevel();
}

} // namespace game
