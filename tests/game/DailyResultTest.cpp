// The window that ends the day's ranked attempt: its share text, the day's page, and the
// publish with the replay, which also keeps the result in the level's Top 10.
#include "DialogFixture.hpp"

#include "game/DailyShare.hpp"
#include "game/OWndDailyResult.hpp"
#include "rules/DailyCourt.hpp"
#include "rules/GameReplay.hpp"
#include "store/ScoreReport.hpp"
#include "ui/OButton.hpp"
#include "ui/OEdit.hpp"

using namespace game;

namespace {

class DailyResult : public DialogTest {
protected:
    OWndDailyResult* OpenResult(std::string replay = {}) {
        OpenGame();
        auto* dialog = ui::ODialog::Open<OWndDailyResult>(
            window, OWndDailyResult::kWidth, OWndDailyResult::kHeight, outcome, std::move(replay));
        Pump();
        return dynamic_cast<OWndDailyResult*>(dialog);
    }

    DailyOutcome outcome{rules::DaysSinceEpoch({2026, 12, 11}), rules::Level::Master, 321, 3, 5};
};

} // namespace

TEST_F(DailyResult, CopyPutsTheShareTextOnTheClipboardAndTableOpensTheDaysPage) {
    OWndDailyResult* dialog = OpenResult();
    ASSERT_NE(dialog, nullptr);
    ClickOn(dialog, dialog->CopyButton());
    EXPECT_EQ(headless->Clipboard(), "Hoopstack daily 2026-12-11 (Master): 321 points, streak 3 days");
    EXPECT_EQ(headless->Clipboard(), DailyShareText(outcome));
    ClickOn(dialog, dialog->TableButton());
    ASSERT_EQ(headless->Urls().size(), 1u);
    EXPECT_EQ(headless->Urls().back().substr(headless->Urls().back().find("/daily/")), "/daily/2026-12-11");
    // Neither closes the window nor publishes anything.
    EXPECT_EQ(Dialog<OWndDailyResult>(), dialog);
    EXPECT_TRUE(TopOfLevel(ReadTable(), "3").empty());
}

TEST_F(DailyResult, PublishSendsTheReportWithTheReplayAndKeepsTheResult) {
    rules::GameReplay replay;
    replay.level = rules::Level::Master;
    replay.startState = rules::DailyStart(outcome.day);
    replay.finished = true;
    const std::string text = rules::EncodeReplay(replay);
    OWndDailyResult* dialog = OpenResult(text);
    ASSERT_NE(dialog, nullptr);
    dialog->NameField()->SetText("Zo\tla");
    ClickOn(dialog, dialog->PublishButton());
    Pump();
    EXPECT_EQ(Dialog<OWndDailyResult>(), nullptr);
    ASSERT_EQ(headless->Urls().size(), 1u);
    const std::string url = headless->Urls().back();
    ASSERT_NE(url.find("&r="), std::string::npos);
    EXPECT_EQ(url.substr(url.find("&r=") + 3), text);
    const std::string code = url.substr(url.find("?e=") + 3, url.find("&r=") - url.find("?e=") - 3);
    const store::ScoreReportDecode report = store::DecodeScoreReport(code);
    ASSERT_EQ(report.status, store::ScoreReportStatus::Ok) << report.error;
    EXPECT_EQ(report.score, 321);
    EXPECT_EQ(report.level, "3");
    // The name is cleaned as the Top 10 keeps names, and the result is kept there too.
    EXPECT_EQ(report.name, "Zo la");
    ASSERT_EQ(TopOfLevel(ReadTable(), "3").size(), 1u);
    EXPECT_EQ(TopOfLevel(ReadTable(), "3").front().score, 321);
    EXPECT_EQ(OWndResult::LastPlayerName(), "Zo la");
}

TEST_F(DailyResult, EscapeClosesWithoutPublishingAndABadReplayIsNotSent) {
    OWndDailyResult* dialog = OpenResult("not a replay");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->PublishAddress().find("&r="), std::string::npos);
    EXPECT_NE(dialog->PublishAddress().find("?e="), std::string::npos);
    Press(dialog, platform::Key_Escape);
    Pump();
    EXPECT_EQ(Dialog<OWndDailyResult>(), nullptr);
    EXPECT_TRUE(headless->Urls().empty());
    EXPECT_TRUE(TopOfLevel(ReadTable(), "3").empty());
}
