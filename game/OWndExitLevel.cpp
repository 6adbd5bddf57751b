#include "game/OWndExitLevel.hpp"

#include "game/OGameWindow.hpp"
#include "ui/TextLayout.hpp"

namespace game {

OWndExitLevel::OWndExitLevel(OGameWindow* owner) : OYesNoDialog(owner), m_game(owner) {}

bool OWndExitLevel::Start() {
    AddAnswers(10);
    ui::TextLayout layout(*this);
    layout.y = 30;
    layout.alignment = ui::TextLayout::kAlignCentre;
    layout.size = 36;
    layout.colour = 100;
    layout.WriteParagraph("Start new game?");
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndExitLevel::Yes() {
    if (IsLiveWindow(m_game)) m_game->ChangeLevel();
}

} // namespace game
