#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "game/CourtKeys.hpp"
#include "game/CourtPad.hpp"
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

    std::optional<std::string> m_statePath;
    std::optional<rules::TSavedGame> m_preset;
    // The writer given in the setup, if any; Start hands it (or one of its own) to m_saves.
    std::shared_ptr<store::SaveWriter> m_givenWriter;
    GameSaves m_saves;
    std::optional<CourtKeys> m_keys;
    CourtPad m_pad;
    KeyMarks m_marks;
};

} // namespace game
