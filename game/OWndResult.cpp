#include "game/OWndResult.hpp"

#include "engine/ControlEvents.hpp"
#include "game/DialogSound.hpp"
#include "game/HighScores.hpp"
#include "scene/AssetNames.hpp"
#include "store/TScoresTable.hpp"
#include "ui/OButton.hpp"
#include "ui/OEdit.hpp"
#include "ui/TextLayout.hpp"
#include "ui/Translation.hpp"

namespace game {

OWndResult::OWndResult(engine::OWindow* owner, const engine::CreationParams& params, std::int32_t score,
                       int level, std::string replay)
    : ODialog(owner, params), m_score(score), m_level(level), m_replay(std::move(replay)) {}

std::string& OWndResult::LastPlayerName() {
    static std::string name;
    return name;
}

void OWndResult::PrefillName() const {
    std::string& name = LastPlayerName();
    if (!name.empty()) return;
    store::TScoresTable table;
    table.loadTable(TablePath());
    const std::vector<ScoreRow> best = TopOfLevel(table, std::to_string(m_level), 1);
    if (!best.empty()) name = best.front().name;
    if (name.empty()) name = ui::Tr("Anonymous");
}

bool OWndResult::Start() {
    m_ok = MakeButton(ui::Tr("Ok"));
    m_cancel = MakeButton(ui::Tr("Cancel"));

    ui::TextLayout layout(*this);
    layout.SetMargins(20, Width() - 20);
    layout.y = 0;
    layout.alignment = ui::TextLayout::kAlignCentre;
    layout.size = 36;
    layout.colour = 0x0000FF;
    if (m_score > 0) layout.WriteParagraph(ui::Tr("Congratulations!"));
    layout.y += 25;
    layout.colour = 100;
    layout.WriteParagraph(ui::Tr("Your score is"));
    layout.WriteParagraph(std::to_string(m_score));
    layout.colour = 0;
    layout.size = 24;
    layout.y += 20;
    layout.WriteParagraph(ui::Tr("Enter your name:"));

    PrefillName();
    m_name =
        new ui::OEdit(LastPlayerName(), scene::assets::kEdit, 0, 1, 2, true, scene::assets::kDefaultEdit);
    m_name->SetPosition((float(Width()) - m_name->Width()) / 2, float(layout.y), m_name->RelativeZ());
    AddObject(m_name);
    AddButtonPair(m_ok, m_cancel, 10);
    SetKeyOrder({m_name, m_ok, m_cancel});
    SetDefaultControl(m_name);
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndResult::Record() {
    LastPlayerName() = m_name ? CleanPlayerName(m_name->GetText()) : ui::Tr("Anonymous");
    const RecordedResult recorded = RecordResult(TablePath(), ReplaysPath(),
                                                 ResultLine(TodayRecordDate(), LastPlayerName(), m_level, m_score), m_replay);
    if (!recorded.replaysSaved) ReportSaveFailure("replays.dat", recorded.replaysError);
    if (!recorded.tableSaved) ReportSaveFailure("table.dat", recorded.tableError);
}

void OWndResult::ControlEvent(engine::WindowControl* sender, int code) {
    if (Ended() || !sender) return;
    const scene::OGraph* button = sender->Graph();
    if (button != m_ok && button != m_cancel) return;
    PlayAnswerHoverSound(code);
    if (code != engine::Event_Click) return;
    if (button == m_ok) Record();
    EndDialog();
}

// The name is not recorded, as with "Cancel".
void OWndResult::Cancel() {
    EndDialog();
}

} // namespace game
