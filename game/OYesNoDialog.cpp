#include "game/OYesNoDialog.hpp"

#include "engine/ControlEvents.hpp"
#include "game/DialogSound.hpp"
#include "ui/OButton.hpp"
#include "ui/Translation.hpp"

namespace game {

void OYesNoDialog::AddAnswers(int gap, Answer byDefault) {
    m_yes = MakeButton(ui::Tr("Yes"));
    m_no = MakeButton(ui::Tr("No"));
    AddButtonPair(m_yes, m_no, gap);
    SetKeyOrder({m_yes, m_no});
    SetDefaultControl(byDefault == Answer::Yes ? m_yes : m_no);
}

void OYesNoDialog::ControlEvent(engine::WindowControl* sender, int code) {
    if (Ended() || !sender) return;
    const scene::OGraph* button = sender->Graph();
    if (button != m_yes && button != m_no) return;
    PlayAnswerHoverSound(code);
    if (code != engine::Event_Click) return;
    if (button == m_yes) Yes();
    EndDialog();
}

void OYesNoDialog::Cancel() {
    EndDialog();
}

} // namespace game
