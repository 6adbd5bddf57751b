#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "rules/BoardRules.hpp"
#include "rules/CourtGeometry.hpp"
#include "rules/CourtState.hpp"
#include "rules/GameObserver.hpp"
#include "rules/GameReplay.hpp"
#include "rules/GameScene.hpp"
#include "rules/GameSettings.hpp"
#include "rules/ReplayRecorder.hpp"
#include "rules/TSavedGame.hpp"

namespace rules {

// The rules of one court: the board, the throw in flight, matching and scoring, drops and
// the end of a game. The game window drives it once per frame and forwards the player's
// clicks; everything it shows goes through the scene. Holds no lock: its owner serialises
// every call.
class TGame {
public:
    TGame(GameScene& scene, GameSettings& settings, CourtGeometry geometry);
    ~TGame();
    TGame(const TGame&) = delete;
    TGame& operator=(const TGame&) = delete;

    // The saved game that the first new game restores (when it may). With the replay saved
    // beside it, the game is rebuilt by playing the replay and goes on recording it, when
    // the replay ends at rest on exactly the saved board, score and level; otherwise the
    // board is laid out from the saved game and the game has no replay.
    void SetSavedGame(const TSavedGame& saved, std::optional<GameReplay> replay = std::nullopt);
    void Seed(std::uint32_t seed) { m_court.random.Seed(seed); }
    // The generator's state when the current game started, before it drew its board: with
    // the level and the inputs it fixes everything the game does.
    std::uint32_t StartState() const { return m_startState; }
    // The observer told of the throws and the ceiling's refreshes from now on; null for none.
    // It must outlive the game or be replaced first.
    void SetObserver(GameObserver* observer) { m_observer = observer ? observer : &m_unobserved; }

    // Starts a game: restores the saved board on the first game when allowed, else a
    // fresh lower half.
    void NewGame();
    // The game steps of one frame, before the scene moves the balls by their velocities.
    void Step(std::uint32_t time);
    // The same with the pace decided by the caller (a replay): on a paced frame a queued
    // ball moves on; the clock does so every 200 ms.
    void Advance(bool pace);
    // A left click at window pixel (x, y), which must be on the court (IsOnCourt): the caller
    // keeps the panel's clicks away. Ignored while balls move or wait, and after the game is over.
    void Click(int x, int y);

    // The state, as the window, the simulator and the tests read it.
    const CourtState& Court() const { return m_court; }
    const CourtGeometry& Geometry() const { return m_geometry; }
    const BallGrid& Grid() const { return m_court.grid; }
    const std::vector<Ball*>& Flying() const { return m_court.flying; }
    const std::deque<Ball*>& RemovalQueue() const { return m_court.removal; }
    const std::deque<Ball*>& FallingQueue() const { return m_court.falling; }
    const std::array<Ball*, 17>& CeilingRow() const { return m_court.ceiling; } // slots 1-16
    const std::array<int, kColours>& ColourCounts() const { return m_court.counts; }
    std::vector<int> PresentColours() const { return m_court.PresentColours(); }
    Cell SelectedCell() const { return m_court.selected; }
    double FlightEffort() const { return m_court.effort; }
    int Score() const { return m_court.score; }
    int PointsPerBall() const { return m_court.pointsPerBall; }
    int FailCount() const { return m_court.failCount; }
    int PendingDrops() const { return m_court.pendingDrops; }
    bool GameOver() const { return m_court.gameOver; }
    bool BonusPending() const { return m_court.bonusPending; }
    bool ResultPending() const { return m_court.resultPending; }
    void ClearResultPending() { m_court.resultPending = false; }
    int GamesStarted() const { return m_gamesStarted; }
    // True when nothing moves or waits: no flight, no queued ball, no pending drop or bonus.
    bool IsSettled() const { return m_court.IsSettled(); }
    // Whether a click on the court would be taken now.
    bool AcceptsClicks() const { return m_court.AcceptsClicks(); }

    // The current game's record since it started, closed when the game ends; none for a
    // game laid out from a saved board without a matching replay.
    const GameReplay* Replay() const { return m_recorder.Replay(); }
    // The first game went on from the saved replay.
    bool ContinuedReplay() const { return m_continuedReplay; }

private:
    // The steps below the click, for the soak bot and the tests.
    friend class CourtControls;

    bool Select(Cell cell);
    bool Launch(int x, int y);
    void EndGame();

    Ball* NewBall(int colour);
    void Destroy(Ball* ball);
    void DestroyMovingBalls();
    void ClearBoard();
    void FillCeilingRow();
    void RefreshCeilingRow();
    void RebuildCounts();
    Ball* CeilingBall(int column, int colour);
    int RandomPresentColour();
    void PlaySound(GameSound sound, bool wait = false);
    void ShowSelectionOn(Cell cell);
    void RestAllMarkers();
    void AutoSelect();
    void StepFlights();
    // Lands the ball in the cell; true when the game ended with the bonus, which stops
    // this frame's flights.
    bool Land(std::size_t index, Cell cell);
    bool EvaluateLanding(Cell cell);
    void AddDrops();
    void PaceStep();
    void DropStep();
    void PayBonus();
    void AddScore(std::int64_t points);
    bool ContinueSavedReplay();
    void AdoptCourt(CourtState court);

    GameScene& m_scene;
    GameSettings& m_settings;
    CourtGeometry m_geometry;
    CourtState m_court;
    // Scratch of the group and support searches.
    VisitMarks m_marks{};
    std::vector<Cell> m_matched;

    std::uint32_t m_startState = 1;
    std::uint32_t m_lastPace = 0;
    int m_gamesStarted = 0;
    TSavedGame m_saved;
    std::optional<GameReplay> m_savedReplay;
    bool m_continuedReplay = false;
    ReplayRecorder m_recorder;
    GameObserver m_unobserved;
    GameObserver* m_observer = &m_unobserved;
};

} // namespace rules
