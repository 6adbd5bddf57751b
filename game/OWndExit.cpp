#include "game/OWndExit.hpp"

#include "game/OGameWindow.hpp"
#include "scene/AssetNames.hpp"

namespace game {

OWndExit::OWndExit(OGameWindow* owner, const engine::CreationParams& params) : OYesNoDialog(owner, params), m_game(owner) {}

bool OWndExit::Start() {
    AddAnswers(30);
    if (!AddCentredPicture(scene::assets::kQuitPicture, 5))
        CentredText(10, 36, 0x0000FF).WriteParagraph("Quit the game?");
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndExit::Yes() {
    if (!IsLiveWindow(m_game)) return;
    m_game->SaveGame();
    m_game->SetFinished(true);
}

} // namespace game
