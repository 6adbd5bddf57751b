#include "game/OWndDailyResult.hpp"

#include "engine/ControlEvents.hpp"
#include "engine/ShellOpen.hpp"
#include "game/DailyShare.hpp"
#include "game/DialogSound.hpp"
#include "game/GamePanel.hpp"
#include "game/HighScores.hpp"
#include "game/OWndResult.hpp"
#include "rules/DailyCourt.hpp"
#include "rules/GameReplay.hpp"
#include "scene/AssetNames.hpp"
#include "store/ScoreReport.hpp"
#include "ui/OButton.hpp"
#include "ui/OEdit.hpp"
#include "ui/TextLayout.hpp"
#include "ui/Translation.hpp"

namespace game {

namespace {

std::string DateText(std::int64_t day) {
    return rules::FormatCalendarDate(rules::DateOfDay(day));
}

std::string DaysText(int days) {
    return ui::TrCount("%d day", "%d days", days);
}

} // namespace

OWndDailyResult::OWndDailyResult(engine::OWindow* owner, const engine::CreationParams& params,
                                 DailyOutcome outcome, std::string replay)
    : ODialog(owner, params), m_outcome(outcome), m_replay(std::move(replay)) {}

bool OWndDailyResult::Start() {
    m_publish = MakeButton(ui::Tr("Publish"));
    m_copy = MakeButton(ui::Tr("Copy"));
    m_table = MakeButton(ui::Tr("Table"));
    m_close = MakeButton(ui::Tr("Close"));

    ui::TextLayout layout = CentredText(0, 30, 0x0000FF);
    layout.WriteParagraph(ui::TrFormat("The court of %s", {DateText(m_outcome.day)}));
    layout.colour = 100;
    layout.size = 24;
    layout.WriteParagraph(LevelCaption(m_outcome.level) + ": " +
                          ui::TrCount("%d point", "%d points", m_outcome.score));
    layout.WriteParagraph(ui::TrFormat("Streak: %s, best %s",
                                       {DaysText(m_outcome.currentStreak), DaysText(m_outcome.bestStreak)}));
    layout.colour = 0;
    layout.size = 20;
    layout.y += 10;
    layout.WriteParagraph(ui::Tr("Publish to see your rank of the day. Your name:"));

    if (OWndResult::LastPlayerName().empty()) OWndResult::LastPlayerName() = ui::Tr("Anonymous");
    m_name = new ui::OEdit(OWndResult::LastPlayerName(), scene::assets::kEdit, 0, 1, 2, true,
                           scene::assets::kDefaultEdit);
    m_name->SetPosition((float(Width()) - m_name->Width()) / 2, float(layout.y), m_name->RelativeZ());
    AddObject(m_name);

    // Four buttons in a row along the bottom, 10 pixels apart.
    const ui::OButton* buttons[] = {m_publish, m_copy, m_table, m_close};
    float total = 30;
    for (const ui::OButton* b : buttons) total += b->Width();
    float x = (float(Width()) - total) / 2;
    for (ui::OButton* b : {m_publish, m_copy, m_table, m_close}) {
        b->SetSounds(scene::assets::kButtonSound, scene::assets::kButtonSound);
        b->SetPosition(x, float(Height()) - b->Height() - 10, b->RelativeZ());
        x += b->Width() + 10;
        AddObject(b);
        b->Caption()->Realign();
    }
    SetKeyOrder({m_name, m_publish, m_copy, m_table, m_close});
    SetDefaultControl(m_close);
    SetFramesPerSecond(12);
    return OWindow::Start();
}

std::string OWndDailyResult::PlayerName() const {
    const std::string name = m_name ? CleanPlayerName(m_name->GetText()) : std::string();
    return name.empty() ? ui::Tr("Anonymous") : name;
}

std::string OWndDailyResult::PublishAddress() const {
    const std::string report = store::BuildScoreReport(
        m_outcome.score, std::to_string(int(m_outcome.level) + 1), PublishedName(PlayerName()));
    // Only a replay that reads as one is sent; the server judges whether it proves the score.
    const bool sendReplay = !m_replay.empty() && rules::DecodeReplay(m_replay).has_value();
    return PublishAddressFor(store::EncodeScoreReport(report),
                             sendReplay ? std::string_view(m_replay) : std::string_view());
}

void OWndDailyResult::Publish() {
    OWndResult::LastPlayerName() = PlayerName();
    // The attempt counts on the level's Top 10 here as it does on the leaderboard.
    const RecordedResult recorded = RecordResult(TablePath(), ReplaysPath(),
                                                 ResultLine(TodayRecordDate(), OWndResult::LastPlayerName(),
                                                            int(m_outcome.level) + 1, m_outcome.score),
                                                 m_replay);
    if (!recorded.replaysSaved) ReportSaveFailure("replays.dat", recorded.replaysError);
    if (!recorded.tableSaved) ReportSaveFailure("table.dat", recorded.tableError);
    if (!engine::ShellOpen(PublishAddress())) ReportPublishFailure();
}

void OWndDailyResult::ControlEvent(engine::WindowControl* sender, int code) {
    if (Ended() || !sender) return;
    const scene::OGraph* button = sender->Graph();
    if (button != m_publish && button != m_copy && button != m_table && button != m_close) return;
    PlayAnswerHoverSound(code);
    if (code != engine::Event_Click) return;
    if (button == m_publish) {
        Publish();
        EndDialog();
    } else if (button == m_copy) {
        engine::CopyToClipboard(DailyShareText(m_outcome));
    } else if (button == m_table) {
        if (!engine::ShellOpen(DailyPageAddress(DateText(m_outcome.day)))) ReportPublishFailure();
    } else {
        EndDialog();
    }
}

void OWndDailyResult::Cancel() {
    EndDialog();
}

} // namespace game
