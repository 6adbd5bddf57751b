#include "game/OWndExitLevel.hpp"
#include "ui/Translation.hpp"

#include <utility>

namespace game {

OWndExitLevel::OWndExitLevel(engine::OWindow* owner, const engine::CreationParams& params,
                             std::function<void()> changeLevel)
    : OYesNoDialog(owner, params), m_changeLevel(std::move(changeLevel)) {}

bool OWndExitLevel::Start() {
    AddAnswers(10);
    CentredText(30, 36, 100).WriteParagraph(ui::Tr("Start new game?"));
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndExitLevel::Yes() {
    if (m_changeLevel && IsLiveWindow(Owner())) m_changeLevel();
}

} // namespace game
