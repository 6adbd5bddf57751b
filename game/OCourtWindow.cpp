#include "game/OCourtWindow.hpp"

#include "game/PanelKeys.hpp"
#include "platform/KeyCodes.hpp"
#include "scene/AssetNames.hpp"

namespace game {

using scene::OClip;
using scene::OGraph;

OCourtWindow::OCourtWindow(OWindow* owner, const engine::CreationParams& params, const GameWindowSetup& setup)
    : OWindow(owner, params),
      m_seed(setup.seed),
      m_openDialogs(setup.openDialogs),
      m_fullScreenSwitched(setup.fullScreenSwitched) {}

void OCourtWindow::AddShown(const std::string& file, float x, float y, float depth) {
    auto* clip = new OClip;
    if (!clip->LoadFile(file)) {
        OGraph::Release(clip);
        return;
    }
    clip->SetPosition(x, y, depth);
    AddObject(clip);
}

bool OCourtWindow::LoadBorders() {
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

bool OCourtWindow::Start() {
    m_scene = std::make_unique<CourtScene>(*this);
    if (!m_scene->LoadBalls()) {
        m_scene.reset();
        return false;
    }
    const OClip* first = m_scene->Prototype(1);
    const rules::CourtGeometry geometry =
        rules::CourtGeometry::FromBall(int(first->Width()), int(first->Height()));
    m_game = std::make_unique<rules::TGame>(*m_scene, rules::Settings(), geometry);

    m_scene->LoadMarkers(geometry.courtLeft, geometry.courtTop, geometry.ballWidth);
    LoadBorders();
    AddShown(scene::assets::kScoreBox, float(geometry.courtWidth + 20), 120, 5.0f);
    m_scene->LoadDigits(geometry.courtWidth);
    m_banner.Load(*this, geometry);

    PrepareGame();
    m_panel.Build(*this, geometry, rules::Settings().level);

    SetDragRect(geometry.courtLeft + geometry.courtWidth, 0, Width(), Height());
    m_game->Seed(m_seed ? *m_seed : rules::FreshSeed());
    SetFramesPerSecond(50);
    m_game->NewGame();
    BeginMode();
    return OWindow::Start();
}

void OCourtWindow::ReplaceGame(std::uint32_t seed, const std::optional<rules::TSavedGame>& saved,
                               std::optional<rules::GameReplay> replay) {
    const rules::CourtGeometry geometry = m_game->Geometry();
    // The old game takes its balls off the scene as it goes.
    m_game.reset();
    m_game = std::make_unique<rules::TGame>(*m_scene, rules::Settings(), geometry);
    if (saved) m_game->SetSavedGame(*saved, std::move(replay));
    m_game->Seed(seed);
    m_game->NewGame();
}

void OCourtWindow::Stop() {
    {
        std::lock_guard lock(Lock());
        HoldFrames(false);
        if (m_game) EndInOrder();
        m_game.reset();
        if (m_scene) m_scene->ReleasePrototypes();
    }
    OWindow::Stop();
    m_scene.reset();
}

void OCourtWindow::Tick(std::uint32_t time) {
    std::lock_guard lock(Lock());
    // A stopped court does not move; what stopping it changed is painted once, by ApplyPause.
    if (m_pause.Paused()) return;
    // The court and its pictures run on the game's clock, which stands while the game does.
    const std::uint32_t gameTime = m_pause.GameTime(time);
    if (m_game && !IsClosing()) StepCourt(gameTime);
    OWindow::Tick(gameTime);
}

void OCourtWindow::KeyDown(int code, int x, int y) {
    NoteInput(!platform::IsMouseButton(code));
    if (SwitchesFullScreen(code)) return;
    if (code == 'P' || code == platform::Key_Pause) {
        TogglePause();
        return;
    }
    if (const GamePanel::Button which = PanelButtonForKey(code); which != GamePanel::Button::None)
        ServeButton(which);
    OWindow::KeyDown(code, x, y);
}

void OCourtWindow::KeyUp(int code, int x, int y) {
    m_fullScreenKeys.KeyUp(code);
    OWindow::KeyUp(code, x, y);
}

bool OCourtWindow::SwitchesFullScreen(int code) {
    if (!m_fullScreenKeys.KeyDown(code)) return false;
    // Key input is served on the main thread, where the platform's window calls belong.
    FullScreenKeys::Switch(PlatformWindow(), m_fullScreenSwitched);
    return true;
}

void OCourtWindow::FocusChanged(bool gained) {
    if (!gained) m_fullScreenKeys.Release();
    {
        std::lock_guard lock(Lock());
        const std::uint32_t now = platform::CurrentPlatform().Milliseconds();
        if (m_game && !IsClosing()) {
            if (gained) {
                if (m_pause.FocusGained(now)) ApplyPause();
            } else if (!IsBlocked()) {
                m_pause.FocusLost(now);
                ApplyPause();
            }
        }
    }
    OWindow::FocusChanged(gained);
}

void OCourtWindow::MouseMove(int x, int y) {
    // A window appearing under a still pointer reports it where it rests.
    if (x != m_mouseX || y != m_mouseY) NoteInput(false);
    m_mouseX = x;
    m_mouseY = y;
    OWindow::MouseMove(x, y);
}

void OCourtWindow::PadButtonDown(platform::PadButton button) {
    NoteInput(true);
    switch (button) {
    case platform::PadButton::Back:
        Resume();
        OpenDialog(GameDialog::Keys);
        break;
    case platform::PadButton::X:
        ServeButton(GamePanel::Button::New);
        break;
    case platform::PadButton::Y:
        ServeButton(GamePanel::Button::Scores);
        break;
    case platform::PadButton::Start:
        ServeButton(GamePanel::Button::Options);
        break;
    default:
        break;
    }
    OWindow::PadButtonDown(button);
}

void OCourtWindow::TogglePause() {
    std::lock_guard lock(Lock());
    if (!m_game || IsClosing()) return;
    m_pause.Toggle(platform::CurrentPlatform().Milliseconds());
    ApplyPause();
}

void OCourtWindow::Resume() {
    std::lock_guard lock(Lock());
    if (!m_pause.Paused()) return;
    m_pause.Resume(platform::CurrentPlatform().Milliseconds());
    ApplyPause();
}

void OCourtWindow::ApplyPause() {
    const bool paused = m_pause.Paused();
    if (paused == m_pauseShown) return;
    m_pauseShown = paused;
    ShowPause(paused);
    if (paused) {
        // The last frame before the hold: the banner goes on screen now.
        Render();
        HoldFrames(true);
    } else {
        HoldFrames(false);
    }
}

void OCourtWindow::ShowPause(bool paused) {
    m_banner.Show(paused);
}

void OCourtWindow::ServeButton(GamePanel::Button which) {
    Resume();
    PressButton(which);
}

bool OCourtWindow::ServeSharedButton(GamePanel::Button which) {
    if (which == GamePanel::Button::Help) {
        OpenDialog(GameDialog::Rules);
    } else if (which == GamePanel::Button::Down) {
        ShowRestored(false);
    } else {
        return false;
    }
    return true;
}

void OCourtWindow::OpenDialog(GameDialog which) {
    m_dialogRequest = DialogName(which);
    if (!m_openDialogs || !m_game) return;
    GameDialogContext context;
    context.owner = this;
    context.score = m_game->Score();
    context.level = static_cast<int>(rules::Settings().level) + 1;
    context.actions = DialogActions();
    context.byKey = m_byKey;
    // The result is recorded with the replay of the game that ended, when it has one.
    if (which == GameDialog::Result || which == GameDialog::DailyResult)
        if (const rules::GameReplay* replay = m_game->Replay(); replay && replay->finished)
            context.replay = rules::EncodeReplay(*replay);
    // F11 and Alt+Enter switch the full screen from the dialogs too. The court window is
    // blocked while they live, and both are served on the main thread.
    context.keysFirst = [this](int code, bool down) {
        if (down) return SwitchesFullScreen(code);
        m_fullScreenKeys.KeyUp(code);
        return false;
    };
    CompleteDialogContext(which, context);
    OpenGameDialog(which, context);
}

std::string OCourtWindow::TakeDialogRequest() {
    std::string request;
    request.swap(m_dialogRequest);
    return request;
}

} // namespace game
