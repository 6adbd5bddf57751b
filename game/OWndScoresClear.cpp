#include "game/OWndScoresClear.hpp"

#include "game/HighScores.hpp"
#include "game/OWndScores.hpp"
#include "store/TScoresTable.hpp"
#include "ui/Translation.hpp"

namespace game {

OWndScoresClear::OWndScoresClear(OWndScores* owner, const engine::CreationParams& params, std::string level)
    : OYesNoDialog(owner, params), m_scores(owner), m_level(std::move(level)) {}

bool OWndScoresClear::Start() {
    // Deleting every record cannot be undone: a key player starts on "No".
    AddAnswers(10, Answer::No);
    ui::TextLayout layout = CentredText(30, 28, 0x0000FF);
    layout.WriteParagraph(ui::Tr("All records will be deleted!"));
    layout.WriteParagraph(ui::Tr("Are you sure?"));
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndScoresClear::Yes() {
    // A new, empty table written without reading the old one first, and no replays.
    const RecordedResult cleared = ClearResults(TablePath(), ReplaysPath());
    if (!cleared.tableSaved) ReportSaveFailure("table.dat", cleared.tableError);
    if (!cleared.replaysSaved) ReportSaveFailure("replays.dat", cleared.replaysError);
    if (IsLiveWindow(m_scores)) m_scores->ClearRows();
}

} // namespace game
