#include "game/OWndExit.hpp"

#include <utility>

#include "scene/AssetNames.hpp"
#include "ui/Translation.hpp"

namespace game {

OWndExit::OWndExit(engine::OWindow* owner, const engine::CreationParams& params, std::function<void()> quit)
    : OYesNoDialog(owner, params), m_quit(std::move(quit)) {}

bool OWndExit::Start() {
    AddAnswers(30);
    if (!AddCentredPicture(scene::assets::kQuitPicture, 5))
        CentredText(10, 36, 0x0000FF).WriteParagraph(ui::Tr("Quit the game?"));
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndExit::Yes() {
    if (m_quit && IsLiveWindow(Owner())) m_quit();
}

} // namespace game
