#include "game/OGameWindow.hpp"

#include "engine/ControlEvents.hpp"
#include "engine/ShellOpen.hpp"
#include "game/HighScores.hpp"
#include "game/ReplayFiles.hpp"
#include "platform/KeyCodes.hpp"
#include "scene/AssetNames.hpp"
#include "store/FileIO.hpp"
#include "ui/OButton.hpp"
#include "ui/OText.hpp"

#ifndef HOOPSTACK_WEB_BASE
#define HOOPSTACK_WEB_BASE "http://127.0.0.1:8080"
#endif

namespace game {

using scene::OClip;
using scene::OGraph;

namespace {

constexpr const char* kDefaultButton = scene::assets::kDefaultButton;
constexpr const char* kButtonSound = scene::assets::kButtonSound;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kLevelCaption = 0x99CCFF;
constexpr std::uint32_t kPlaybackNoteColour = 0x1F3A6B;
constexpr const char* kPlaybackNote = "Replay";
constexpr const char* kPlaybackOverNote = "Replay over";

// A window that shows a recording reads and writes no saved game.
GameWindowSetup withoutSaves(GameWindowSetup setup) {
    if (setup.playback) {
        setup.statePath.reset();
        setup.preset.reset();
        setup.writer.reset();
    }
    return setup;
}

ui::OButton* makeButton(const std::string& skin, const std::string& caption) {
    auto* button = new ui::OButton(caption, skin, 0, 1, 2, false, kDefaultButton);
    button->SetSounds(kButtonSound, kButtonSound);
    return button;
}

} // namespace

OGameWindow::OGameWindow(OWindow* owner, const engine::CreationParams& params, GameWindowSetup setup)
    : OWindow(owner, params), m_setup(withoutSaves(std::move(setup))) {}

std::string OGameWindow::MoreGamesAddress() {
    return std::string(HOOPSTACK_WEB_BASE) + "/cgi-bin/screen.pl/games.shtml?r=qx&c=b";
}

void OGameWindow::AddShown(const std::string& file, float x, float y, float depth) {
    auto* clip = new OClip;
    if (!clip->LoadFile(file)) {
        OGraph::Release(clip);
        return;
    }
    clip->SetPosition(x, y, depth);
    AddObject(clip);
}

bool OGameWindow::LoadBorders() {
    const char* files[4] = {scene::assets::kBorderTop, scene::assets::kBorderBottom,
                            scene::assets::kBorderLeft, scene::assets::kBorderRight};
    const float places[4][3] = {{0, 0, -15}, {0, 579, -15}, {0, 10, -20}, {566, 10, -20}};
    OClip* borders[4] = {};
    bool all = true;
    for (int i = 0; i < 4; ++i) {
        borders[i] = new OClip;
        all = borders[i]->LoadFile(files[i]) && all;
    }
    for (int i = 0; i < 4; ++i) {
        if (all) {
            borders[i]->SetPosition(places[i][0], places[i][1], places[i][2]);
            AddObject(borders[i]);
        } else {
            OGraph::Release(borders[i]);
        }
    }
    return all;
}

void OGameWindow::AddButtons() {
    const CourtGeometry& g = m_game->Geometry();
    m_close = makeButton(scene::assets::kCloseButton, "");
    m_close->SetPosition(float(Width()) - m_close->Width() - 2, 0, m_close->RelativeZ());
    m_down = makeButton(scene::assets::kMinimiseButton, "");
    m_down->SetPosition(m_close->X() - m_down->Width() - 2, 0, m_down->RelativeZ());
    m_help = makeButton(scene::assets::kHelpButton, "");
    m_help->SetPosition(m_down->X() - m_help->Width() - 2, 0, m_help->RelativeZ());
    for (ui::OButton* b : {m_close, m_down, m_help}) AddObject(b);

    m_new = makeButton(scene::assets::kNewGameButton, "");
    m_new->SetPosition(float(g.courtWidth + 65), 270, m_new->RelativeZ());
    m_scores = makeButton(scene::assets::kScoresButton, "");
    m_scores->SetPosition(m_new->X() - m_new->Height() * 0.5f, m_new->Y() + m_new->Height() + 5,
                          m_scores->RelativeZ());
    m_options = makeButton(scene::assets::kOptionsButton, "");
    m_options->SetPosition(m_new->X() + m_new->Height() * 0.5f, m_new->Y() + m_new->Height() + 5,
                           m_options->RelativeZ());
    m_games = makeButton(scene::assets::kGamesButton, "");
    m_games->SetPosition(m_new->X(), m_options->Y() + m_options->Height() + 5, m_games->RelativeZ());
    m_level = makeButton(scene::assets::kLevelButton, LevelName(Settings().level));
    m_level->SetPosition(float(g.courtWidth + 50), 50, m_level->RelativeZ());

    engine::FontRecord font = m_new->Caption()->Font();
    font.weight = 400;
    font.height = 26;
    font.colour = kWhite;
    for (ui::OButton* b : {m_new, m_games, m_options, m_level, m_scores}) b->Caption()->SetFont(font);
    font.colour = kLevelCaption;
    m_level->Caption()->SetFont(font);
    for (ui::OButton* b : {m_new, m_scores, m_options, m_games, m_level}) {
        AddObject(b);
        b->Caption()->Realign();
    }
}

bool OGameWindow::Start() {
    m_writer = m_setup.writer;
    if (!m_writer && m_setup.statePath) m_writer = MakeStateWriter(*m_setup.statePath);
    m_scene = std::make_unique<CourtScene>(*this);
    if (!m_scene->LoadBalls()) {
        m_scene.reset();
        return false;
    }
    const OClip* first = m_scene->Prototype(1);
    const CourtGeometry geometry = CourtGeometry::FromBall(int(first->Width()), int(first->Height()));
    m_game = std::make_unique<TGame>(*m_scene, Settings(), geometry);

    m_scene->LoadMarkers(geometry.courtLeft, geometry.courtTop, geometry.ballWidth);
    LoadBorders();
    AddShown(scene::assets::kScoreBox, float(geometry.courtWidth + 20), 120, 5.0f);
    m_scene->LoadDigits(geometry.courtWidth);

    // The saved game: the settings always come back, the board only when allowed.
    std::optional<TSavedGame> saved = m_setup.preset;
    if (!saved && m_setup.statePath) saved = LoadSavedGame(*m_setup.statePath);
    if (saved) {
        Settings() = saved->settings;
        // The rules continue the replay only when it plays to exactly this board.
        m_game->SetSavedGame(*saved, m_setup.preset ? std::nullopt : ReadSavedReplay());
    }
    AddButtons();

    SetDragRect(geometry.courtLeft + geometry.courtWidth, 0, Width(), Height());
    m_game->Seed(m_setup.seed ? *m_setup.seed : FreshSeed());
    SetFramesPerSecond(50);
    m_game->NewGame();
    if (IsPlayback()) StartPlayback();
    return OWindow::Start();
}

void OGameWindow::Stop() {
    {
        std::lock_guard lock(Lock());
        // Every orderly end keeps the player's game, as the quit confirmation does.
        if (m_game && m_game->GamesStarted() > 0) SaveGame();
        m_game.reset();
        if (m_scene) m_scene->ReleasePrototypes();
    }
    OWindow::Stop();
    m_scene.reset();
    // A writer of the window's own drains and ends here; a shared one goes on.
    m_writer.reset();
}

TSavedGame OGameWindow::SavedState() const {
    TSavedGame saved;
    saved.settings = Settings();
    if (!m_game) return saved;
    saved.score = m_game->Score();
    saved.gameOver = m_game->GameOver();
    saved.cells = ColoursOf(m_game->Grid());
    saved.boardEmpty = CountBalls(m_game->Grid()) == 0;
    return saved;
}

std::optional<std::string> OGameWindow::ReplayText() const {
    const GameReplay* replay = m_game ? m_game->Replay() : nullptr;
    if (!replay) return std::nullopt;
    return ReplayFileText(*replay);
}

std::optional<GameReplay> OGameWindow::ReadSavedReplay() const {
    if (!m_setup.statePath) return std::nullopt;
    return ReadReplayFile(ReplayPathBeside(*m_setup.statePath));
}

std::shared_ptr<store::SaveWriter> OGameWindow::MakeStateWriter(const std::string& path) {
    // A kill in the middle of writing the replay leaves its temporary file, as for the state.
    store::removeStaleTemporaries(ReplayPathBeside(path));
    return std::make_shared<store::SaveWriter>(
        path, [](const std::string& reason) { ReportSaveFailure("state.dat", reason); }, store::SaveWriter::WriteFunction(),
        [](const std::string&, const std::string& reason) { ReportSaveFailure("replay.dat", reason); });
}

store::SaveWriter::Companion OGameWindow::ReplayCompanion(const std::optional<std::string>& replay) const {
    return {ReplayPathBeside(m_writer->Path()), replay};
}

OGameWindow::KeptGame OGameWindow::GameToKeep() const {
    if (m_handedOver && !m_game->IsSettled()) {
        KeptGame kept = *m_handedOver;
        kept.state.settings = Settings();
        return kept;
    }
    return {SavedState(), ReplayText()};
}

bool OGameWindow::SaveGame() {
    std::lock_guard lock(Lock());
    if (!m_writer || !m_game) return false;
    m_handedOver = GameToKeep();
    std::string error;
    if (m_writer->WriteNow(FormatSavedGame(m_handedOver->state), &error, {ReplayCompanion(m_handedOver->replay)}))
        return true;
    ReportSaveFailure("state.dat", error);
    return false;
}

void OGameWindow::SaveInBackground(KeptGame kept) {
    if (!m_writer || (m_handedOver && m_handedOver->state == kept.state)) return;
    m_writer->Submit(FormatSavedGame(kept.state), {ReplayCompanion(kept.replay)});
    m_handedOver = std::move(kept);
}

void OGameWindow::KeepAtRest() {
    if (!m_writer) return;
    TSavedGame state = SavedState();
    if (m_handedOver && m_handedOver->state == state) return;
    SaveInBackground({std::move(state), ReplayText()});
}

void OGameWindow::SaveSettings() {
    std::lock_guard lock(Lock());
    if (!m_game || !m_writer) return;
    // A throw may be on its way: the board and the replay stay those of the last rest.
    SaveInBackground(GameToKeep());
}

void OGameWindow::NewGame() {
    std::lock_guard lock(Lock());
    if (!m_game) return;
    m_game->NewGame();
    KeepAtRest();
}

void OGameWindow::ChangeLevel() {
    std::lock_guard lock(Lock());
    Settings().level = Level((static_cast<int>(Settings().level) + 1) % kLevels);
    if (OGraph::IsLive(m_level)) m_level->SetText(LevelName(Settings().level));
    NewGame();
}

void OGameWindow::Tick(std::uint32_t time) {
    std::lock_guard lock(Lock());
    if (IsPlayback()) return PlaybackTick(time);
    if (m_game && !IsClosing()) {
        m_game->Step(time);
        // Only a court at rest is kept: a ball in flight is not on the board yet.
        if (m_game->IsSettled()) KeepAtRest();
    }
    OWindow::Tick(time);
}

void OGameWindow::OpenPendingResult() {
    // A recording's end enters no record in the Top 10.
    if (m_game && m_game->ResultPending() && !IsPlayback()) {
        m_game->ClearResultPending();
        OpenDialog(GameDialog::Result);
    }
}

void OGameWindow::MouseMove(int x, int y) {
    OWindow::MouseMove(x, y);
    OpenPendingResult();
}

void OGameWindow::KeyDown(int code, int x, int y) {
    if (IsPlayback()) return PlaybackKeyDown(code, x, y);
    OpenPendingResult();
    if (m_game && code == platform::Key_LButton) m_game->Click(x, y);
    if (code == platform::Key_F1) OpenDialog(GameDialog::Rules);
    if (code == platform::Key_F2) OpenDialog(GameDialog::Scores);
    if (code == platform::Key_F3) OpenDialog(GameDialog::Options);
    OWindow::KeyDown(code, x, y);
}

void OGameWindow::ControlEvent(engine::WindowControl* sender, int code) {
    if (IsPlayback()) return PlaybackControlEvent(sender, code);
    if (code != engine::Event_Click || !sender || !m_game) return;
    const OGraph* button = sender->Graph();
    if (button == m_help) {
        OpenDialog(GameDialog::Rules);
    } else if (button == m_down) {
        ShowRestored(false);
    } else if (button == m_close) {
        OpenDialog(GameDialog::Quit);
    } else if (button == m_level) {
        if (m_game->Score() == 0 || m_game->GameOver())
            ChangeLevel();
        else
            OpenDialog(GameDialog::Level);
    } else if (button == m_new) {
        NewGame();
    } else if (button == m_options) {
        OpenDialog(GameDialog::Options);
    } else if (button == m_scores) {
        OpenDialog(GameDialog::Scores);
    } else if (button == m_games) {
        engine::ShellOpen(MoreGamesAddress());
    }
}

void OGameWindow::OpenDialog(GameDialog which) {
    m_dialogRequest = DialogName(which);
    if (!m_setup.openDialogs || !m_game) return;
    GameDialogContext context{this, m_game->Score(), static_cast<int>(Settings().level) + 1, {}};
    // The result is recorded with the replay of the game that ended, when it has one.
    if (which == GameDialog::Result)
        if (const GameReplay* replay = m_game->Replay(); replay && replay->finished) context.replay = EncodeReplay(*replay);
    OpenGameDialog(which, context);
}

void OGameWindow::StartPlayback() {
    // The game window's own game, started before, gives way to the recorded one; the level
    // it sets lasts as long as the window, as nothing saves the settings.
    const GameReplay& replay = *m_setup.playback;
    ReplayCursor::StartReplay(*m_game, Settings(), replay);
    m_cursor.emplace(replay);
    const CourtGeometry& g = m_game->Geometry();
    if (replay.ballWidth != g.ballWidth || replay.ballHeight != g.ballHeight) {
        m_playbackProblem = "it was played with balls of " + std::to_string(replay.ballWidth) + " x " +
                            std::to_string(replay.ballHeight) + " pixels, these are " +
                            std::to_string(g.ballWidth) + " x " + std::to_string(g.ballHeight);
    } else if (m_game->Replay() && m_game->Replay()->frameCounts != replay.frameCounts) {
        m_playbackProblem = "it was played with other ball pictures, which change the game";
    }
    if (OGraph::IsLive(m_level)) m_level->SetText(LevelName(Settings().level));
    // What would start, change or score another game is not offered: New, the Top 10 (whose
    // window can clear and publish records), the options and the more-games page.
    for (ui::OButton* b : {m_new, m_scores, m_options, m_games})
        if (OGraph::IsLive(b)) b->SetVisible(false);
    // In their place the panel says what the court shows.
    m_playbackNote = new ui::OText(kPlaybackNote);
    engine::FontRecord font = m_playbackNote->Font();
    font.weight = 700;
    font.height = 26;
    font.colour = kPlaybackNoteColour;
    m_playbackNote->SetFont(font);
    AddObject(m_playbackNote);
    PlaceNote();
}

void OGameWindow::PlaceNote() {
    // Centred under the score box (160 pixels wide), where the New button stands in a game.
    const float middle = float(m_game->Geometry().courtWidth + 20 + 80);
    m_playbackNote->SetPosition(middle - m_playbackNote->Width() / 2, 280, m_playbackNote->RelativeZ());
}

void OGameWindow::PlaybackTick(std::uint32_t time) {
    // Once the recording is over the court stays as it ended; its balls still spin.
    if (m_game && m_cursor && !IsClosing()) {
        m_cursor->StepGame(*m_game);
        if (m_cursor->Done()) {
            // A recording cut while balls moved (or with a throw after its last frame) leaves
            // them where they are: the rules move them no further, so the frame must not either.
            for (Ball* ball : m_game->Flying()) ball->SetSpeed(0, 0);
            for (Ball* ball : m_game->FallingQueue()) ball->SetSpeed(0, 0);
            if (OGraph::IsLive(m_playbackNote) && m_playbackNote->GetText() != kPlaybackOverNote) {
                m_playbackNote->SetText(kPlaybackOverNote);
                PlaceNote();
            }
        }
    }
    OWindow::Tick(time);
}

void OGameWindow::PlaybackKeyDown(int code, int x, int y) {
    // Clicks never reach the rules; the buttons still see them.
    if (code == platform::Key_Escape) SetFinished(true);
    if (code == platform::Key_F1) OpenDialog(GameDialog::Rules);
    OWindow::KeyDown(code, x, y);
}

void OGameWindow::PlaybackControlEvent(engine::WindowControl* sender, int code) {
    if (code != engine::Event_Click || !sender) return;
    const OGraph* button = sender->Graph();
    if (button == m_help) {
        OpenDialog(GameDialog::Rules);
    } else if (button == m_down) {
        ShowRestored(false);
    } else if (button == m_close) {
        // Nothing to save, so nothing to confirm.
        SetFinished(true);
    }
}

std::string OGameWindow::TakeDialogRequest() {
    std::string request;
    request.swap(m_dialogRequest);
    return request;
}

} // namespace game
