#include "game/OGameWindow.hpp"

#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/ControlEvents.hpp"
#include "engine/ShellOpen.hpp"
#include "game/ReplayFiles.hpp"
#include "platform/KeyCodes.hpp"
#include "rules/GameRandom.hpp"
#include "ui/OButton.hpp"

#ifndef HOOPSTACK_WEB_BASE
#define HOOPSTACK_WEB_BASE "http://127.0.0.1:8080"
#endif

namespace game {

OGameWindow::OGameWindow(OWindow* owner, const engine::CreationParams& params, GameWindowSetup setup)
    : OCourtWindow(owner, params, setup),
      m_statePath(std::move(setup.statePath)),
      m_preset(std::move(setup.preset)),
      m_givenWriter(std::move(setup.writer)),
      m_dailyStatePath(std::move(setup.dailyStatePath)),
      m_givenDailyWriter(std::move(setup.dailyWriter)),
      m_daily(std::move(setup.statisticsPath), std::move(setup.clock)) {}

std::string OGameWindow::MoreGamesAddress() {
    return std::string(HOOPSTACK_WEB_BASE) + "/cgi-bin/screen.pl/games.shtml?r=qx&c=b";
}

bool OGameWindow::Start() {
    std::shared_ptr<store::SaveWriter> writer = m_givenWriter;
    if (!writer && m_statePath) writer = GameSaves::MakeStateWriter(*m_statePath);
    m_saves = GameSaves(std::move(writer));
    if (m_dailyStatePath) {
        // The daily slot's folder is made here; a failure shows when its first save fails.
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(*m_dailyStatePath).parent_path(), error);
        m_dailySaves = GameSaves(m_givenDailyWriter ? m_givenDailyWriter
                                                    : GameSaves::MakeStateWriter(*m_dailyStatePath));
    }
    return OCourtWindow::Start();
}

void OGameWindow::PrepareGame() {
    // The saved game: the settings always come back, the board only when allowed.
    std::optional<rules::TSavedGame> saved = m_preset;
    if (!saved && m_statePath) saved = rules::LoadSavedGame(*m_statePath);
    if (saved) {
        rules::Settings() = saved->settings;
        // The rules continue the replay only when it plays to exactly this board.
        Game()->SetSavedGame(*saved, m_preset ? std::nullopt : ReadSavedReplay());
        m_firstRestored = saved->CanRestore();
    }
}

std::optional<rules::GameReplay> OGameWindow::ReadSavedReplay() const {
    if (!m_statePath) return std::nullopt;
    return ReadReplayFile(ReplayPathBeside(*m_statePath));
}

void OGameWindow::BeginMode() {
    m_keys.emplace(Game()->Geometry());
    m_marks.Load(*this);
    if (!m_firstRestored) m_daily.GameStarted(rules::Settings().level);
    // Without a slot of its own there is no day's court to offer.
    if (!m_dailyStatePath && scene::OGraph::IsLive(DailyButton())) DailyButton()->SetVisible(false);
}

void OGameWindow::EndInOrder() {
    // A game that ended unseen still counts.
    if (Game()->ResultPending()) {
        Game()->ClearResultPending();
        m_daily.GameEnded(rules::Settings().level, Game()->Score());
    }
    // Every orderly end keeps the player's game, as the quit confirmation does.
    if (Game()->GamesStarted() > 0) SaveGame();
}

void OGameWindow::Stop() {
    OCourtWindow::Stop();
    m_saves.ReleaseWriter();
    m_dailySaves.ReleaseWriter();
}

bool OGameWindow::SaveGame() {
    std::lock_guard lock(Lock());
    if (!Game()) return false;
    return ActiveSaves().SaveNow(*Game());
}

void OGameWindow::SaveSettings() {
    std::lock_guard lock(Lock());
    if (Game()) ActiveSaves().KeepSettings(*Game());
}

void OGameWindow::NewGame() {
    std::lock_guard lock(Lock());
    if (!Game()) return;
    if (InDaily()) {
        // Another game of the day's court is practice.
        const DailyGame practice = m_daily.Practice();
        ReplaceGame(practice.start, std::nullopt, std::nullopt);
        ShowMode();
    } else {
        Game()->NewGame();
        m_daily.GameStarted(rules::Settings().level);
    }
    ActiveSaves().KeepAtRest(*Game());
}

bool OGameWindow::SwitchDaily() {
    std::lock_guard lock(Lock());
    if (!Game() || !m_dailyStatePath) return false;
    // The game left is kept as it stands, waiting for the disk, before the other is shown.
    ActiveSaves().SaveNow(*Game());
    if (InDaily())
        LeaveDaily();
    else
        EnterDaily();
    ShowMode();
    ActiveSaves().KeepAtRest(*Game());
    return true;
}

void OGameWindow::EnterDaily() {
    m_regularLevel = rules::Settings().level;
    std::optional<rules::TSavedGame> saved = rules::LoadSavedGame(*m_dailyStatePath);
    std::optional<rules::GameReplay> replay = ReadReplayFile(ReplayPathBeside(*m_dailyStatePath));
    // The settings are the player's; only the board and the level are the slot's.
    if (saved) saved->settings = rules::Settings();
    const DailyEntry entry = m_daily.Enter(replay, saved && saved->CanRestore());
    rules::Settings().level = entry.game.level;
    if (saved) saved->settings.level = entry.game.level;
    if (entry.resume)
        ReplaceGame(entry.game.start, saved, std::move(replay));
    else
        ReplaceGame(entry.game.start, std::nullopt, std::nullopt);
}

void OGameWindow::LeaveDaily() {
    m_daily.Leave();
    rules::Settings().level = m_regularLevel;
    std::optional<rules::TSavedGame> saved;
    std::optional<rules::GameReplay> replay;
    if (m_statePath) {
        saved = rules::LoadSavedGame(*m_statePath);
        replay = ReadSavedReplay();
    }
    if (saved) {
        const rules::Level level = saved->settings.level;
        saved->settings = rules::Settings();
        // A board of another level than the one kept does not come back.
        if (level != m_regularLevel) saved->boardEmpty = true;
    }
    const bool restored = saved && saved->CanRestore();
    ReplaceGame(rules::FreshSeed(), saved, std::move(replay));
    if (!restored) m_daily.GameStarted(rules::Settings().level);
}

void OGameWindow::ShowMode() {
    Panel().ShowLevel(rules::Settings().level);
    Panel().ShowMark(!InDaily() ? GamePanel::Mark::None
                                : (DailyRanked() ? GamePanel::Mark::Daily : GamePanel::Mark::Practice));
}

void OGameWindow::ChangeLevel() {
    std::lock_guard lock(Lock());
    // The day's court has the day's level.
    if (InDaily()) return;
    rules::Settings().level = rules::Level((static_cast<int>(rules::Settings().level) + 1) % rules::kLevels);
    Panel().ShowLevel(rules::Settings().level);
    NewGame();
}

void OGameWindow::StepCourt(std::uint32_t time) {
    Game()->Step(time);
    if (m_keys) {
        const bool turned = m_keys->Follow(*Game());
        const bool padMoved = m_pad.Frame(*m_keys, *Game(), time);
        if (turned || padMoved) ShowKeyMarks();
    }
    // Only a court at rest is kept: a ball in flight is not on the board yet.
    if (Game()->IsSettled()) ActiveSaves().KeepAtRest(*Game());
}

void OGameWindow::OpenPendingResult() {
    if (Game() && Game()->ResultPending()) {
        NoteGameEnded();
        OpenDialog(m_outcome ? GameDialog::DailyResult : GameDialog::Result);
        m_outcome.reset();
    }
}

void OGameWindow::NoteGameEnded() {
    std::lock_guard lock(Lock());
    if (!Game() || !Game()->ResultPending()) return;
    Game()->ClearResultPending();
    m_outcome = m_daily.GameEnded(rules::Settings().level, Game()->Score());
}

void OGameWindow::MouseMove(int x, int y) {
    if (m_keys && m_keys->MouseMoved(x, y)) ShowKeyMarks();
    OCourtWindow::MouseMove(x, y);
    OpenPendingResult();
}

void OGameWindow::KeyDown(int code, int x, int y) {
    NoteInput(!platform::IsMouseButton(code));
    // Before the court's keys, for which Enter is a click.
    if (SwitchesFullScreen(code)) return;
    OpenPendingResult();
    if (!Game()) return OCourtWindow::KeyDown(code, x, y);
    // The panel's clicks go to its buttons alone.
    if (code == platform::Key_LButton && rules::IsOnCourt(Game()->Geometry(), x, y)) ClickCourt(x, y);
    // Court keys wait while the game stands; P and the panel's keys do not.
    if (m_keys && !Paused() && Answer(m_keys->KeyDown(code, *Game()))) return;
    OCourtWindow::KeyDown(code, x, y);
}

bool OGameWindow::Answer(const CourtKeyAnswer& answer) {
    if (answer.click) {
        ClickCourt(answer.click->x, answer.click->y);
        m_keys->Clicked(*Game());
    }
    if (answer.handled) ShowKeyMarks();
    return answer.handled;
}

void OGameWindow::FocusChanged(bool gained) {
    if (!gained) {
        // What was held when the focus went is never released here.
        if (m_keys) m_keys->ReleaseKeys();
        m_pad.Release();
    }
    OCourtWindow::FocusChanged(gained);
}

void OGameWindow::PadButtonDown(platform::PadButton button) {
    NoteInput(true);
    OpenPendingResult();
    if (!Game() || !m_keys) return;
    // A stopped game resumes on the pad's A, as on a click on the court.
    if (Paused()) {
        if (button == platform::PadButton::A) return Resume();
    } else if (Answer(m_pad.ButtonDown(button, *m_keys, *Game(),
                                       Pause().GameTime(platform::CurrentPlatform().Milliseconds())))) {
        return;
    }
    OCourtWindow::PadButtonDown(button);
}

void OGameWindow::PadButtonUp(platform::PadButton button) {
    m_pad.ButtonUp(button);
    OCourtWindow::PadButtonUp(button);
}

void OGameWindow::PadAxisMoved(platform::PadAxis axis, int value) {
    m_pad.AxisMoved(axis, value);
    OCourtWindow::PadAxisMoved(axis, value);
}

void OGameWindow::KeyUp(int code, int x, int y) {
    if (m_keys) m_keys->KeyUp(code);
    OCourtWindow::KeyUp(code, x, y);
}

void OGameWindow::ClickCourt(int x, int y) {
    if (Paused()) {
        Resume();
        return;
    }
    Game()->Click(x, y);
}

void OGameWindow::ShowKeyMarks() {
    if (!m_keys || !m_keys->Visible())
        m_marks.Hide();
    else
        m_marks.Show(m_keys->Cursor(), Game()->Geometry());
}

void OGameWindow::ControlEvent(engine::WindowControl* sender, int code) {
    if (code == engine::Event_Click && sender) ServeButton(Panel().Which(sender->Graph()));
}

void OGameWindow::PressButton(GamePanel::Button which) {
    if (!Game() || ServeSharedButton(which)) return;
    switch (which) {
    case GamePanel::Button::Close:
        OpenDialog(GameDialog::Quit);
        break;
    case GamePanel::Button::Level:
        // The day's court has the day's level.
        if (InDaily()) break;
        if (Game()->Score() == 0 || Game()->GameOver())
            ChangeLevel();
        else
            OpenDialog(GameDialog::Level);
        break;
    case GamePanel::Button::New:
        NewGame();
        break;
    case GamePanel::Button::Options:
        OpenDialog(GameDialog::Options);
        break;
    case GamePanel::Button::Scores:
        OpenDialog(GameDialog::Scores);
        break;
    case GamePanel::Button::Games:
        engine::ShellOpen(MoreGamesAddress());
        break;
    case GamePanel::Button::Daily:
        SwitchDaily();
        break;
    case GamePanel::Button::Statistics:
        OpenDialog(GameDialog::Statistics);
        break;
    default:
        break;
    }
}

GameDialogActions OGameWindow::DialogActions() {
    GameDialogActions actions;
    actions.quit = [this] {
        SaveGame();
        SetFinished(true);
    };
    actions.changeLevel = [this] { ChangeLevel(); };
    actions.keepSettings = [this] { SaveSettings(); };
    return actions;
}

void OGameWindow::CompleteDialogContext(GameDialog which, GameDialogContext& context) {
    if (which == GameDialog::DailyResult && m_outcome) context.daily = *m_outcome;
    if (which == GameDialog::Statistics) {
        context.statistics = m_daily.Statistics();
        context.today = m_daily.Today();
    }
}

} // namespace game
