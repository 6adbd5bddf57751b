#include "game/OWndExit.hpp"

#include "game/OGameWindow.hpp"
#include "scene/OClip.hpp"
#include "ui/TextLayout.hpp"

namespace game {

OWndExit::OWndExit(OGameWindow* owner) : OYesNoDialog(owner), m_game(owner) {}

bool OWndExit::Start() {
    AddAnswers(30);
    auto* picture = new scene::OClip;
    if (picture->LoadFile("CLP\\ExitPic.clp")) {
        picture->SetPosition((float(Width()) - picture->Width()) / 2, 5, picture->RelativeZ());
        AddObject(picture);
    } else {
        scene::OGraph::Release(picture);
        ui::TextLayout layout(*this);
        layout.y = 10;
        layout.alignment = ui::TextLayout::kAlignCentre;
        layout.size = 36;
        layout.colour = 0x0000FF;
        layout.WriteParagraph("Quit the game?");
    }
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndExit::Yes() {
    if (!IsLiveWindow(m_game)) return;
    m_game->SaveGame();
    m_game->SetFinished(true);
}

} // namespace game
