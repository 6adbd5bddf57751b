#include "game/OWndHelp.hpp"

#include <string>

#include <algorithm>

#include "engine/ControlEvents.hpp"
#include "game/DialogSound.hpp"
#include "platform/KeyCodes.hpp"
#include "ui/OButton.hpp"
#include "ui/TextLayout.hpp"
#include "ui/Translation.hpp"

namespace game {

const char* const OWndHelp::kTitle = ui::TrLater("Hoopstack rules:");

// The runs of spaces in the fifth paragraph are kept: each extra space is a word of its own.
const char* const OWndHelp::kParagraphs[6] = {
    ui::TrLater("In a nutshell: The goal is to remove all the balls from the board - they disappear if three "
                "ones of the same color come together."),
    ui::TrLater(
        "The game starts with the field half-filled with colorful basketballs. You can pick one of them and "
        "throw it up in the air. To do this, click on the ball and then on the point in the air that will be "
        "the highest spot in basketball's flight. If it lands next to balls of same color, they will "
        "disappear, and you add points to your score. If not, a few balls will drop from the row under the "
        "ceiling, and they really like to stack in piles. You can also throw the ball downwards, but this "
        "would give you far less points then an upward throw. The flying ball can reflect from the walls, "
        "and bounce off the floor, as you would expect it to do."),
    ui::TrLater("For every basketball that disappears after your throw, you will get points. You will gain "
                "more points for longer and more difficult throws (up to 15 apiece), and only 1 point is "
                "given if the ball was thrown downwards."),
    ui::TrLater("At the Expert and Master levels more balls will drop after every unsuccessful move. In "
                "addition, when playing Master you are given two tries for each throw, but cannot choose "
                "which ball to throw - you will need some training beforehand."),
    ui::TrLater(
        "If all the balls of some color go away, they will not appear again later   in the game. The game "
        "can end in two ways: either the balls pile up to      the ceiling, or you cope with them and leave "
        "just one color on the field -  and get your points multiplied by ten as a bonus. "),
    ui::TrLater("Have fun!")};

const char* const OWndHelp::kKeysTitle = ui::TrLater("Hoopstack keys:");

const OWndHelp::KeyGroup OWndHelp::kKeyGroups[5] = {
    {ui::TrLater("Court:"),
     ui::TrLater(
         "The arrow keys move the highlighted cell, then the aim mark (with Shift: by 1 pixel). Space or "
         "Enter "
         "selects the ball, then throws it. Escape or Backspace gives the selection up. P or Pause pauses.")},
    {ui::TrLater("Panel:"),
     ui::TrLater(
         "N new game, L level, O or F3 options, T or F2 Top 10, R or F1 rules (F1 again: this page), M more "
         "games, D the day's court, S statistics, Q quit, F11 or Alt+Enter full screen.")},
    {ui::TrLater("Dialogs:"),
     ui::TrLater(
         "Tab, Shift+Tab or the arrow keys move the focus. Enter or Space presses. Escape is No, Cancel or "
         "close.")},
    {ui::TrLater("Gamepad:"),
     ui::TrLater("Left stick or d-pad aims (and moves the focus in dialogs). A selects and throws (presses "
                 "in dialogs), "
                 "B gives up or closes, X new game, Y Top 10, Start options, Back this page. Name entry: "
                 "d-pad up and "
                 "down change the letter, left and right move, X deletes, A goes on to Ok.")},
    {ui::TrLater("Replay:"), ui::TrLater("Space pauses or plays on, + or - (the keypad's too) faster or "
                                         "slower, x1 to x8, Home again from the "
                                         "start.")},
};

namespace {

// The words a layout added to the window since `before` objects were listed.
std::vector<scene::OGraph*> helpWordsSince(const engine::OWindow& window, std::size_t before) {
    const std::vector<scene::OGraph*>& graphs = window.Graphs();
    return std::vector<scene::OGraph*>(graphs.begin() + std::ptrdiff_t(std::min(before, graphs.size())),
                                       graphs.end());
}

// A page's title, centred at the top; the layout is left aligned afterwards, for the body.
void writeTitle(ui::TextLayout& layout, int width, const char* title) {
    layout.SetMargins(20, width - 20);
    layout.y = 0;
    layout.alignment = ui::TextLayout::kAlignCentre;
    layout.size = 36;
    layout.colour = 100;
    layout.WriteParagraph(title);
    layout.alignment = ui::TextLayout::kAlignLeft;
}

} // namespace

OWndHelp::OWndHelp(engine::OWindow* owner, const engine::CreationParams& params, Page first)
    : ODialog(owner, params), m_page(first) {}

bool OWndHelp::Start() {
    m_play = MakeButton(ui::Tr("Play"));
    m_play->SetPosition(float(Width()) - m_play->Width() - 10, float(Height()) - m_play->Height() - 10,
                        m_play->RelativeZ());
    AddObject(m_play);
    m_play->Caption()->Realign();
    m_pageButton = MakeButton(ui::Tr("Keys"));
    m_pageButton->SetPosition(m_play->X() - m_pageButton->Width() - 10, m_play->Y(),
                              m_pageButton->RelativeZ());
    AddObject(m_pageButton);
    m_pageButton->Caption()->Realign();
    SetFocusControl(m_play);
    SetKeyOrder({m_pageButton, m_play});
    SetDefaultControl(m_play);

    const Page first = m_page;
    m_page = Page::Rules;
    m_rulesWords = WriteRules();
    if (first == Page::Keys) ShowPage(Page::Keys);
    SetFramesPerSecond(12);
    return OWindow::Start();
}

std::vector<scene::OGraph*> OWndHelp::WriteRules() {
    const std::size_t before = Graphs().size();
    ui::TextLayout layout(*this);
    writeTitle(layout, Width(), ui::Tr(kTitle).c_str());
    layout.size = 18;
    layout.colour = 0;
    layout.weight = 500;
    for (const char* paragraph : kParagraphs) {
        layout.y += 5;
        layout.WriteParagraph(ui::Tr(paragraph));
    }
    return helpWordsSince(*this, before);
}

std::vector<scene::OGraph*> OWndHelp::WriteKeys() {
    // Each group's name stands in a column of its own left of its keys.
    constexpr int kNameLeft = 20;
    constexpr int kKeysLeft = 120;
    const std::size_t before = Graphs().size();
    ui::TextLayout layout(*this);
    writeTitle(layout, Width(), ui::Tr(kKeysTitle).c_str());
    layout.size = 20;
    for (const KeyGroup& group : kKeyGroups) {
        layout.y += 14;
        const int top = layout.y;
        layout.SetMargins(kNameLeft, kKeysLeft - 8);
        layout.colour = 100;
        layout.weight = 700;
        layout.WriteParagraph(ui::Tr(group.name));
        const int nameBottom = layout.y;
        layout.y = top;
        layout.SetMargins(kKeysLeft, Width() - 20);
        layout.colour = 0;
        layout.weight = 500;
        // The layout lets a paragraph's last word overhang its bound; ended by a space, the
        // paragraph's last word wraps as every other does.
        layout.WriteParagraph(ui::Tr(group.keys) + ' ');
        layout.y = std::max(layout.y, nameBottom);
    }
    return helpWordsSince(*this, before);
}

void OWndHelp::ShowKeysPage() {
    std::lock_guard lock(Lock());
    ShowPage(Page::Keys);
}

void OWndHelp::ShowRulesPage() {
    std::lock_guard lock(Lock());
    ShowPage(Page::Rules);
}

void OWndHelp::ShowPage(Page page) {
    if (page == m_page || IsClosing() || Ended()) return;
    m_page = page;
    const bool keys = page == Page::Keys;
    for (scene::OGraph* word : keys ? m_rulesWords : m_keysWords)
        if (scene::OGraph::IsLive(word)) word->SetVisible(false);
    if (keys && m_keysWords.empty()) {
        m_keysWords = WriteKeys();
    } else {
        for (scene::OGraph* word : keys ? m_keysWords : m_rulesWords)
            if (scene::OGraph::IsLive(word)) word->SetVisible(true);
    }
    if (scene::OGraph::IsLive(m_pageButton)) {
        m_pageButton->SetText(keys ? ui::Tr("Rules") : ui::Tr("Keys"));
        m_pageButton->Caption()->Realign();
    }
}

void OWndHelp::KeyDown(int code, int x, int y) {
    if (code == platform::Key_F1) ShowPage(m_page == Page::Rules ? Page::Keys : Page::Rules);
    ODialog::KeyDown(code, x, y);
}

void OWndHelp::ControlEvent(engine::WindowControl* sender, int code) {
    if (Ended() || !sender) return;
    const scene::OGraph* button = sender->Graph();
    if (button != m_play && button != m_pageButton) return;
    PlayAnswerHoverSound(code);
    if (code != engine::Event_Click) return;
    if (button == m_play)
        EndDialog();
    else
        ShowPage(m_page == Page::Rules ? Page::Keys : Page::Rules);
}

void OWndHelp::Cancel() {
    EndDialog();
}

} // namespace game
