#include "rules/TGame.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <utility>

#include "rules/FlightRules.hpp"
#include "rules/ReplayPlayer.hpp"
#include "rules/SimScene.hpp"
#include "rules/TruncateToInt.hpp"

namespace rules {

TGame::TGame(GameScene& scene, GameSettings& settings, CourtGeometry geometry)
    : m_scene(scene), m_settings(settings), m_geometry(geometry) {}

TGame::~TGame() {
    ClearBoard();
}

void TGame::SetSavedGame(const TSavedGame& saved, std::optional<GameReplay> replay) {
    m_saved = saved;
    m_savedReplay = std::move(replay);
    m_court.score = saved.score;
    m_court.gameOver = saved.gameOver;
}

Ball* TGame::NewBall(int colour) {
    return m_scene.CreateBall(colour);
}

void TGame::Destroy(Ball* ball) {
    if (ball == m_court.thrownBall) m_court.thrownBall = nullptr;
    m_scene.DestroyBall(ball);
}

void TGame::PlaySound(GameSound sound, bool wait) {
    if (m_settings.sound) m_scene.PlaySound(sound, wait);
}

int TGame::RandomPresentColour() {
    const std::vector<int> present = m_court.PresentColours();
    // With no colour in play any colour will do; the modulo needs a non-empty list.
    if (present.empty()) return m_court.random.Below(kColours) + 1;
    return present[std::size_t(m_court.random.Below(int(present.size())))];
}

void TGame::RestAllMarkers() {
    for (int c = 1; c <= 16; ++c) m_scene.RestMarker(c);
}

void TGame::DestroyMovingBalls() {
    // Flying and falling balls are in play and counted; they leave it here.
    for (Ball* ball : m_court.flying) {
        --m_court.counts[ball->Colour() - 1];
        Destroy(ball);
    }
    for (Ball* ball : m_court.removal) Destroy(ball);
    for (Ball* ball : m_court.falling) {
        --m_court.counts[ball->Colour() - 1];
        Destroy(ball);
    }
    m_court.flying.clear();
    m_court.removal.clear();
    m_court.falling.clear();
}

void TGame::ClearBoard() {
    DestroyMovingBalls();
    for (int c = 1; c <= 16; ++c)
        if (m_court.ceiling[c]) {
            Destroy(m_court.ceiling[c]);
            m_court.ceiling[c] = nullptr;
        }
    for (auto& row : m_court.grid)
        for (Ball*& ball : row)
            if (ball) {
                Destroy(ball);
                ball = nullptr;
            }
    m_scene.ClearPathDots();
    RestAllMarkers();
    m_court.selected = {};
    m_court.thrownBall = nullptr;
    m_scene.HideSelection();
}

Ball* TGame::CeilingBall(int column, int colour) {
    Ball* ball = NewBall(colour);
    ball->Place(float(m_geometry.CeilingSlotX(column)), float(m_geometry.CeilingSlotY()), 0);
    ball->PauseAt(0);
    return ball;
}

void TGame::FillCeilingRow() {
    for (int c = 1; c <= 16; ++c) m_court.ceiling[c] = CeilingBall(c, m_court.random.Below(kColours) + 1);
}

void TGame::RefreshCeilingRow() {
    if (m_court.PresentColours().size() >= 2) {
        for (int c = 1; c <= 16; ++c) {
            Ball* ball = m_court.ceiling[c];
            if (ball && m_court.counts[ball->Colour() - 1] > 0) continue;
            if (ball) Destroy(ball);
            m_court.ceiling[c] = CeilingBall(c, RandomPresentColour());
        }
    }
    m_observer->CeilingRefreshed(m_court);
}

void TGame::RebuildCounts() {
    m_court.counts.fill(0);
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c)
            if (m_court.grid[r][c]) ++m_court.counts[m_court.grid[r][c]->Colour() - 1];
}

void TGame::NewGame() {
    ++m_gamesStarted;
    m_startState = m_court.random.State();
    ClearBoard();
    m_court.pendingDrops = 0;
    const bool restore = m_gamesStarted == 1 && m_saved.CanRestore();
    m_continuedReplay = false;
    if (restore && m_savedReplay && ContinueSavedReplay()) {
        m_savedReplay.reset();
        return;
    }
    m_savedReplay.reset();
    // A board laid out from a saved game has no start to replay from.
    if (restore)
        m_recorder.StartUnrecorded();
    else
        m_recorder.Start(m_settings.level, m_startState, m_geometry.ballWidth, m_geometry.ballHeight);
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c) {
            const int colour =
                restore ? m_saved.cells[r][c] : (r >= 9 ? m_court.random.Below(kColours) + 1 : 0);
            if (colour < 1 || colour > kColours) continue;
            Ball* ball = NewBall(colour);
            ball->Place(float(m_geometry.CornerX(r, c)), float(m_geometry.CornerY(r)), 0);
            // Balls rest on different frames of their spin.
            const int frames = ball->FrameCount();
            m_recorder.NoteFrameCount(colour, frames);
            ball->PauseAt(frames > 0 ? m_court.random.Below(frames) : 0);
            m_court.grid[r][c] = ball;
        }
    FillCeilingRow();
    AutoSelect();
    if (restore) {
        m_court.score = m_saved.score;
        m_scene.ResetScore();
        m_scene.ShowScore(m_court.score);
    } else {
        m_court.score = 0;
        m_scene.ResetScore();
    }
    RebuildCounts();
    RefreshCeilingRow();
    m_court.pointsPerBall = 0;
    m_court.failCount = 0;
    m_court.bonusPending = false;
    m_court.throwInProgress = false;
    m_court.gameOver = false;
    m_court.resultPending = false;
    m_scene.RedrawAll();
}

void TGame::Step(std::uint32_t time) {
    const bool pace = std::uint32_t(time - m_lastPace) > 200;
    if (pace) m_lastPace = time;
    Advance(pace);
}

void TGame::Advance(bool pace) {
    m_recorder.BeginFrame();
    if (m_court.gameOver && m_court.removal.empty() && m_court.bonusPending) PayBonus();
    if (pace) {
        // A pace with nothing queued changes nothing, so only one that moves a ball is kept.
        if (!m_court.removal.empty() || !m_court.falling.empty() || m_court.pendingDrops > 0)
            m_recorder.Pace();
        PaceStep();
    }
    if (m_court.flying.empty() && m_court.falling.empty() && m_court.removal.empty() &&
        m_court.pendingDrops == 0 && (m_court.selected.row < 0 || m_court.selected.column < 0)) {
        AutoSelect();
        // A court at rest with no ball free to throw (a full court) can never move again:
        // it ends as an overflow does.
        if (!m_court.gameOver && !m_court.bonusPending && !m_court.selected.IsValid()) EndGame();
    }
    StepFlights();
    m_recorder.EndFrame();
}

void TGame::Click(int x, int y) {
    if (!AcceptsClicks()) return;
    m_recorder.Click(x, y);
    m_scene.SetFrameRate(FrameRateForSpeed(m_settings.speed));
    RestAllMarkers();
    const Cell cell = m_geometry.ClickCell(x, y);
    if (!m_court.grid[cell.row][cell.column] || !IsFree(m_court.grid, cell.row, cell.column)) {
        Launch(x, y);
        return;
    }
    if (RulesOfLevel(m_settings.level).playerPicks) Select(cell);
}

void TGame::ShowSelectionOn(Cell cell) {
    m_scene.ShowSelection(m_geometry.CornerX(cell.row, cell.column) - 3, m_geometry.CornerY(cell.row) - 2);
}

bool TGame::Select(Cell cell) {
    if (!cell.IsValid() || !m_court.grid[cell.row][cell.column]) return false;
    if (m_court.selected.IsValid() && m_court.grid[m_court.selected.row][m_court.selected.column])
        m_court.grid[m_court.selected.row][m_court.selected.column]->PauseAt(-1);
    m_court.selected = cell;
    m_court.grid[cell.row][cell.column]->PlayFrom(-1);
    ShowSelectionOn(cell);
    return true;
}

void TGame::AutoSelect() {
    const Cell cell = FirstFreeBall(m_court.grid);
    if (cell.IsValid()) Select(cell);
}

bool TGame::Launch(int x, int y) {
    const std::optional<LaunchSpeed> speed = LaunchToward(m_geometry, m_court.grid, m_court.selected, x, y);
    if (!speed) return false;
    const Cell from = m_court.selected;
    Ball* ball = m_court.grid[from.row][from.column];
    m_scene.ClearPathDots();
    PlaySound(GameSound::Start);
    ball->SetSpeed(float(speed->vx), float(speed->vy));
    m_court.flying.push_back(ball);
    ball->SetDepth(kFlyingDepth);
    m_court.grid[m_court.selected.row][m_court.selected.column] = nullptr;
    m_scene.HideSelection();
    m_court.thrownBall = ball;
    m_court.throwInProgress = true;
    m_court.effort = 0;
    m_court.throwKind = speed->upward ? ThrowKind::Upward : ThrowKind::Plain;
    m_court.pointsPerBall = static_cast<int>(m_court.throwKind);
    m_observer->ThrowLaunched({from, speed->vx, speed->vy, speed->upward});
    return true;
}

void TGame::StepFlights() {
    const int w = m_geometry.ballWidth, h = m_geometry.ballHeight;
    // Court edges are a few hundred pixels, exact as floats.
    for (std::size_t i = 0; i < m_court.flying.size();) {
        Ball* ball = m_court.flying[i];
        // Bounces, the path, the ceiling sound and the effort belong to the player's ball,
        // never to a drop or a fall that flies at the same time.
        const bool thrown = m_court.throwInProgress && ball == m_court.thrownBall;
        const float x = ball->Left(), y = ball->Top();
        float vx = ball->SpeedX();
        float vy = float(double(ball->SpeedY()) + kGravity);
        if (x < static_cast<float>(m_geometry.courtLeft)) {
            vx = std::fabs(std::trunc(vx));
            PlaySound(GameSound::Bounce);
        }
        if (x > static_cast<float>(m_geometry.courtLeft + m_geometry.courtWidth - w)) {
            vx = -std::fabs(std::trunc(vx));
            PlaySound(GameSound::Bounce);
        }
        if (y < static_cast<float>(m_geometry.courtTop)) {
            vy = std::fabs(std::trunc(vy));
            if (thrown) PlaySound(GameSound::Bounce);
        }
        if (y > static_cast<float>(m_geometry.courtTop + m_geometry.courtHeight - h) && vy > 0 && thrown) {
            vy = float(kFloorBounce * std::fabs(vy));
            PlaySound(GameSound::Bounce);
        }
        ball->SetSpeed(vx, vy);
        const float cx = x + float(w / 2), cy = y + float(h / 2);
        if (thrown && m_settings.showPath) m_scene.AddPathDot(cx, cy);
        if (thrown) m_court.effort += std::fabs(vx * vy);
        const double nx = cx + 2.0 * vx, ny = cy + 2.0 * vy + kGravity;
        const std::optional<Cell> rest = RestCell(m_geometry, m_court.grid, cx, cy, nx, ny, vy, thrown);
        if (!rest) {
            ++i;
            continue;
        }
        if (Land(i, *rest)) return;
    }
}

bool TGame::Land(std::size_t index, Cell cell) {
    Ball* ball = m_court.flying[index];
    ball->Place(float(m_geometry.CornerX(cell.row, cell.column)), float(m_geometry.CornerY(cell.row)), 0);
    ball->SetSpeed(0, 0);
    ball->PauseAt(-1);
    if (Ball* displaced = m_court.grid[cell.row][cell.column]; displaced && displaced != ball) {
        --m_court.counts[displaced->Colour() - 1];
        Destroy(displaced);
    }
    m_court.grid[cell.row][cell.column] = ball;
    m_scene.ClearPathDots();
    if (!m_scene.IsMarkerAtRest(cell.column)) m_scene.RestMarker(cell.column);
    PlaySound(GameSound::Bounce);
    const bool thrown = m_court.throwInProgress && ball == m_court.thrownBall;
    bool bonusEnd = false;
    if (thrown) {
        m_observer->ThrowLanded(cell, m_court.effort, cell == m_court.selected);
        m_court.thrownBall = nullptr;
    }
    if (thrown && cell == m_court.selected) {
        m_court.throwInProgress = false;
        ball->PlayFrom(-1);
        ShowSelectionOn(cell);
    } else if (thrown) {
        m_court.selected = {};
        bonusEnd = EvaluateLanding(cell);
    }
    m_court.flying.erase(m_court.flying.begin() + std::ptrdiff_t(index));
    return bonusEnd;
}

bool TGame::EvaluateLanding(Cell cell) {
    m_matched.clear();
    const Ball* landed = m_court.grid[cell.row][cell.column];
    const int n = GroupSearch(m_court.grid, cell.row, cell.column, landed->Colour(), m_marks, m_matched);
    m_observer->GroupCounted(n);
    bool bonusEnd = false;
    auto fall = [&] {
        std::vector<Ball*> falling = SupportSearch(m_court.grid, m_marks);
        m_observer->BallsFell(int(falling.size()));
        m_court.falling.insert(m_court.falling.end(), falling.begin(), falling.end());
    };
    if (n < 3) {
        m_court.pointsPerBall = 0;
        ++m_court.failCount;
        fall();
        AddDrops();
    } else {
        if (m_court.throwKind == ThrowKind::Upward) {
            const double points = std::trunc(0.005 * m_court.effort);
            m_court.pointsPerBall =
                points >= 2147483647.0 ? std::numeric_limits<int>::max() : std::max(1, int(points));
        } else {
            m_court.pointsPerBall = 1;
        }
        for (const Cell c : m_matched) {
            Ball* ball = m_court.grid[c.row][c.column];
            m_court.removal.push_back(ball);
            --m_court.counts[ball->Colour() - 1];
            m_court.grid[c.row][c.column] = nullptr;
        }
        fall();
        RefreshCeilingRow();
        m_court.failCount = 0;
        if (CountBalls(m_court.grid) == 0 || m_court.PresentColours().size() < 2) {
            m_court.gameOver = true;
            m_court.bonusPending = true;
            bonusEnd = true;
        }
    }
    m_matched.clear();
    m_court.throwInProgress = false;
    return bonusEnd;
}

void TGame::AddDrops() {
    const int balls = CountBalls(m_court.grid);
    m_court.firstBallColumn = FirstBallColumn(m_court.grid);
    if (RulesOfLevel(m_settings.level).triesPerThrow == 2 && m_court.failCount < 2) return;
    m_court.failCount = 0;
    m_court.pendingDrops += DropsForFailure(m_settings.level, balls);
}

void TGame::AddScore(std::int64_t points) {
    const std::int64_t sum = std::int64_t(m_court.score) + points;
    m_court.score = int(std::clamp<std::int64_t>(sum, 0, std::numeric_limits<int>::max()));
}

void TGame::PaceStep() {
    if (!m_court.removal.empty()) {
        Ball* ball = m_court.removal.front();
        m_court.removal.pop_front();
        Destroy(ball);
        m_observer->BallRemoved();
        AddScore(m_court.pointsPerBall);
        m_scene.ShowScore(m_court.score);
        PlaySound(GameSound::Removed);
    }
    if (!m_court.falling.empty() && m_court.removal.empty()) {
        Ball* ball = m_court.falling.front();
        m_court.falling.pop_front();
        ball->PlayFrom(0);
        m_court.flying.push_back(ball);
    }
    if (m_court.pendingDrops > 0 && m_court.removal.empty()) DropStep();
}

void TGame::DropStep() {
    --m_court.pendingDrops;
    int column;
    if (m_settings.level == Level::Master) {
        column = m_court.random.Below(16) + 1;
    } else {
        const double g = m_court.random.Normal();
        const double centre = m_court.firstBallColumn >= 1 ? double(m_court.firstBallColumn) : 8.0;
        column = rules::TruncateToInt(4.0 * g + centre + 0.5);
    }
    column = FoldColumn(column);
    m_scene.PlayMarker(column);
    if (IsEmpty(m_court.grid, 1, column - 1) && IsEmpty(m_court.grid, 1, column)) {
        Ball* ball = m_court.ceiling[column];
        ++m_court.counts[ball->Colour() - 1];
        ball->SetDepth(kFlyingDepth);
        ball->PlayFrom(-1);
        ball->SetSpeed(0, kDropSpeed);
        m_court.flying.push_back(ball);
        m_observer->BallDropped();
        m_court.ceiling[column] = CeilingBall(column, RandomPresentColour());
    } else {
        EndGame();
    }
}

void TGame::PayBonus() {
    AddScore(std::int64_t(m_court.score) * 9);
    m_scene.ShowScore(m_court.score);
    PlaySound(GameSound::Bonus, true);
    m_court.bonusPending = false;
    EndGame();
}

void TGame::EndGame() {
    DestroyMovingBalls();
    m_scene.ClearPathDots();
    RestAllMarkers();
    m_court.pendingDrops = 0;
    m_court.throwInProgress = false;
    m_court.thrownBall = nullptr;
    m_court.resultPending = true;
    m_court.gameOver = true;
    m_recorder.Close();
}

bool TGame::ContinueSavedReplay() {
    const GameReplay& replay = *m_savedReplay;
    if (replay.finished || replay.level != m_settings.level || replay.ballWidth != m_geometry.ballWidth ||
        replay.ballHeight != m_geometry.ballHeight || replay.ticks > kReplayTickBudget ||
        replay.rulesVersion != GameReplay::kRulesVersion)
        return false;
    // Plays the replay on the pure rules; the saved board must be exactly where it ends.
    SimScene scene(replay.frameCounts);
    GameSettings settings = m_settings;
    settings.sound = false;
    TGame played(scene, settings, m_geometry);
    ReplayCursor cursor(replay);
    ReplayCursor::StartReplay(played, settings, replay);
    for (std::uint32_t time = 1; cursor.StepGame(played); ++time) scene.Tick(time);
    if (!played.IsSettled() || played.GameOver() || played.Score() != m_saved.score ||
        ColoursOf(played.Grid()) != m_saved.cells || !played.Replay())
        return false;

    // Takes the played game's court and record over, drawing nothing from the generator.
    m_startState = replay.startState;
    AdoptCourt(std::exchange(played.m_court, CourtState{}));
    m_scene.ResetScore();
    m_scene.ShowScore(m_court.score);
    m_recorder.Continue(*played.Replay());
    m_continuedReplay = true;
    m_scene.RedrawAll();
    return true;
}

void TGame::AdoptCourt(CourtState court) {
    // At rest every ball is on the grid or under the ceiling, and no throw is under way.
    assert(court.IsSettled() && !court.gameOver);
    assert(court.flying.empty() && court.removal.empty() && court.falling.empty());
    // The balls are the other scene's: each is made anew in this one, in the same place.
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c) {
            Ball*& ball = court.grid[r][c];
            if (!ball) continue;
            ball = NewBall(ball->Colour());
            ball->Place(float(m_geometry.CornerX(r, c)), float(m_geometry.CornerY(r)), 0);
            const int frames = ball->FrameCount();
            ball->PauseAt(frames > 0 ? (r * 7 + c * 3) % frames : 0);
        }
    for (int c = 1; c <= 16; ++c) {
        Ball*& ball = court.ceiling[c];
        ball = CeilingBall(c, ball ? ball->Colour() : 1);
    }
    court.thrownBall = nullptr;
    court.throwInProgress = false;
    court.resultPending = false;
    const Cell selected = court.selected;
    court.selected = {};
    m_court = std::move(court);
    RebuildCounts();
    // The selected ball plays and carries the marker, as a selection in this scene.
    if (selected.IsValid()) Select(selected);
}

} // namespace rules
