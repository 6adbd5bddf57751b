#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/OWindow.hpp"
#include "game/CourtScene.hpp"
#include "game/FullScreenKeys.hpp"
#include "game/GameDialogs.hpp"
#include "game/GamePanel.hpp"
#include "game/GamePause.hpp"
#include "game/GameWindowSetup.hpp"
#include "game/PauseBanner.hpp"
#include "rules/TGame.hpp"

namespace ui {
class OButton;
class OText;
}

namespace game {

// A window that shows a court: the court on the left, the panel with the level button, the
// score box and the command buttons on the right, and the small buttons at the top right.
// Builds all of it, drives the rules once per frame, serves the help and minimise buttons and
// F1, and opens the dialogs. What the court's game is, what the input does to it and what is
// kept of it belong to the mode, a class derived from this one (the game window, the replay
// window); each mode fills in the hooks below.
class OCourtWindow : public engine::OWindow {
public:
    // Takes the setup's seed and whether dialogs open; the rest is the mode's.
    OCourtWindow(OWindow* owner, const engine::CreationParams& params, const GameWindowSetup& setup);

    bool Start() override;
    void Stop() override;
    void Tick(std::uint32_t time) override;
    // F11 or Alt+Enter switches between the window and the full screen; P or Pause stops or
    // resumes the game; a panel key serves its button (resuming a stopped
    // game first); then the inherited handling, which serves the buttons.
    void KeyDown(int code, int x, int y) override;
    void KeyUp(int code, int x, int y) override;
    // The window losing the focus stops the game, unless a dialog of its own took it (the game
    // stands still under a dialog anyway); the focus coming back resumes what that stopped.
    void FocusChanged(bool gained) override;
    // The pad's panel buttons: X a new game, Y the Top 10, Start the options, Back the keys.
    void PadButtonDown(platform::PadButton button) override;
    // A real move of the mouse: dialogs asked for from now on are the mouse's.
    void MouseMove(int x, int y) override;

    // Stops a running game or resumes a stopped one: flights, drops and the removal queue
    // stand still, the court says "Paused" and the window runs no frames until it resumes.
    void TogglePause();
    // Resumes a stopped game; nothing when it runs.
    void Resume();
    bool Paused() const { return m_pause.Paused(); }

    // Opens one of the window's dialogs over it (a dialog that cannot start is gone at
    // once and the game goes on), and notes which was asked for.
    void OpenDialog(GameDialog which);
    // The last dialog asked for since the last call, or empty.
    std::string TakeDialogRequest();

    // Why the court shown is not the one the window was opened for, though the window started;
    // empty when it is.
    virtual std::string Problem() const { return {}; }

    rules::TGame* Game() { return m_game.get(); }
    const rules::TGame* Game() const { return m_game.get(); }
    CourtScene* Scene() { return m_scene.get(); }
    ui::OButton* LevelButton() const { return m_panel.LevelButton(); }
    ui::OButton* NewButton() const { return m_panel.NewButton(); }
    ui::OButton* CloseButton() const { return m_panel.CloseButton(); }
    ui::OButton* DailyButton() const { return m_panel.DailyButton(); }
    ui::OText* MarkText() const { return m_panel.MarkText(); }

protected:
    // Once the court is built, before the panel: what the mode's first game starts from (a
    // saved game's settings and board).
    virtual void PrepareGame() {}
    // Once the first game has started, before the window runs.
    virtual void BeginMode() {}
    // The mode's steps of one frame, before the scene moves; never while closing.
    virtual void StepCourt(std::uint32_t time) = 0;
    // On every orderly end, with the lock held, while the game is still there.
    virtual void EndInOrder() {}
    // What the dialogs may do to this window; none by default.
    virtual GameDialogActions DialogActions() { return {}; }
    // The mode's part of what a dialog is opened with; nothing by default.
    virtual void CompleteDialogContext(GameDialog, GameDialogContext&) {}
    // What a panel button does in this mode, clicked or pressed by its key (PanelKeys).
    virtual void PressButton(GamePanel::Button which) = 0;

    // The panel's buttons both modes serve alike (help, minimise); true when `which` was one.
    bool ServeSharedButton(GamePanel::Button which);
    // A button clicked or pressed by its key: resumes a stopped game, then PressButton.
    void ServeButton(GamePanel::Button which);
    // Stops or resumes as `pause` now has it: shows it (ShowPause), and holds or lets go the
    // frames.
    void ApplyPause();
    // How the court shows that it stands still or runs again: the "Paused" banner across it.
    virtual void ShowPause(bool paused);
    GamePause& Pause() { return m_pause; }
    // The input being served came from a key or a pad (true) or from the mouse: a dialog it
    // opens starts on its default control, with the focus ring, for a player without a mouse.
    void NoteInput(bool byKey) { m_byKey = byKey; }

    GamePanel& Panel() { return m_panel; }
    // Puts a new game in place of the current one, with the lock held: its generator starts
    // at `seed`, and its first game continues `saved` (with `replay`) when that may be
    // restored, as the window's first game does.
    void ReplaceGame(std::uint32_t seed, const std::optional<rules::TSavedGame>& saved,
                     std::optional<rules::GameReplay> replay);
    // Switches the window between the window and the full screen when the key press is F11 or
    // Alt+Enter, and tells the setup's callback when it did; true when the key was the switch.
    bool SwitchesFullScreen(int code);

private:
    bool LoadBorders();
    void AddShown(const std::string& file, float x, float y, float depth);

    std::optional<std::uint32_t> m_seed;
    bool m_openDialogs = true;
    std::unique_ptr<CourtScene> m_scene;
    std::unique_ptr<rules::TGame> m_game;
    GamePanel m_panel;
    GamePause m_pause;
    PauseBanner m_banner;
    bool m_pauseShown = false;
    bool m_byKey = false;
    int m_mouseX = -1;
    int m_mouseY = -1;
    std::string m_dialogRequest;
    FullScreenKeys m_fullScreenKeys;
    std::function<void(bool)> m_fullScreenSwitched;
};

} // namespace game
