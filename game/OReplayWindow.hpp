#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "game/OCourtWindow.hpp"
#include "game/ReplayControls.hpp"
#include "game/ReplayKeys.hpp"
#include "game/ReplaySpeed.hpp"
#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"

namespace ui {
class OText;
}

namespace game {

// The court window that shows a recorded game (GameWindowSetup::playback): its game started
// from the recording, the recording's frames fed to the rules one per frame at x1 and several
// per frame shown at the faster speeds, the input that would change the game ignored, and the
// ends that need no question (Escape, the close button). The player pauses and plays on,
// changes the speed and starts the recording again from its beginning with the keys of
// ReplayKeys or the panel's buttons (ReplayControls). It keeps no saved game and opens no
// result, so its end enters nothing in the Top 10.
class OReplayWindow : public OCourtWindow {
public:
    // `setup.playback` holds the recording.
    OReplayWindow(OWindow* owner, const engine::CreationParams& params, GameWindowSetup setup);

    void KeyDown(int code, int x, int y) override;
    void ControlEvent(engine::WindowControl* sender, int code) override;
    void PressButton(GamePanel::Button which) override;

    // The recording has played all its frames; its court stays as it ended.
    bool PlaybackOver() const { return m_cursor && m_cursor->Done(); }
    // Why the window cannot show its recording as it was played, or empty: the recording's
    // balls had another size or other frame counts, which make another court and other draws.
    std::string Problem() const override { return m_problem; }
    // The panel's note that the court shows a recording ("Replay", then "Replay over").
    ui::OText* PlaybackNote() const { return m_note; }

    // Does what a replay key or button asks for: pause or play on (as P does), one speed
    // slower or faster (a stopped replay stays stopped), or the recording again from its
    // start on a fresh court, playing, at the speed chosen.
    void Serve(ReplayCommand command);
    const ReplaySpeed& Speed() const { return m_speed; }
    const ReplayControls& Controls() const { return m_controls; }
    // The recording's frames played so far on the court shown.
    std::uint32_t FramesPlayed() const { return m_cursor ? m_cursor->Tick() : 0; }

protected:
    void BeginMode() override;
    void StepCourt(std::uint32_t time) override;
    GameDialogActions DialogActions() override;
    // The replay stands with its court in view: no banner, the pause button becomes play.
    void ShowPause(bool paused) override;

private:
    void PlaceNote();
    void Restart();
    // A stopped replay runs no frames: what a command changed on the panel (a new speed) is
    // painted at once.
    void PaintWhileStopped();

    rules::GameReplay m_replay;
    std::optional<rules::ReplayCursor> m_cursor;
    std::string m_problem;
    ui::OText* m_note = nullptr;
    ReplaySpeed m_speed;
    ReplayControls m_controls;
};

} // namespace game
