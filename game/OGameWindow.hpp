#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/OWindow.hpp"
#include "game/CourtScene.hpp"
#include "game/GameDialogs.hpp"
#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"
#include "rules/TGame.hpp"
#include "rules/TSavedGame.hpp"
#include "store/SaveWriter.hpp"

namespace ui {
class OButton;
class OText;
}

namespace game {

// Where the game window keeps its saved game, and how the simulator replaces it.
struct GameWindowSetup {
    // The saved game's file; none reads and writes nothing.
    std::optional<std::string> statePath;
    // Used instead of reading the file, as if it had been read.
    std::optional<TSavedGame> preset;
    // The random seed; none takes a fresh one, different on every run.
    std::optional<std::uint32_t> seed;
    // False only notes the dialogs asked for (the simulator, whose game must keep ticking).
    bool openDialogs = true;
    // Writes the saved game; none makes one for `statePath` that lives as long as the window.
    std::shared_ptr<store::SaveWriter> writer;
    // A recorded game to show instead of a game to play: the window feeds it to the rules
    // frame by frame and takes no input that would change the game. Such a window keeps no
    // saved game and no Top 10: its state path, preset and writer are dropped.
    std::optional<GameReplay> playback;
};

// The window the game is played in: the court on the left, the panel with the level
// button, the score and the command buttons on the right, and the small buttons at the
// top right. It turns clicks into selections and throws, drives the rules once per frame,
// and asks for the dialogs. Saves the game each time the court comes to rest, a game starts
// or the settings change, through the writer's thread so that no frame waits for the disk,
// and once more, waiting for the disk, whenever it ends in order. The game's replay goes with
// every save, in "replay.dat" beside the saved game, taken at the moment of the board it is
// saved with; a game without a replay removes that file.
class OGameWindow : public engine::OWindow {
public:
    OGameWindow(OWindow* owner, const engine::CreationParams& params, GameWindowSetup setup = {});

    bool Start() override;
    void Stop() override;
    void Tick(std::uint32_t time) override;
    void MouseMove(int x, int y) override;
    void KeyDown(int code, int x, int y) override;
    void ControlEvent(engine::WindowControl* sender, int code) override;

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
    TSavedGame SavedState() const;
    // The current game's replay as its file holds it, or none for a game without one.
    std::optional<std::string> ReplayText() const;

    // A writer for the saved game whose failures (its replay's too) the player is told about
    // once per file.
    static std::shared_ptr<store::SaveWriter> MakeStateWriter(const std::string& path);

    // Opens one of the window's dialogs over it (a dialog that cannot start is gone at
    // once and the game goes on), and notes which was asked for.
    void OpenDialog(GameDialog which);
    // The last dialog asked for since the last call, or empty.
    std::string TakeDialogRequest();

    TGame* Game() { return m_game.get(); }
    // The saved game's writer once started, or none.
    store::SaveWriter* Writer() const { return m_writer.get(); }
    CourtScene* Scene() { return m_scene.get(); }
    ui::OButton* LevelButton() const { return m_level; }
    ui::OButton* NewButton() const { return m_new; }
    ui::OButton* CloseButton() const { return m_close; }

    // The more-games page opened by the Games button.
    static std::string MoreGamesAddress();

    // The window shows a recorded game (GameWindowSetup::playback).
    bool IsPlayback() const { return m_setup.playback.has_value(); }
    // A shown recording has played all its frames; its court stays as it ended.
    bool PlaybackOver() const { return m_cursor && m_cursor->Done(); }
    // Why the window cannot show its recording as it was played, or empty: the recording's
    // balls had another size or other frame counts, which make another court and other draws.
    const std::string& PlaybackProblem() const { return m_playbackProblem; }
    // The panel's note that the court shows a recording ("Replay", then "Replay over"), or null.
    ui::OText* PlaybackNote() const { return m_playbackNote; }

private:
    void OpenPendingResult();
    bool LoadBorders();
    void AddButtons();
    void AddShown(const std::string& file, float x, float y, float depth);
    // A saved game and the replay that goes with it (its file's text; none removes the file).
    struct KeptGame {
        TSavedGame state;
        std::optional<std::string> replay;
    };
    // What to keep now: the current court and replay at rest; while balls move, those of the
    // last rest (the thrown ball is on no cell), with the current settings.
    KeptGame GameToKeep() const;
    // The writer's companion for the replay: written beside the state, or removed.
    store::SaveWriter::Companion ReplayCompanion(const std::optional<std::string>& replay) const;
    // At rest: hands the court and its replay to the writer's thread unless that court was
    // handed over last. The replay is encoded only then, not on every frame.
    void KeepAtRest();
    // Hands the state and its replay to the writer's thread unless the state is the one
    // handed over last.
    void SaveInBackground(KeptGame kept);
    // Reads the saved game's replay, when it is to be read; a bad one is none.
    std::optional<GameReplay> ReadSavedReplay() const;
    // A recording shown: its game started, the frames fed, the input that would change the
    // game ignored, and the ends that need no question (Escape, the close button).
    void StartPlayback();
    void PlaceNote();
    void PlaybackTick(std::uint32_t time);
    void PlaybackKeyDown(int code, int x, int y);
    void PlaybackControlEvent(engine::WindowControl* sender, int code);

    GameWindowSetup m_setup;
    std::unique_ptr<CourtScene> m_scene;
    std::unique_ptr<TGame> m_game;
    ui::OButton* m_close = nullptr;
    ui::OButton* m_down = nullptr;
    ui::OButton* m_help = nullptr;
    ui::OButton* m_new = nullptr;
    ui::OButton* m_scores = nullptr;
    ui::OButton* m_options = nullptr;
    ui::OButton* m_games = nullptr;
    ui::OButton* m_level = nullptr;
    std::string m_dialogRequest;
    std::shared_ptr<store::SaveWriter> m_writer;
    std::optional<KeptGame> m_handedOver;
    std::optional<ReplayCursor> m_cursor;
    std::string m_playbackProblem;
    ui::OText* m_playbackNote = nullptr;
};

} // namespace game
