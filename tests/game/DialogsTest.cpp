// The dialogs of the game window, driven as a player would: their effect on the game
// window, the settings and the score table.
#include "DialogFixture.hpp"

#include "game/OWndExit.hpp"
#include "game/OWndExitLevel.hpp"
#include "game/OWndHelp.hpp"
#include "game/OWndOptions.hpp"
#include "game/OWndScores.hpp"
#include "game/OWndScoresClear.hpp"
#include "rules/CourtControls.hpp"
#include "rules/ReplayPlayer.hpp"
#include "ui/HeldRepeat.hpp"
#include "store/ScoreReport.hpp"
#include "ui/OButton.hpp"
#include "ui/OCheckbox.hpp"
#include "ui/OEdit.hpp"
#include "ui/OText.hpp"
#include "ui/TextDrawing.hpp"

using namespace game;
using namespace rules;

namespace {

// The words a window shows, in the order they were added.
std::string ShownText(engine::OWindow* w) {
    std::string text;
    for (scene::OGraph* g : w->Graphs())
        if (auto* word = dynamic_cast<ui::OText*>(g)) text += word->GetText();
    return text;
}

std::vector<std::string> RowNames(OWndScores* scores) {
    std::vector<std::string> names;
    for (int i = 0; i < OWndScores::kRows; ++i) names.push_back(scores->NameBox(i)->GetText());
    return names;
}

using Dialogs = DialogTest;

TEST_F(Dialogs, QuitConfirmationSavesAndFinishesOnlyOnYes) {
    OpenGame();
    window->OpenDialog(GameDialog::Quit);
    auto* quit = Dialog<OWndExit>();
    ASSERT_NE(quit, nullptr);
    EXPECT_TRUE(window->IsBlocked());
    EXPECT_EQ(quit->FocusControl(), nullptr);
    // Enter does nothing while no button has the focus.
    Press(quit, platform::Key_Return);
    ASSERT_EQ(Dialog<OWndExit>(), quit);
    ClickOn(quit, quit->NoButton());
    EXPECT_EQ(Dialog<OWndExit>(), nullptr);
    EXPECT_FALSE(window->IsBlocked());
    EXPECT_FALSE(window->Finished());
    EXPECT_FALSE(std::filesystem::exists(folder / "state.dat"));

    window->OpenDialog(GameDialog::Quit);
    quit = Dialog<OWndExit>();
    ASSERT_NE(quit, nullptr);
    ClickOn(quit, quit->YesButton());
    EXPECT_EQ(Dialog<OWndExit>(), nullptr);
    EXPECT_TRUE(window->Finished());
    EXPECT_TRUE(std::filesystem::exists(folder / "state.dat"));
}

TEST_F(Dialogs, LevelConfirmationMovesOnFromMasterToNoviceOnlyOnYes) {
    Settings().level = Level::Master;
    OpenGame();
    window->OpenDialog(GameDialog::Level);
    auto* level = Dialog<OWndExitLevel>();
    ASSERT_NE(level, nullptr);
    EXPECT_NE(ShownText(level).find("Start new game?"), std::string::npos);
    ClickOn(level, level->NoButton());
    EXPECT_EQ(Settings().level, Level::Master);
    EXPECT_EQ(window->LevelButton()->GetText(), "Master");

    const int started = window->Game()->GamesStarted();
    window->OpenDialog(GameDialog::Level);
    level = Dialog<OWndExitLevel>();
    ASSERT_NE(level, nullptr);
    ClickOn(level, level->YesButton());
    EXPECT_EQ(Dialog<OWndExitLevel>(), nullptr);
    EXPECT_EQ(Settings().level, Level::Novice);
    EXPECT_EQ(window->LevelButton()->GetText(), "Novice");
    EXPECT_EQ(window->Game()->GamesStarted(), started + 1);
}

TEST_F(Dialogs, OptionsChangeAtOnceAndCancelPutsThemBack) {
    OpenGame();
    const GameSettings before = Settings();
    window->OpenDialog(GameDialog::Options);
    auto* options = Dialog<OWndOptions>();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->SoundBox()->CurrentIndex(), 1);
    ClickOn(options, options->SoundBox());
    EXPECT_FALSE(Settings().sound);
    EXPECT_EQ(options->SoundBox()->CurrentIndex(), 0);
    ClickOn(options, options->SoundBox());
    ClickOn(options, options->AutosaveBox());
    ClickOn(options, options->PathBox());
    ClickOn(options, options->SpeedBox(2));
    ClickOn(options, options->SpeedBox(0));
    EXPECT_EQ(Settings().speed, Speed::Fast);
    EXPECT_FALSE(Settings().autosave);
    ClickOn(options, options->CancelButton());
    EXPECT_EQ(Dialog<OWndOptions>(), nullptr);
    EXPECT_EQ(Settings().sound, before.sound);
    EXPECT_EQ(Settings().autosave, before.autosave);
    EXPECT_EQ(Settings().showPath, before.showPath);
    EXPECT_EQ(Settings().speed, before.speed);

    window->OpenDialog(GameDialog::Options);
    options = Dialog<OWndOptions>();
    ASSERT_NE(options, nullptr);
    ClickOn(options, options->SoundBox());
    ClickOn(options, options->OkButton());
    EXPECT_FALSE(Settings().sound);
    // Kept at once: no frame has run, and nothing had been saved before.
    ASSERT_NE(window->Writer(), nullptr);
    window->Writer()->Flush();
    const auto saved = LoadSavedGame((folder / "state.dat").string());
    ASSERT_TRUE(saved);
    EXPECT_FALSE(saved->settings.sound);
    EXPECT_EQ(saved->cells, ColoursOf(window->Game()->Grid()));
}

TEST_F(Dialogs, ExactlyOneSpeedShowsSelectedWhateverIsClicked) {
    OpenGame();
    auto selected = [](OWndOptions* options) {
        std::string states;
        for (int i = 0; i < 3; ++i) states += char('0' + options->SpeedBox(i)->CurrentIndex());
        return states;
    };
    window->OpenDialog(GameDialog::Options);
    auto* options = Dialog<OWndOptions>();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(selected(options), "010");
    ClickOn(options, options->SpeedBox(1));  // the selected one again
    EXPECT_EQ(selected(options), "010");
    EXPECT_EQ(Settings().speed, Speed::Medium);
    ClickOn(options, options->SpeedBox(2));
    EXPECT_EQ(selected(options), "001");
    ClickOn(options, options->OkButton());

    // A stored speed of 3 plays as "Fast", and shows as "Fast".
    Settings().speed = Speed(3);
    window->OpenDialog(GameDialog::Options);
    options = Dialog<OWndOptions>();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(selected(options), "100");
    ClickOn(options, options->SpeedBox(1));
    EXPECT_EQ(selected(options), "010");
    EXPECT_EQ(Settings().speed, Speed::Medium);
}

TEST_F(Dialogs, AResultOfZeroIsRecordedWithoutCongratulations) {
    OpenGame();
    auto* result = ui::ODialog::Open<OWndResult>(window, OWndResult::kWidth, OWndResult::kHeight, 0, 1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(ShownText(result).find("Congratulations!"), std::string::npos);
    EXPECT_NE(ShownText(result).find("Your score is 0 "), std::string::npos);
    EXPECT_EQ(result->NameField()->GetText(), "Anonymous");
    EXPECT_EQ(result->FocusControl(), nullptr);
    ClickOn(result, result->OkButton());
    EXPECT_EQ(Dialog<OWndResult>(), nullptr);
    EXPECT_EQ(ReadTable().tableText(), TodayRecordDate() + "\tAnonymous\t1\t0\n");

    result = ui::ODialog::Open<OWndResult>(window, OWndResult::kWidth, OWndResult::kHeight, 250, 2);
    ASSERT_NE(result, nullptr);
    EXPECT_NE(ShownText(result).find("Congratulations! "), std::string::npos);
    ClickOn(result, result->CancelButton());
    EXPECT_EQ(ReadTable().size(), 1u);
}

TEST_F(Dialogs, NamesArePrefilledFromTheLevelThenFromTheLastConfirmedName) {
    WriteTable("2001-7-5\tMaster Max\t3\t900\n2001-7-5\tNovice Nell\t1\t50\n2001-7-5\tNovice Ned\t1\t40\n");
    OpenGame();
    auto open = [&](int level) {
        return ui::ODialog::Open<OWndResult>(window, OWndResult::kWidth, OWndResult::kHeight, 10, level);
    };
    OWndResult* result = open(1);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->NameField()->GetText(), "Novice Nell");
    // Tab gives the name field the focus; the player types a name of their own.
    Press(result, platform::Key_Tab);
    ASSERT_EQ(result->FocusControl(), result->NameField());
    Press(result, platform::Key_End);
    for (int i = 0; i < 11; ++i) Press(result, platform::Key_Backspace);
    Type(result, "Pia");
    EXPECT_EQ(result->NameField()->GetText(), "Pia");
    ClickOn(result, result->OkButton());

    result = open(3);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->NameField()->GetText(), "Pia");
    // Confirming an empty name makes the next window look the level's best name up again.
    result->NameField()->SetText("");
    ClickOn(result, result->OkButton());
    EXPECT_EQ(OWndResult::LastPlayerName(), "");
    result = open(3);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->NameField()->GetText(), "Master Max");
    ClickOn(result, result->CancelButton());
}

TEST_F(Dialogs, PastedTabsAndLineBreaksInANameAreStoredAsSpaces) {
    OpenGame();
    auto* result = ui::ODialog::Open<OWndResult>(window, OWndResult::kWidth, OWndResult::kHeight, 77, 2);
    ASSERT_NE(result, nullptr);
    result->NameField()->SetText("Tab\tand\r\nbreak");
    ClickOn(result, result->OkButton());
    store::TScoresTable table = ReadTable();
    ASSERT_EQ(table.size(), 1u);
    const auto& [score, record] = *table.records().begin();
    EXPECT_EQ(score, 77);
    EXPECT_EQ(record.name, "Tab and  break");
    EXPECT_EQ(record.level, "2");
}

TEST_F(Dialogs, ElevenResultsOfOneNameKeepItsTenBest) {
    WriteTable("2001-7-5\tOther\t1\t5\n");
    OpenGame();
    OWndResult::LastPlayerName() = "Ann";
    for (int score = 1; score <= 11; ++score) {
        auto* result = ui::ODialog::Open<OWndResult>(window, OWndResult::kWidth, OWndResult::kHeight, score * 10, 1);
        ASSERT_NE(result, nullptr);
        ClickOn(result, result->OkButton());
    }
    int ann = 0, lowest = 1000, other = 0;
    const store::TScoresTable table = ReadTable();
    for (const auto& [score, record] : table.records()) {
        if (record.name == "Ann") ++ann, lowest = std::min(lowest, int(score));
        if (record.name == "Other") ++other;
    }
    EXPECT_EQ(ann, 10);
    EXPECT_EQ(lowest, 20);
    EXPECT_EQ(other, 1);
}

TEST_F(Dialogs, TopTenListsOnlyItsLevelBestFirstAndEqualScoresLaterFirst) {
    std::string text = "2001-7-5\tExpert Eve\t2\t99999\n";
    for (int i = 11; i >= 0; --i) text += "2001-7-5\tP" + std::to_string(i) + "\t1\t" + std::to_string(i) + "\n";
    WriteTable(text);
    OpenGame();
    // Two results of one score, one after the other, each saved through the file.
    for (const char* name : {"First", "Second"}) {
        OWndResult::LastPlayerName() = name;
        auto* result = ui::ODialog::Open<OWndResult>(window, OWndResult::kWidth, OWndResult::kHeight, 500, 1);
        ASSERT_NE(result, nullptr);
        ClickOn(result, result->OkButton());
    }
    window->OpenDialog(GameDialog::Scores);
    auto* scores = Dialog<OWndScores>();
    ASSERT_NE(scores, nullptr);
    EXPECT_EQ(scores->Level(), "1");
    EXPECT_EQ(RowNames(scores),
              (std::vector<std::string>{"Second", "First", "P11", "P10", "P9", "P8", "P7", "P6", "P5", "P4"}));
    EXPECT_EQ(scores->ScoreBox(0)->GetText(), "500");
    EXPECT_EQ(scores->ScoreBox(9)->GetText(), "4");
    // "Close" holds the focus: Enter closes the window.
    EXPECT_EQ(scores->FocusControl(), scores->CloseButton());
    Press(scores, platform::Key_Return);
    EXPECT_EQ(Dialog<OWndScores>(), nullptr);
    EXPECT_FALSE(window->IsBlocked());
}

TEST_F(Dialogs, LongNamesAreCutWithAnEllipsisInsideTheirBox) {
    const std::string longName(150, 'W');
    WriteTable("2001-7-5\t" + longName + "\t1\t10\n2001-7-5\tShort\t1\t5\n");
    OpenGame();
    window->OpenDialog(GameDialog::Scores);
    auto* scores = Dialog<OWndScores>();
    ASSERT_NE(scores, nullptr);
    ui::OButton* box = scores->NameBox(0);
    const std::string shown = box->GetText();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), '\x85');
    EXPECT_EQ(shown.substr(0, shown.size() - 1), std::string(shown.size() - 1, 'W'));
    EXPECT_LE(ui::TextWidth(shown, box->Caption()->Font()), int(box->Width()));
    EXPECT_EQ(scores->NameBox(1)->GetText(), "Short");
}

TEST_F(Dialogs, AMegabyteNameIsMeasuredOnlyAsFarAsItCanFit) {
    // The box is a few hundred pixels wide: measuring a megabyte of name would stall the window.
    const std::string huge(1 << 20, 'i');
    std::size_t measured = 0;
    const std::string shown = FitText(huge, 300, [&](std::string_view text) {
        measured += text.size();
        return int(text.size()) * 4;
    });
    EXPECT_EQ(shown, std::string(74, 'i') + '\x85');
    EXPECT_LT(measured, std::size_t(20 * 301));
    // A name that fits is shown whole, and one pixel too wide is cut.
    const auto width = [](std::string_view text) { return int(text.size()) * 4; };
    EXPECT_EQ(FitText(std::string(75, 'i'), 300, width), std::string(75, 'i'));
    EXPECT_EQ(FitText(std::string(76, 'i'), 300, width), std::string(74, 'i') + '\x85');
    EXPECT_EQ(FitText("abc", 0, width), "\x85");

    WriteTable("2001-7-5\t" + huge + "\t1\t10\n");
    OpenGame();
    window->OpenDialog(GameDialog::Scores);
    auto* scores = Dialog<OWndScores>();
    ASSERT_NE(scores, nullptr);
    const std::string row = scores->NameBox(0)->GetText();
    ASSERT_FALSE(row.empty());
    EXPECT_EQ(row.back(), '\x85');
    EXPECT_LE(ui::TextWidth(row, scores->NameBox(0)->Caption()->Font()), int(scores->NameBox(0)->Width()));
}

TEST_F(Dialogs, PublishCutsALongNameToTheLeaderboardsLimit) {
    // 60,000 bytes of name made an address no opener takes; the report carries 99 bytes.
    const std::string name = "\x8A\xE1rka " + std::string(60000, 'x');
    WriteTable("2001-7-5\t" + name + "\t1\t500\n");
    OpenGame();
    window->OpenDialog(GameDialog::Scores);
    auto* scores = Dialog<OWndScores>();
    ASSERT_NE(scores, nullptr);
    ClickOn(scores, scores->PublishButton());
    ASSERT_EQ(headless->Urls().size(), 1u);
    const std::string url = headless->Urls().back();
    EXPECT_LT(url.size(), 1000u);
    const store::ScoreReportDecode report = store::DecodeScoreReport(url.substr(url.find("?e=") + 3));
    ASSERT_EQ(report.status, store::ScoreReportStatus::Ok) << report.error;
    EXPECT_EQ(report.name, name.substr(0, 99));
    EXPECT_EQ(report.score, 500);
    EXPECT_TRUE(headless->Messages().empty());
    // Short names go out whole.
    EXPECT_EQ(PublishedName("Anna"), "Anna");
    EXPECT_EQ(PublishedName(std::string(99, 'a')), std::string(99, 'a'));
}

TEST_F(Dialogs, APublishNoBrowserTakesIsToldToThePlayer) {
    WriteTable("2001-7-5\tAnna\t1\t500\n");
    headless->RefuseUrls(true);
    OpenGame();
    window->OpenDialog(GameDialog::Scores);
    auto* scores = Dialog<OWndScores>();
    ASSERT_NE(scores, nullptr);
    ClickOn(scores, scores->PublishButton());
    Pump();
    EXPECT_EQ(Dialog<OWndScores>(), nullptr);
    EXPECT_EQ(headless->Messages(), (std::vector<std::string>{std::string("Hoopstack|") + kPublishFailedText}));
}

TEST_F(Dialogs, ClearingFromAnyLevelEmptiesTheWholeTable) {
    WriteTable("2001-7-5\tNed\t1\t10\n2001-7-5\tEve\t2\t20\n2001-7-5\tMo\t3\t30\n");
    Settings().level = Level::Expert;
    OpenGame();
    window->OpenDialog(GameDialog::Scores);
    auto* scores = Dialog<OWndScores>();
    ASSERT_NE(scores, nullptr);
    EXPECT_EQ(scores->NameBox(0)->GetText(), "Eve");

    ClickOn(scores, scores->ClearButton());
    auto* clear = Dialog<OWndScoresClear>(scores);
    ASSERT_NE(clear, nullptr);
    EXPECT_TRUE(scores->IsBlocked());
    ClickOn(clear, clear->NoButton());
    EXPECT_EQ(ReadTable().size(), 3u);
    EXPECT_FALSE(scores->IsBlocked());

    ClickOn(scores, scores->ClearButton());
    clear = Dialog<OWndScoresClear>(scores);
    ASSERT_NE(clear, nullptr);
    ClickOn(clear, clear->YesButton());
    EXPECT_EQ(Dialog<OWndScoresClear>(scores), nullptr);
    EXPECT_TRUE(std::filesystem::exists(TablePath()));
    EXPECT_EQ(ReadTable().size(), 0u);
    EXPECT_EQ(RowNames(scores), std::vector<std::string>(10));
    EXPECT_EQ(scores->ScoreBox(0)->GetText(), "");
    // Nothing is left to publish once the records are gone.
    EXPECT_EQ(scores->PublishAddress(), "");
    ClickOn(scores, scores->CloseButton());
    EXPECT_FALSE(window->IsBlocked());
}

TEST_F(Dialogs, PublishSendsTheLevelsBestResultAndClosesEitherWay) {
    WriteTable("2001-7-5\tLow\t2\t10\n2001-7-5\tBest\t2\t4321\n2001-7-5\tElse\t3\t9999\n");
    Settings().level = Level::Expert;
    OpenGame();
    window->OpenDialog(GameDialog::Scores);
    auto* scores = Dialog<OWndScores>();
    ASSERT_NE(scores, nullptr);
    ClickOn(scores, scores->PublishButton());
    EXPECT_EQ(Dialog<OWndScores>(), nullptr);
    ASSERT_EQ(headless->Urls().size(), 1u);
    const std::string url = headless->Urls().back();
    const std::string prefix = "http://127.0.0.1:8080/cgi-bin/gameres.pl?e=";
    ASSERT_EQ(url.substr(0, prefix.size()), prefix);
    const store::ScoreReportDecode report = store::DecodeScoreReport(url.substr(prefix.size()));
    ASSERT_EQ(report.status, store::ScoreReportStatus::Ok) << report.error;
    EXPECT_EQ(report.score, 4321);
    EXPECT_EQ(report.level, "2");
    EXPECT_EQ(report.name, "Best");
    EXPECT_EQ(report.executable, "hoopstack");

    // A level without records publishes nothing.
    Settings().level = Level::Novice;
    window->OpenDialog(GameDialog::Scores);
    scores = Dialog<OWndScores>();
    ASSERT_NE(scores, nullptr);
    ClickOn(scores, scores->PublishButton());
    EXPECT_EQ(Dialog<OWndScores>(), nullptr);
    EXPECT_EQ(headless->Urls().size(), 1u);
}

TEST_F(Dialogs, RulesShowTheirTextAndEnterClosesThem) {
    OpenGame();
    Send(window, platform::EventKind::KeyDown, platform::Key_F1, 10, 10);
    auto* rules = Dialog<OWndHelp>();
    ASSERT_NE(rules, nullptr);
    const std::string text = ShownText(rules);
    EXPECT_EQ(text.find("Hoopstack rules: "), 0u);
    // Every space of the text is a word of its own, so the runs of spaces survive.
    EXPECT_NE(text.find("later   in the game."), std::string::npos);
    EXPECT_NE(text.find("Have fun! "), std::string::npos);
    Press(rules, platform::Key_Return);
    EXPECT_EQ(Dialog<OWndHelp>(), nullptr);
    EXPECT_FALSE(window->IsBlocked());
}

TEST_F(Dialogs, TheGameWindowOpensEachDialogFromItsButtonsAndKeys) {
    OpenGame();
    Send(window, platform::EventKind::KeyDown, platform::Key_F2, 10, 10);
    ASSERT_NE(Dialog<OWndScores>(), nullptr);
    EXPECT_EQ(Dialog<OWndScores>()->Level(), "1");
    Press(Dialog<OWndScores>(), platform::Key_Return);
    Send(window, platform::EventKind::KeyDown, platform::Key_F3, 10, 10);
    ASSERT_NE(Dialog<OWndOptions>(), nullptr);
    ClickOn(Dialog<OWndOptions>(), Dialog<OWndOptions>()->OkButton());
    EXPECT_EQ(window->TakeDialogRequest(), "options");

    // With no score the level button moves on at once, without asking.
    ClickOn(window, window->LevelButton());
    EXPECT_EQ(Dialog<engine::OWindow>(), nullptr);
    EXPECT_EQ(Settings().level, Level::Expert);

    // After the end of a game, the next mouse event brings the result window.
    CourtControls(*window->Game()).EndGame();
    EXPECT_EQ(Dialog<OWndResult>(), nullptr);
    Send(window, platform::EventKind::MouseMove, 0, 300, 300);
    auto* result = Dialog<OWndResult>();
    ASSERT_NE(result, nullptr);
    ClickOn(result, result->CancelButton());
    Send(window, platform::EventKind::MouseMove, 0, 301, 300);
    EXPECT_EQ(Dialog<OWndResult>(), nullptr);
}

TEST_F(Dialogs, EscapeAnswersEveryDialogAsItsNoCancelOrClose) {
    OpenGame();
    const rules::Level level = rules::Settings().level;
    for (GameDialog which : {GameDialog::Rules, GameDialog::Quit, GameDialog::Level, GameDialog::Options,
                             GameDialog::Scores, GameDialog::Result}) {
        window->OpenDialog(which);
        engine::OWindow* dialog = engine::OWindow::DialogOf(window);
        ASSERT_NE(dialog, nullptr) << DialogName(which);
        const bool sound = rules::Settings().sound;
        // A change the options' "Cancel" takes back.
        if (which == GameDialog::Options) rules::Settings().sound = !sound;
        Send(dialog, platform::EventKind::KeyDown, platform::Key_Escape, 10, 10);
        Pump();
        EXPECT_EQ(engine::OWindow::DialogOf(window), nullptr) << DialogName(which);
        EXPECT_FALSE(window->IsBlocked()) << DialogName(which);
        EXPECT_EQ(rules::Settings().sound, sound) << DialogName(which);
    }
    // "No" to quitting and to the level change: the game goes on where it was.
    EXPECT_FALSE(window->Finished());
    EXPECT_EQ(rules::Settings().level, level);
}

TEST_F(Dialogs, ADialogThatCannotOpenLeavesItsOwnerFree) {
    OpenGame();
    for (GameDialog which : {GameDialog::Rules, GameDialog::Quit, GameDialog::Level, GameDialog::Options,
                             GameDialog::Scores, GameDialog::Result}) {
        headless->FailNextCreate();
        window->OpenDialog(which);
        Pump();
        EXPECT_EQ(engine::OWindow::DialogOf(window), nullptr) << DialogName(which);
        EXPECT_FALSE(window->IsBlocked()) << DialogName(which);
    }
    // A dialog whose content does not start is gone at once, and so is its hold.
    struct Failing : ui::ODialog {
        Failing(engine::OWindow* owner, const engine::CreationParams& params) : ODialog(owner, params) {}
        bool Start() override { return false; }
    };
    EXPECT_EQ(ui::ODialog::Open<Failing>(window, 100, 100), nullptr);
    Pump();
    EXPECT_EQ(engine::OWindow::DialogOf(window), nullptr);
    EXPECT_FALSE(window->IsBlocked());
}

TEST_F(Dialogs, EveryDialogStillOpensAndClosesWithoutItsPictures) {
    OpenGame();
    // From here on no clip can be read: every dialog falls back to text and default looks.
    std::filesystem::remove(folder / "CLP");
    const std::pair<GameDialog, const char*> titledDialogs[] = {
        {GameDialog::Rules, "Hoopstack rules: "}, {GameDialog::Quit, "Quit the game? "},
        {GameDialog::Level, "Start new game? "},  {GameDialog::Options, "Options: "},
        {GameDialog::Scores, "Top 10 "},          {GameDialog::Result, "Enter your name: "}};
    for (const auto& [which, text] : titledDialogs) {
        window->OpenDialog(which);
        engine::OWindow* dialog = engine::OWindow::DialogOf(window);
        ASSERT_NE(dialog, nullptr) << DialogName(which);
        EXPECT_NE(ShownText(dialog).find(text), std::string::npos) << ShownText(dialog);
        dialog->PostClose();
        Pump();
        EXPECT_EQ(engine::OWindow::DialogOf(window), nullptr) << DialogName(which);
        EXPECT_FALSE(window->IsBlocked()) << DialogName(which);
    }
    EXPECT_FALSE(window->Finished());
}

TEST_F(Dialogs, TheAnswersRunWhatTheOwnerGaveThemAndNothingWhenItGaveNothing) {
    OpenGame();
    int quits = 0, changes = 0, keeps = 0;
    auto* quit =
        ui::ODialog::Open<OWndExit>(window, OWndExit::kWidth, OWndExit::kHeight, [&quits] { ++quits; });
    ASSERT_NE(quit, nullptr);
    ClickOn(quit, quit->YesButton());
    auto* level = ui::ODialog::Open<OWndExitLevel>(window, OWndExitLevel::kWidth, OWndExitLevel::kHeight,
                                                   [&changes] { ++changes; });
    ASSERT_NE(level, nullptr);
    ClickOn(level, level->YesButton());
    auto* options = ui::ODialog::Open<OWndOptions>(window, OWndOptions::kWidth, OWndOptions::kHeight,
                                                   [&keeps] { ++keeps; });
    ASSERT_NE(options, nullptr);
    ClickOn(options, options->OkButton());
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(keeps, 1);
    // None of them reached the game window by another way.
    EXPECT_FALSE(window->Finished());
    EXPECT_EQ(Settings().level, Level::Novice);
    EXPECT_FALSE(std::filesystem::exists(folder / "state.dat"));

    // Without an action "Yes" and "Ok" only close the dialog.
    quit = ui::ODialog::Open<OWndExit>(window, OWndExit::kWidth, OWndExit::kHeight, nullptr);
    ASSERT_NE(quit, nullptr);
    ClickOn(quit, quit->YesButton());
    EXPECT_EQ(Dialog<OWndExit>(), nullptr);
    options = ui::ODialog::Open<OWndOptions>(window, OWndOptions::kWidth, OWndOptions::kHeight, nullptr);
    ASSERT_NE(options, nullptr);
    ClickOn(options, options->SoundBox());
    ClickOn(options, options->OkButton());
    EXPECT_EQ(Dialog<OWndOptions>(), nullptr);
    EXPECT_FALSE(Settings().sound);
    EXPECT_FALSE(window->Finished());
    EXPECT_FALSE(std::filesystem::exists(folder / "state.dat"));
}

TEST_F(Dialogs, AFailedSaveIsToldOnceAndKeepsTheOldFile) {
    // A folder where the files should be cannot be replaced.
    std::filesystem::create_directory(folder / "table.dat");
    std::filesystem::create_directory(folder / "state.dat");
    OpenGame();
    auto* result = ui::ODialog::Open<OWndResult>(window, OWndResult::kWidth, OWndResult::kHeight, 5, 1);
    ASSERT_NE(result, nullptr);
    ClickOn(result, result->OkButton());
    result = ui::ODialog::Open<OWndResult>(window, OWndResult::kWidth, OWndResult::kHeight, 6, 1);
    ASSERT_NE(result, nullptr);
    ClickOn(result, result->OkButton());
    EXPECT_FALSE(window->SaveGame());
    EXPECT_FALSE(window->SaveGame());
    Pump();
    const std::vector<std::string> messages = headless->Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("\"table.dat\""), std::string::npos) << messages[0];
    EXPECT_NE(messages[1].find("\"state.dat\""), std::string::npos) << messages[1];
    EXPECT_TRUE(std::filesystem::is_directory(folder / "table.dat"));
}

} // namespace

namespace {

// Every dialog played with keys alone, as a player without a mouse does.
class KeyDialogs : public DialogTest {
protected:
    // Opens a dialog as a key asks for it.
    template <class D>
    D* OpenByKey(GameDialog which, GameDialogActions actions = {}, std::int32_t score = 0) {
        GameDialogContext context;
        context.owner = window;
        context.score = score;
        context.level = int(Settings().level) + 1;
        context.actions = std::move(actions);
        context.byKey = true;
        OpenGameDialog(which, context);
        Pump();
        return Dialog<D>();
    }
    static scene::OGraph* Focused(engine::OWindow* d) {
        return engine::FocusEntry(d->Controls(), d->FocusControl());
    }
    void Key(engine::OWindow* d, int key) { Press(d, key); }
    // Space as the window system reports it: the key, its character, the release.
    // The press may close the dialog, so the rest goes to its platform window.
    void Space(engine::OWindow* d) {
        const platform::WindowId id = d->PlatformWindow();
        driver.Send(id, platform::EventKind::KeyDown, platform::Key_Space);
        driver.Send(id, platform::EventKind::Character, ' ');
        driver.Send(id, platform::EventKind::KeyUp, platform::Key_Space);
    }
    void ShiftTab(engine::OWindow* d) {
        const platform::WindowId id = d->PlatformWindow();
        driver.Send(id, platform::EventKind::KeyDown, platform::Key_Shift);
        driver.Press(d, platform::Key_Tab);
        driver.Send(id, platform::EventKind::KeyUp, platform::Key_Shift);
    }
};

TEST_F(KeyDialogs, TheQuestionsAnswerYesAndNoWithKeysAlone) {
    OpenGame();
    int quits = 0, changes = 0;
    GameDialogActions actions;
    actions.quit = [&quits] { ++quits; };
    actions.changeLevel = [&changes] { ++changes; };
    // Opened by a key, the question holds the focus on "Yes", with the ring around it.
    auto* quit = OpenByKey<OWndExit>(GameDialog::Quit, actions);
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(Focused(quit), quit->YesButton());
    EXPECT_TRUE(quit->Ring().Shown());
    Key(quit, platform::Key_Right);
    EXPECT_EQ(Focused(quit), quit->NoButton());
    Key(quit, platform::Key_Right);
    EXPECT_EQ(Focused(quit), quit->YesButton()) << "wrapped around";
    ShiftTab(quit);
    Key(quit, platform::Key_Return);
    EXPECT_EQ(Dialog<OWndExit>(), nullptr);
    EXPECT_EQ(quits, 0) << "No";

    quit = OpenByKey<OWndExit>(GameDialog::Quit, actions);
    ASSERT_NE(quit, nullptr);
    Space(quit);
    EXPECT_EQ(Dialog<OWndExit>(), nullptr);
    EXPECT_EQ(quits, 1) << "Yes";

    auto* level = OpenByKey<OWndExitLevel>(GameDialog::Level, actions);
    ASSERT_NE(level, nullptr);
    Key(level, platform::Key_Tab);
    Space(level);
    EXPECT_EQ(changes, 0);
    level = OpenByKey<OWndExitLevel>(GameDialog::Level, actions);
    ASSERT_NE(level, nullptr);
    Key(level, platform::Key_Return);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(window->IsBlocked());
}

TEST_F(KeyDialogs, OptionsAreSetKeptAndPutBackWithKeysAlone) {
    OpenGame();
    const GameSettings before = Settings();
    int keeps = 0;
    GameDialogActions actions;
    actions.keepSettings = [&keeps] { ++keeps; };
    auto* options = OpenByKey<OWndOptions>(GameDialog::Options, actions);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(Focused(options), options->OkButton());
    // Down from "Ok" goes on to "Cancel" and round to the first box; Up walks back.
    Key(options, platform::Key_Down);
    EXPECT_EQ(Focused(options), options->CancelButton());
    Key(options, platform::Key_Down);
    EXPECT_EQ(Focused(options), options->SoundBox());
    std::size_t sounds = headless->Sounds().size();
    Space(options);
    EXPECT_EQ(Settings().sound, !before.sound);
    EXPECT_EQ(Focused(options), options->SoundBox()) << "the box keeps the focus as it turns";
    const std::vector<std::string> afterSpace = headless->Sounds();
    const std::vector<std::string> bySpace(afterSpace.begin() + std::ptrdiff_t(sounds), afterSpace.end());
    Key(options, platform::Key_Down);
    sounds = headless->Sounds().size();
    Key(options, platform::Key_Return);
    EXPECT_EQ(Settings().autosave, !before.autosave);
    const std::vector<std::string> afterEnter = headless->Sounds();
    const std::vector<std::string> byEnter(afterEnter.begin() + std::ptrdiff_t(sounds), afterEnter.end());
    EXPECT_EQ(bySpace.size(), 1u) << "the box's click sound";
    EXPECT_EQ(bySpace, byEnter) << "Space sounds as Enter does";
    for (int i = 0; i < 4; ++i) Key(options, platform::Key_Down);
    EXPECT_EQ(Focused(options), options->SpeedBox(2));
    Space(options);
    EXPECT_EQ(Settings().speed, Speed::Slow);
    EXPECT_EQ(options->SpeedBox(1)->CurrentIndex(), 0);
    EXPECT_EQ(Focused(options), options->SpeedBox(2)) << "the chosen speed keeps the focus";
    // "Cancel" with Space puts everything back.
    Key(options, platform::Key_Tab);
    Key(options, platform::Key_Tab);
    EXPECT_EQ(Focused(options), options->CancelButton());
    Space(options);
    EXPECT_EQ(Dialog<OWndOptions>(), nullptr);
    EXPECT_EQ(Settings().sound, before.sound);
    EXPECT_EQ(Settings().autosave, before.autosave);
    EXPECT_EQ(Settings().speed, before.speed);
    EXPECT_EQ(keeps, 0);

    options = OpenByKey<OWndOptions>(GameDialog::Options, actions);
    ASSERT_NE(options, nullptr);
    for (int i = 0; i < 4; ++i) ShiftTab(options);
    EXPECT_EQ(Focused(options), options->PathBox());
    Space(options);
    Key(options, platform::Key_End); // no key of the dialog's: the focus stays
    EXPECT_EQ(Focused(options), options->PathBox());
    for (int i = 0; i < 4; ++i) Key(options, platform::Key_Right);
    EXPECT_EQ(Focused(options), options->OkButton());
    Key(options, platform::Key_Return);
    EXPECT_EQ(Dialog<OWndOptions>(), nullptr);
    EXPECT_EQ(Settings().showPath, !before.showPath);
    EXPECT_EQ(keeps, 1);
}

TEST_F(KeyDialogs, ANameIsTypedWithItsSpaceAndConfirmedWithKeysAlone) {
    OpenGame();
    OWndResult::LastPlayerName() = "Old";
    auto* result = OpenByKey<OWndResult>(GameDialog::Result, {}, 321);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->FocusControl(), result->NameField());
    for (int i = 0; i < 3; ++i) Key(result, platform::Key_Backspace);
    Type(result, "Ann");
    Space(result);
    Type(result, "Lee");
    // Left and Right move the caret inside the name; Enter there answers nothing.
    Key(result, platform::Key_Left);
    Key(result, platform::Key_Left);
    Key(result, platform::Key_Left);
    Key(result, platform::Key_Right);
    EXPECT_EQ(result->FocusControl(), result->NameField());
    EXPECT_EQ(result->NameField()->CaretPosition(), 5);
    Key(result, platform::Key_Return);
    ASSERT_EQ(Dialog<OWndResult>(), result);
    EXPECT_EQ(result->NameField()->GetText(), "Ann Lee");
    Key(result, platform::Key_Down);
    EXPECT_EQ(Focused(result), result->OkButton());
    Key(result, platform::Key_Return);
    EXPECT_EQ(Dialog<OWndResult>(), nullptr);
    EXPECT_EQ(ReadTable().tableText(), TodayRecordDate() + "\tAnn Lee\t1\t321\n");

    // Up from the name field reaches "Cancel": nothing is recorded.
    result = OpenByKey<OWndResult>(GameDialog::Result, {}, 5);
    ASSERT_NE(result, nullptr);
    Key(result, platform::Key_Up);
    EXPECT_EQ(Focused(result), result->CancelButton());
    Space(result);
    EXPECT_EQ(Dialog<OWndResult>(), nullptr);
    EXPECT_EQ(ReadTable().size(), 1u);
}

TEST_F(KeyDialogs, TheTopTenAndItsClearingAreAnsweredWithKeysAlone) {
    WriteTable("2001-7-5\tNed\t1\t10\n");
    OpenGame();
    auto* scores = OpenByKey<OWndScores>(GameDialog::Scores);
    ASSERT_NE(scores, nullptr);
    EXPECT_EQ(Focused(scores), scores->CloseButton());
    // The rows take no part: the keys step over the three buttons alone.
    Key(scores, platform::Key_Tab);
    EXPECT_EQ(Focused(scores), scores->PublishButton());
    Key(scores, platform::Key_Tab);
    EXPECT_EQ(Focused(scores), scores->ClearButton());
    Key(scores, platform::Key_Tab);
    EXPECT_EQ(Focused(scores), scores->CloseButton());
    Key(scores, platform::Key_Left);
    Space(scores);
    // Clearing asked for by a key starts on "No", which keeps the records.
    auto* clear = Dialog<OWndScoresClear>(scores);
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(Focused(clear), clear->NoButton());
    EXPECT_TRUE(clear->Ring().Shown());
    Key(clear, platform::Key_Return);
    EXPECT_EQ(Dialog<OWndScoresClear>(scores), nullptr);
    EXPECT_EQ(ReadTable().size(), 1u);
    EXPECT_EQ(Focused(scores), scores->ClearButton());
    Key(scores, platform::Key_Return);
    clear = Dialog<OWndScoresClear>(scores);
    ASSERT_NE(clear, nullptr);
    Key(clear, platform::Key_Left);
    Key(clear, platform::Key_Return);
    EXPECT_EQ(ReadTable().size(), 0u);
    Key(scores, platform::Key_Right);
    Key(scores, platform::Key_Return);
    EXPECT_EQ(Dialog<OWndScores>(), nullptr);
    EXPECT_FALSE(window->IsBlocked());

    // A mouse click on "Clear" opens the question as before: no focus, no ring.
    scores = OpenByKey<OWndScores>(GameDialog::Scores);
    ASSERT_NE(scores, nullptr);
    ClickOn(scores, scores->ClearButton());
    clear = Dialog<OWndScoresClear>(scores);
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->FocusControl(), nullptr);
    EXPECT_FALSE(clear->Ring().Shown());
}

TEST_F(KeyDialogs, AShiftLetGoWhileAnotherDialogHadTheKeysIsNotHeldAfterwards) {
    OpenGame();
    auto* scores = OpenByKey<OWndScores>(GameDialog::Scores);
    ASSERT_NE(scores, nullptr);
    Key(scores, platform::Key_Left);
    ASSERT_EQ(Focused(scores), scores->ClearButton());
    Send(scores, platform::EventKind::KeyDown, platform::Key_Shift, 0, 0);
    Key(scores, platform::Key_Return);
    auto* clear = Dialog<OWndScoresClear>(scores);
    ASSERT_NE(clear, nullptr);
    // The release reaches the question, which has the keyboard now.
    Send(clear, platform::EventKind::KeyUp, platform::Key_Shift, 0, 0);
    Key(clear, platform::Key_Escape);
    ASSERT_EQ(Dialog<OWndScoresClear>(scores), nullptr);
    Key(scores, platform::Key_Tab);
    EXPECT_EQ(Focused(scores), scores->CloseButton()) << "a plain Tab, forward";
}

TEST_F(KeyDialogs, APublishAskedForByKeyOpensTheAddress) {
    WriteTable("2001-7-5\tAnna\t1\t500\n");
    OpenGame();
    auto* scores = OpenByKey<OWndScores>(GameDialog::Scores);
    ASSERT_NE(scores, nullptr);
    Key(scores, platform::Key_Down);
    Space(scores);
    EXPECT_EQ(Dialog<OWndScores>(), nullptr);
    EXPECT_EQ(headless->Urls().size(), 1u);
}

TEST_F(KeyDialogs, TheKeysPageOpensFromTheRulesByButtonAndByF1AndGoesBack) {
    OpenGame();
    Send(window, platform::EventKind::KeyDown, platform::Key_F1, 10, 10);
    auto* rules = Dialog<OWndHelp>();
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->ShownPage(), OWndHelp::Page::Rules);
    auto visibleTexts = [&] {
        std::size_t count = 0;
        for (scene::OGraph* g : rules->Graphs())
            if (dynamic_cast<ui::OText*>(g) && g->IsVisible()) ++count;
        return count;
    };
    const std::size_t rulesWords = visibleTexts();
    // F1 again, in the rules window.
    Send(rules, platform::EventKind::KeyDown, platform::Key_F1, 10, 10);
    EXPECT_EQ(rules->ShownPage(), OWndHelp::Page::Keys);
    EXPECT_EQ(rules->PageButton()->GetText(), "Rules");
    std::string shown;
    for (scene::OGraph* g : rules->Graphs()) {
        auto* word = dynamic_cast<ui::OText*>(g);
        if (!word || !word->IsVisible()) continue;
        shown += word->GetText();
        // Every word lies inside the window, above the buttons.
        EXPECT_GE(word->X(), 0);
        EXPECT_LE(word->X() + word->Width(), float(OWndHelp::kWidth)) << word->GetText();
        EXPECT_LE(word->Y() + word->Height(), rules->PlayButton()->Y()) << word->GetText();
    }
    EXPECT_EQ(shown.find("Hoopstack keys: "), 0u);
    for (const char* text : {"Court: ", "Shift: ", "Panel: ", "F11 ", "Dialogs: ", "Shift+Tab ",
                             "Gamepad: ", "d-pad ", "Back ", "Replay: ", "Home ", "x8, "})
        EXPECT_NE(shown.find(text), std::string::npos) << text;
    EXPECT_EQ(shown.find("nutshell"), std::string::npos) << "the rules are hidden meanwhile";
    // F1 goes back to the rules, and their words are the ones shown again.
    Send(rules, platform::EventKind::KeyDown, platform::Key_F1, 10, 10);
    EXPECT_EQ(rules->ShownPage(), OWndHelp::Page::Rules);
    EXPECT_EQ(rules->PageButton()->GetText(), "Keys");
    EXPECT_EQ(visibleTexts(), rulesWords);

    // The page button by keys: Play holds the focus, Tab wraps round to "Keys", Space presses.
    Key(rules, platform::Key_Tab);
    EXPECT_EQ(Focused(rules), rules->PageButton());
    Space(rules);
    EXPECT_EQ(rules->ShownPage(), OWndHelp::Page::Keys);
    Key(rules, platform::Key_Return);
    EXPECT_EQ(rules->ShownPage(), OWndHelp::Page::Rules);
    // By the mouse too; and Escape closes the window from the keys page.
    ClickOn(rules, rules->PageButton());
    EXPECT_EQ(rules->ShownPage(), OWndHelp::Page::Keys);
    Key(rules, platform::Key_Escape);
    EXPECT_EQ(Dialog<OWndHelp>(), nullptr);
    EXPECT_FALSE(window->IsBlocked());
}

TEST_F(KeyDialogs, TheKeysPageOpensDirectlyForTheGamepadAndPlayCloses) {
    OpenGame();
    auto* keys = OpenByKey<OWndHelp>(GameDialog::Keys);
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(DialogName(GameDialog::Keys), std::string("keys"));
    EXPECT_EQ(keys->ShownPage(), OWndHelp::Page::Keys);
    EXPECT_EQ(Focused(keys), keys->PlayButton());
    keys->ShowRulesPage();
    keys->ShowKeysPage();
    keys->ShowKeysPage();
    EXPECT_EQ(keys->ShownPage(), OWndHelp::Page::Keys);
    Key(keys, platform::Key_Return);
    EXPECT_EQ(Dialog<OWndHelp>(), nullptr);

    // The rules window opened by the mouse's F1 key turns to the keys page when asked.
    window->OpenDialog(GameDialog::Rules);
    auto* rules = Dialog<OWndHelp>();
    ASSERT_NE(rules, nullptr);
    rules->ShowKeysPage();
    EXPECT_EQ(rules->ShownPage(), OWndHelp::Page::Keys);
    Key(rules, platform::Key_Escape);
    EXPECT_EQ(Dialog<OWndHelp>(), nullptr);
}

TEST_F(KeyDialogs, EveryDialogOpenedByKeyClosesWithEscapeAndHidesTheRingAtAMove) {
    OpenGame();
    for (GameDialog which : {GameDialog::Rules, GameDialog::Quit, GameDialog::Level, GameDialog::Options,
                             GameDialog::Scores, GameDialog::Result, GameDialog::Keys}) {
        auto* dialog = OpenByKey<ui::ODialog>(which);
        ASSERT_NE(dialog, nullptr) << DialogName(which);
        EXPECT_NE(dialog->FocusControl(), nullptr) << DialogName(which);
        EXPECT_TRUE(dialog->Ring().Shown()) << DialogName(which);
        driver.MoveTo(dialog, 3, 3);
        EXPECT_FALSE(dialog->Ring().Shown()) << DialogName(which);
        Send(dialog, platform::EventKind::KeyDown, platform::Key_Escape, 0, 0);
        Pump();
        EXPECT_EQ(engine::OWindow::DialogOf(window), nullptr) << DialogName(which);
    }
    EXPECT_FALSE(window->Finished());
}

} // namespace

// A player with a gamepad alone: a whole game, the result window and a name entered with the
// d-pad, then the Top 10 and the keys page.
class PadDialogs : public KeyDialogs {
protected:
    void Pad(platform::PadButton button, int times = 1) {
        for (int i = 0; i < times; ++i) {
            headless->InjectPadButton(button, true);
            headless->InjectPadButton(button, false);
            Pump();
        }
    }
    // The fewest d-pad presses from the character at the caret to `wanted`, up or down.
    void StepTo(ui::OEdit* edit, char wanted) {
        const std::string cycle = ui::OEdit::kCycledCharacters;
        const int count = int(cycle.size());
        const int from = int(cycle.find(edit->GetText()[std::size_t(edit->CaretPosition())]));
        const int up = ((int(cycle.find(wanted)) - from) % count + count) % count;
        if (up <= count / 2)
            Pad(platform::PadButton::Up, up);
        else
            Pad(platform::PadButton::Down, count - up);
    }
};

TEST_F(PadDialogs, AWholeGameItsResultAndANameArePlayedWithAGamepadAlone) {
    Settings().level = Level::Novice;
    OpenGame();
    rules::TGame* game = window->Game();
    driver.Frame(window);
    int presses = 0;
    for (int turn = 0; turn < 300 && !game->GameOver(); ++turn) {
        for (int i = 0;
             i < 20000 && !game->GameOver() && !(game->AcceptsClicks() && game->SelectedCell().IsValid());
             ++i)
            driver.Frame(window);
        if (game->GameOver()) break;
        // The first A shows the cursor on the selected ball, the next picks it.
        if (!window->Keys()->Visible() || window->Keys()->Cursor().Stage() == CursorStage::Picking) {
            Pad(platform::PadButton::A, window->Keys()->Visible() ? 1 : 2);
            ASSERT_EQ(window->Keys()->Cursor().Stage(), CursorStage::Aiming) << turn;
        }
        // The stick up for a few frames, a little to one side.
        headless->InjectPadAxis(platform::PadAxis::LeftY, -30000);
        headless->InjectPadAxis(platform::PadAxis::LeftX, turn % 2 ? 20000 : -20000);
        Pump();
        for (int i = 0; i < 25 + turn % 20; ++i) driver.Frame(window);
        headless->InjectPadAxis(platform::PadAxis::LeftY, 0);
        headless->InjectPadAxis(platform::PadAxis::LeftX, 0);
        Pump();
        Pad(platform::PadButton::A);
        ++presses;
    }
    for (int i = 0; i < 5000 && !game->IsSettled(); ++i) driver.Frame(window);
    ASSERT_TRUE(game->GameOver());
    const int score = game->Score();
    ASSERT_NE(game->Replay(), nullptr);
    EXPECT_TRUE(VerifyReplay(EncodeReplay(*game->Replay()), Level::Novice, score).verified);

    // A pad button brings the result, its name field holding the focus.
    Pad(platform::PadButton::Down);
    auto* result = Dialog<OWndResult>();
    ASSERT_NE(result, nullptr) << presses << " throws";
    auto* edit = dynamic_cast<ui::OEdit*>(result->FocusControl());
    ASSERT_NE(edit, nullptr);
    // Right to the end of the prefilled name, X takes it away letter by letter.
    Pad(platform::PadButton::Right, int(edit->GetText().size()));
    Pad(platform::PadButton::X, int(edit->GetText().size()));
    EXPECT_EQ(edit->GetText(), "");
    for (const char letter : std::string("Zoe 7")) {
        Pad(platform::PadButton::Up); // a new letter, "A"
        StepTo(edit, letter);
        Pad(platform::PadButton::Right);
    }
    EXPECT_EQ(edit->GetText(), "Zoe 7");
    // A held d-pad repeats: "A" is added, then the press held past the delay and two periods
    // steps it once and three times more.
    Pad(platform::PadButton::Up);
    headless->InjectPadButton(platform::PadButton::Up, true);
    Pump();
    for (std::uint32_t t = 0; t <= ui::HeldRepeat::kDelay + 2 * ui::HeldRepeat::kPeriod; t += 20) {
        headless->SetTime(driver.Time() + t);
        result->Tick(driver.Time() + t);
    }
    headless->InjectPadButton(platform::PadButton::Up, false);
    Pump();
    EXPECT_EQ(edit->GetText(), "Zoe 7E");
    Pad(platform::PadButton::Right);
    Pad(platform::PadButton::X);
    EXPECT_EQ(edit->GetText(), "Zoe 7");
    // A moves on to Ok, and A there records the name.
    Pad(platform::PadButton::A);
    EXPECT_EQ(result->FocusControl()->Graph(), result->OkButton());
    Pad(platform::PadButton::A);
    EXPECT_EQ(Dialog<OWndResult>(), nullptr);
    store::TScoresTable table = ReadTable();
    EXPECT_NE(table.tableText().find("Zoe 7"), std::string::npos) << table.tableText();

    // Y opens the Top 10, B closes it; Back opens the keys page, B closes it too.
    Pad(platform::PadButton::Y);
    ASSERT_NE(Dialog<OWndScores>(), nullptr);
    Pad(platform::PadButton::B);
    EXPECT_EQ(Dialog<OWndScores>(), nullptr);
    Pad(platform::PadButton::Back);
    auto* keys = Dialog<OWndHelp>();
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(keys->ShownPage(), OWndHelp::Page::Keys);
    // Back there turns to the rules, as F1 does.
    Pad(platform::PadButton::Back);
    EXPECT_EQ(keys->ShownPage(), OWndHelp::Page::Rules);
    Pad(platform::PadButton::B);
    EXPECT_EQ(Dialog<OWndHelp>(), nullptr);
}
