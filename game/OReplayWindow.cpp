#include "game/OReplayWindow.hpp"

#include <utility>

#include "engine/ControlEvents.hpp"
#include "platform/KeyCodes.hpp"
#include "ui/OText.hpp"
#include "ui/Translation.hpp"

namespace game {

namespace {

constexpr std::uint32_t kNoteColour = 0x1F3A6B;
constexpr const char* kNote = ui::TrLater("Replay");
constexpr const char* kOverNote = ui::TrLater("Replay over");
// The replay's buttons stand under the note.
constexpr float kControlsTop = 322;

// The middle of the score box (160 pixels wide), which the panel's notes and buttons are
// centred on.
float panelMiddle(const rules::CourtGeometry& g) {
    return float(g.courtWidth + 20 + 80);
}

} // namespace

OReplayWindow::OReplayWindow(OWindow* owner, const engine::CreationParams& params, GameWindowSetup setup)
    : OCourtWindow(owner, params, setup), m_replay(std::move(setup.playback).value_or(rules::GameReplay{})) {}

void OReplayWindow::BeginMode() {
    // The window's own game, started before, gives way to the recorded one; the level it sets
    // lasts as long as the window, as nothing saves the settings.
    rules::TGame& game = *Game();
    rules::ReplayCursor::StartReplay(game, rules::Settings(), m_replay);
    m_cursor.emplace(m_replay);
    const rules::CourtGeometry& g = game.Geometry();
    if (m_replay.ballWidth != g.ballWidth || m_replay.ballHeight != g.ballHeight) {
        m_problem = "it was played with balls of " + std::to_string(m_replay.ballWidth) + " x " +
                    std::to_string(m_replay.ballHeight) + " pixels, these are " +
                    std::to_string(g.ballWidth) + " x " + std::to_string(g.ballHeight);
    } else if (game.Replay() && game.Replay()->frameCounts != m_replay.frameCounts) {
        m_problem = "it was played with other ball pictures, which change the game";
    }
    Panel().ShowLevel(rules::Settings().level);
    // What would start, change or score another game is not offered: New, the Top 10 (whose
    // window can clear and publish records), the options and the more-games page.
    Panel().HideGameCommands();
    // In their place the panel says what the court shows.
    m_note = new ui::OText(ui::Tr(kNote));
    engine::FontRecord font = m_note->Font();
    font.weight = 700;
    font.height = 26;
    font.colour = kNoteColour;
    m_note->SetFont(font);
    AddObject(m_note);
    PlaceNote();
    m_controls.Build(*this, panelMiddle(game.Geometry()), kControlsTop);
}

void OReplayWindow::Restart() {
    std::lock_guard lock(Lock());
    if (!Game() || IsClosing()) return;
    // A new game from the recording's start clears the court, the balls in the air included.
    rules::ReplayCursor::StartReplay(*Game(), rules::Settings(), m_replay);
    m_cursor.emplace(m_replay);
    if (scene::OGraph::IsLive(m_note) && m_note->GetText() != ui::Tr(kNote)) {
        m_note->SetText(ui::Tr(kNote));
        PlaceNote();
    }
}

void OReplayWindow::Serve(ReplayCommand command) {
    std::lock_guard lock(Lock());
    if (!Game() || IsClosing()) return;
    switch (command) {
    case ReplayCommand::PauseOrPlay:
        TogglePause();
        return;
    case ReplayCommand::Restart:
        Resume();
        Restart();
        return;
    case ReplayCommand::Slower:
    case ReplayCommand::Faster:
        if (command == ReplayCommand::Faster ? m_speed.Faster() : m_speed.Slower()) {
            m_controls.ShowSpeed(m_speed);
            PaintWhileStopped();
        }
        return;
    case ReplayCommand::None:
        return;
    }
}

void OReplayWindow::ShowPause(bool paused) {
    m_controls.ShowPaused(paused);
}

void OReplayWindow::PlaceNote() {
    // Centred under the score box, where the New button stands in a game.
    m_note->SetPosition(panelMiddle(Game()->Geometry()) - m_note->Width() / 2, 280, m_note->RelativeZ());
}

void OReplayWindow::StepCourt(std::uint32_t time) {
    // Once the recording is over the court stays as it ended; its balls still spin.
    if (!m_cursor) return;
    rules::TGame& game = *Game();
    // Each of the recording's frames but the last of this shown one gets the motion a frame
    // gives the scene, without its picture, so that the court moves as it does at x1. A
    // frame that ends the recording ends the run: nothing moves after it, as at x1.
    for (int frame = 0; frame < m_speed.FramesPerShownFrame(); ++frame) {
        if (frame > 0) StepObjects(time);
        if (!m_cursor->StepGame(game) || m_cursor->Done()) break;
    }
    if (!m_cursor->Done()) return;
    // A recording cut while balls moved (or with a throw after its last frame) leaves them
    // where they are: the rules move them no further, so the frame must not either.
    for (rules::Ball* ball : game.Flying()) ball->SetSpeed(0, 0);
    for (rules::Ball* ball : game.FallingQueue()) ball->SetSpeed(0, 0);
    if (scene::OGraph::IsLive(m_note) && m_note->GetText() != ui::Tr(kOverNote)) {
        m_note->SetText(ui::Tr(kOverNote));
        PlaceNote();
    }
}

void OReplayWindow::KeyDown(int code, int x, int y) {
    // Clicks never reach the rules; the buttons still see them.
    if (code == platform::Key_Escape) SetFinished(true);
    if (const ReplayCommand command = ReplayCommandForKey(code); command != ReplayCommand::None) {
        NoteInput(true);
        Serve(command);
        return;
    }
    OCourtWindow::KeyDown(code, x, y);
}

void OReplayWindow::PaintWhileStopped() {
    std::lock_guard lock(Lock());
    if (Paused() && !IsClosing()) Render();
}

void OReplayWindow::ControlEvent(engine::WindowControl* sender, int code) {
    if (code != engine::Event_Click || !sender) return;
    if (const ReplayCommand command = m_controls.Which(sender->Graph()); command != ReplayCommand::None)
        Serve(command);
    else
        ServeButton(Panel().Which(sender->Graph()));
}

void OReplayWindow::PressButton(GamePanel::Button which) {
    if (ServeSharedButton(which)) return;
    // Nothing to save, so nothing to confirm.
    if (which == GamePanel::Button::Close) SetFinished(true);
}

GameDialogActions OReplayWindow::DialogActions() {
    // Nothing to keep: a quit only ends the window. No level change, no settings kept.
    GameDialogActions actions;
    actions.quit = [this] { SetFinished(true); };
    return actions;
}

} // namespace game
