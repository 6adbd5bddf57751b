#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "rules/BoardRules.hpp"
#include "rules/CourtGeometry.hpp"
#include "rules/GameRandom.hpp"
#include "rules/GameReplay.hpp"
#include "rules/GameScene.hpp"
#include "rules/GameSettings.hpp"
#include "rules/TSavedGame.hpp"

namespace rules {

// How a ball was thrown, as the rules score it: aimed above the ball's centre, a throw earns points
// by the effort of its flight, one point per ball otherwise. The values are those points'
// multipliers before a group is scored.
enum class ThrowKind : int { Plain = 1, Upward = 2 };

// What happened since the report was last cleared: the simulator prints it per click.
struct TThrowReport {
    bool launched = false;
    std::optional<Cell> landed;  // where the thrown ball came to rest
    bool voidThrow = false;      // it came back to its own cell
    int group = 0;               // the group the evaluation counted
    double effort = 0;
    int removed = 0;  // matched balls taken off the screen
    int fell = 0;     // balls the support search let fall
    int drops = 0;    // balls that entered from the ceiling row
};

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
    void Seed(std::uint32_t seed) { m_random.Seed(seed); }
    // The generator's state when the current game started, before it drew its board: with
    // the level and the inputs it fixes everything the game does.
    std::uint32_t StartState() const { return m_startState; }

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

    // The building blocks, public for the tests.
    bool Select(Cell cell);
    bool Launch(int x, int y);
    void StepFlights();
    void PaceStep();
    void AutoSelect();
    void EndGame();

    // The state, as the window, the simulator and the tests read it.
    const CourtGeometry& Geometry() const { return m_geometry; }
    const BallGrid& Grid() const { return m_grid; }
    const std::vector<Ball*>& Flying() const { return m_flying; }
    const std::deque<Ball*>& RemovalQueue() const { return m_removal; }
    const std::deque<Ball*>& FallingQueue() const { return m_falling; }
    const std::array<Ball*, 17>& CeilingRow() const { return m_ceiling; }  // slots 1-16
    const std::array<int, kColours>& ColourCounts() const { return m_counts; }
    std::vector<int> PresentColours() const;
    Cell SelectedCell() const { return m_selected; }
    bool ThrowInProgress() const { return m_throwInProgress; }
    ThrowKind KindOfThrow() const { return m_throwKind; }
    double FlightEffort() const { return m_effort; }
    int Score() const { return m_score; }
    int PointsPerBall() const { return m_pointsPerBall; }
    int FailCount() const { return m_failCount; }
    int PendingDrops() const { return m_pendingDrops; }
    bool GameOver() const { return m_gameOver; }
    bool BonusPending() const { return m_bonusPending; }
    bool ResultPending() const { return m_resultPending; }
    void ClearResultPending() { m_resultPending = false; }
    int GamesStarted() const { return m_gamesStarted; }
    // True when nothing moves or waits: no flight, no queued ball, no pending drop or bonus.
    bool IsSettled() const;
    // Whether a click on the court would be taken now.
    bool AcceptsClicks() const;

    // The current game's record since it started, closed when the game ends; none for a
    // game laid out from a saved board without a matching replay.
    const GameReplay* Replay() const { return m_recording ? &m_replay : nullptr; }
    // The first game went on from the saved replay.
    bool ContinuedReplay() const { return m_continuedReplay; }

    TThrowReport& Report() { return m_report; }
    // Called right after every refresh of the ceiling row (the soak checks its colours).
    std::function<void()> onCeilingRefreshed;

private:
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
    // Lands the ball in the cell; true when the game ended with the bonus, which stops
    // this frame's flights.
    bool Land(std::size_t index, Cell cell);
    bool EvaluateLanding(Cell cell);
    void AddDrops();
    void DropStep();
    void PayBonus();
    void AddScore(std::int64_t points);
    bool ContinueSavedReplay();
    void RecordInput(ReplayInput::Kind kind, int x = 0, int y = 0);

    GameScene& m_scene;
    GameSettings& m_settings;
    CourtGeometry m_geometry;
    GameRandom m_random;
    std::uint32_t m_startState = 1;

    BallGrid m_grid{};
    VisitMarks m_marks{};
    std::array<Ball*, 17> m_ceiling{};
    std::array<int, kColours> m_counts{};
    std::vector<Ball*> m_flying;
    std::deque<Ball*> m_removal;
    std::deque<Ball*> m_falling;
    std::vector<Cell> m_matched;

    Cell m_selected;
    Ball* m_thrownBall = nullptr;
    bool m_throwInProgress = false;
    ThrowKind m_throwKind = ThrowKind::Plain;
    double m_effort = 0;
    int m_score = 0;
    int m_pointsPerBall = 0;
    int m_failCount = 0;
    int m_pendingDrops = 0;
    int m_firstBallColumn = -1;
    bool m_gameOver = false;
    bool m_bonusPending = false;
    bool m_resultPending = false;
    std::uint32_t m_lastPace = 0;
    int m_gamesStarted = 0;
    TSavedGame m_saved;
    std::optional<GameReplay> m_savedReplay;
    GameReplay m_replay;
    bool m_recording = false;
    bool m_continuedReplay = false;
    TThrowReport m_report;
};

} // namespace rules
