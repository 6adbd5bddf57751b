#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "game/OCourtWindow.hpp"
#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"

namespace ui {
class OText;
}

namespace game {

// The court window that shows a recorded game (GameWindowSetup::playback): its game started
// from the recording, the recording's frames fed to the rules one per frame, the input that
// would change the game ignored, and the ends that need no question (Escape, the close
// button). It keeps no saved game and opens no result, so its end enters nothing in the Top 10.
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

protected:
    void BeginMode() override;
    void StepCourt(std::uint32_t time) override;
    GameDialogActions DialogActions() override;

private:
    void PlaceNote();

    rules::GameReplay m_replay;
    std::optional<rules::ReplayCursor> m_cursor;
    std::string m_problem;
    ui::OText* m_note = nullptr;
};

} // namespace game
