#include "game/OWndHelp.hpp"

#include "engine/ControlEvents.hpp"
#include "game/DialogSound.hpp"
#include "ui/OButton.hpp"
#include "ui/TextLayout.hpp"

namespace game {

const char* const OWndHelp::kTitle = "Hoopstack rules:";

// The runs of spaces in the fifth paragraph are kept: each extra space is a word of its own.
const char* const OWndHelp::kParagraphs[6] = {
    "In a nutshell: The goal is to remove all the balls from the board - they disappear if three ones of the same color come together.",
    "The game starts with the field half-filled with colorful basketballs. You can pick one of them and throw it up in the air. To do this, click on the ball and then on the point in the air that will be the highest spot in basketball's flight. If it lands next to balls of same color, they will disappear, and you add points to your score. If not, a few balls will drop from the row under the ceiling, and they really like to stack in piles. You can also throw the ball downwards, but this would give you far less points then an upward throw. The flying ball can reflect from the walls, and bounce off the floor, as you would expect it to do.",
    "For every basketball that disappears after your throw, you will get points. You will gain more points for longer and more difficult throws (up to 15 apiece), and only 1 point is given if the ball was thrown downwards.",
    "At the Expert and Master levels more balls will drop after every unsuccessful move. In addition, when playing Master you are given two tries for each throw, but cannot choose which ball to throw - you will need some training beforehand.",
    "If all the balls of some color go away, they will not appear again later   in the game. The game can end in two ways: either the balls pile up to      the ceiling, or you cope with them and leave just one color on the field -  and get your points multiplied by ten as a bonus. ",
    "Have fun!"};

OWndHelp::OWndHelp(engine::OWindow* owner, const engine::CreationParams& params) : ODialog(owner, params) {}

bool OWndHelp::Start() {
    m_play = MakeButton("Play");
    m_play->SetPosition(float(Width()) - m_play->Width() - 10, float(Height()) - m_play->Height() - 10,
                        m_play->RelativeZ());
    AddObject(m_play);
    m_play->Caption()->Realign();
    SetFocusControl(m_play);

    ui::TextLayout layout(*this);
    layout.SetMargins(20, Width() - 20);
    layout.y = 0;
    layout.alignment = ui::TextLayout::kAlignCentre;
    layout.size = 36;
    layout.colour = 100;
    layout.WriteParagraph(kTitle);
    layout.alignment = ui::TextLayout::kAlignLeft;
    layout.size = 18;
    layout.colour = 0;
    layout.weight = 500;
    for (const char* paragraph : kParagraphs) {
        layout.y += 5;
        layout.WriteParagraph(paragraph);
    }
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndHelp::ControlEvent(engine::WindowControl* sender, int code) {
    if (Ended() || !sender || sender->Graph() != m_play) return;
    PlayAnswerHoverSound(code);
    if (code == engine::Event_Click) EndDialog();
}

void OWndHelp::Cancel() {
    EndDialog();
}

} // namespace game
