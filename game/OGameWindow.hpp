#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "game/CourtKeys.hpp"
#include "game/CourtPad.hpp"
#include "game/DailyPlay.hpp"
#include "game/GameSaves.hpp"
#include "game/KeyMarks.hpp"
#include "game/OCourtWindow.hpp"
#include "rules/GameReplay.hpp"
#include "rules/TSavedGame.hpp"
#include "store/SaveWriter.hpp"

namespace game {

// The court window the game is played in. It restores the saved game, turns clicks on the
// court into selections and throws, serves the panel's commands and function keys, opens the
// result when a game has ended, and keeps the game through its GameSaves. A setup's playback
// is not for this window (NewCourtWindow opens a replay window for it).
class OGameWindow : public OCourtWindow {
public:
    OGameWindow(OWindow* owner, const engine::CreationParams& params, GameWindowSetup setup = {});

    bool Start() override;
    void Stop() override;
    void MouseMove(int x, int y) override;
    void KeyDown(int code, int x, int y) override;
    void KeyUp(int code, int x, int y) override;
    void FocusChanged(bool gained) override;
    void PadButtonDown(platform::PadButton button) override;
    void PadButtonUp(platform::PadButton button) override;
    void PadAxisMoved(platform::PadAxis axis, int value) override;
    void ControlEvent(engine::WindowControl* sender, int code) override;
    void PressButton(GamePanel::Button which) override;

    // Starts a new game at once.
    void NewGame();
    // Moves to the next level and starts a new game there.
    void ChangeLevel();
    // Switches between the regular game and the day's court, each kept in its own files and
    // continued where it was left; false when the window has no daily slot.
    bool SwitchDaily();
    // Whether the court shown is the day's, and whether it is the ranked attempt.
    bool InDaily() const { return m_daily.Current().has_value(); }
    bool DailyRanked() const { return InDaily() && m_daily.Current()->ranked; }
    const DailyPlay& Daily() const { return m_daily; }
    // Writes the settings and the board now, with its replay, after any write in progress and
    // instead of any waiting; false when there is nothing to save or the write failed, which
    // the player is told about once. While balls move, the board is that of the last rest.
    bool SaveGame();
    // Hands the current settings, with the board of the last rest, to the writer's thread.
    void SaveSettings();
    rules::TSavedGame SavedState() const { return GameSaves::SavedState(Game()); }
    // The current game's replay as its file holds it, or none for a game without one.
    std::optional<std::string> ReplayText() const { return GameSaves::ReplayText(Game()); }

    // Key play on the court, once the window started; none before.
    const CourtKeys* Keys() const { return m_keys ? &*m_keys : nullptr; }
    const KeyMarks& Marks() const { return m_marks; }

    // The saved game's writer once started, or none.
    store::SaveWriter* Writer() const { return m_saves.Writer(); }

    // The more-games page opened by the Games button.
    static std::string MoreGamesAddress();

protected:
    void PrepareGame() override;
    void BeginMode() override;
    void StepCourt(std::uint32_t time) override;
    void EndInOrder() override;
    GameDialogActions DialogActions() override;
    void CompleteDialogContext(GameDialog which, GameDialogContext& context) override;

private:
    void OpenPendingResult();
    // A left click on the court, from the mouse or from key play: a stopped game only resumes.
    void ClickCourt(int x, int y);
    // Shows the key cursor as it stands, or hides it.
    void ShowKeyMarks();
    // A court key's or pad button's answer: its click made, the cursor shown; true if handled.
    bool Answer(const CourtKeyAnswer& answer);
    // Reads the saved game's replay, when it is to be read; a bad one is none.
    std::optional<rules::GameReplay> ReadSavedReplay() const;
    // The saves of the game being played: the daily slot's on the day's court.
    GameSaves& ActiveSaves() { return InDaily() ? m_dailySaves : m_saves; }
    // The day's court is entered or left, with the lock held.
    void EnterDaily();
    void LeaveDaily();
    // The panel's level button and mark as the court shown has them.
    void ShowMode();
    // Counts a game that ended; a ranked attempt's end is kept for its result window.
    void NoteGameEnded();

    std::optional<std::string> m_statePath;
    std::optional<rules::TSavedGame> m_preset;
    // The writer given in the setup, if any; Start hands it (or one of its own) to m_saves.
    std::shared_ptr<store::SaveWriter> m_givenWriter;
    GameSaves m_saves;
    std::optional<std::string> m_dailyStatePath;
    std::shared_ptr<store::SaveWriter> m_givenDailyWriter;
    GameSaves m_dailySaves;
    DailyPlay m_daily;
    // The regular game's level, while the day's court shows its own.
    rules::Level m_regularLevel = rules::Level::Novice;
    // The ranked attempt that ended, for the result window.
    std::optional<DailyOutcome> m_outcome;
    // The first game continued a saved board, so it was counted when it started.
    bool m_firstRestored = false;
    std::optional<CourtKeys> m_keys;
    CourtPad m_pad;
    KeyMarks m_marks;
};

} // namespace game
