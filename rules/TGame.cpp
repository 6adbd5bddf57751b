#include "rules/TGame.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "rules/FlightRules.hpp"
#include "rules/ReplayPlayer.hpp"
#include "rules/SimScene.hpp"
#include "rules/TruncateToInt.hpp"

namespace rules {

TGame::TGame(GameScene& scene, GameSettings& settings, CourtGeometry geometry)
    : m_scene(scene), m_settings(settings), m_geometry(geometry) {}

TGame::~TGame() { ClearBoard(); }

void TGame::SetSavedGame(const TSavedGame& saved, std::optional<GameReplay> replay) {
    m_saved = saved;
    m_savedReplay = std::move(replay);
    m_score = saved.score;
    m_gameOver = saved.gameOver;
}

Ball* TGame::NewBall(int colour) { return m_scene.CreateBall(colour); }

void TGame::Destroy(Ball* ball) {
    if (ball == m_thrownBall) m_thrownBall = nullptr;
    m_scene.DestroyBall(ball);
}

void TGame::PlaySound(GameSound sound, bool wait) {
    if (m_settings.sound) m_scene.PlaySound(sound, wait);
}

std::vector<int> TGame::PresentColours() const {
    std::vector<int> present;
    for (int k = 0; k < kColours; ++k)
        if (m_counts[k] > 0) present.push_back(k + 1);
    return present;
}

int TGame::RandomPresentColour() {
    const std::vector<int> present = PresentColours();
    // With no colour in play any colour will do; the modulo needs a non-empty list.
    if (present.empty()) return m_random.Below(kColours) + 1;
    return present[std::size_t(m_random.Below(int(present.size())))];
}

void TGame::RestAllMarkers() {
    for (int c = 1; c <= 16; ++c) m_scene.RestMarker(c);
}

void TGame::DestroyMovingBalls() {
    // Flying and falling balls are in play and counted; they leave it here.
    for (Ball* ball : m_flying) {
        --m_counts[ball->Colour() - 1];
        Destroy(ball);
    }
    for (Ball* ball : m_removal) Destroy(ball);
    for (Ball* ball : m_falling) {
        --m_counts[ball->Colour() - 1];
        Destroy(ball);
    }
    m_flying.clear();
    m_removal.clear();
    m_falling.clear();
}

void TGame::ClearBoard() {
    DestroyMovingBalls();
    for (int c = 1; c <= 16; ++c)
        if (m_ceiling[c]) {
            Destroy(m_ceiling[c]);
            m_ceiling[c] = nullptr;
        }
    for (auto& row : m_grid)
        for (Ball*& ball : row)
            if (ball) {
                Destroy(ball);
                ball = nullptr;
            }
    m_scene.ClearPathDots();
    RestAllMarkers();
    m_selected = {};
    m_thrownBall = nullptr;
    m_scene.HideSelection();
}

Ball* TGame::CeilingBall(int column, int colour) {
    Ball* ball = NewBall(colour);
    ball->Place(float(m_geometry.CeilingSlotX(column)), float(m_geometry.CeilingSlotY()), 0);
    ball->PauseAt(0);
    return ball;
}

void TGame::FillCeilingRow() {
    for (int c = 1; c <= 16; ++c) m_ceiling[c] = CeilingBall(c, m_random.Below(kColours) + 1);
}

void TGame::RefreshCeilingRow() {
    if (PresentColours().size() >= 2) {
        for (int c = 1; c <= 16; ++c) {
            Ball* ball = m_ceiling[c];
            if (ball && m_counts[ball->Colour() - 1] > 0) continue;
            if (ball) Destroy(ball);
            m_ceiling[c] = CeilingBall(c, RandomPresentColour());
        }
    }
    if (onCeilingRefreshed) onCeilingRefreshed();
}

void TGame::RebuildCounts() {
    m_counts.fill(0);
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c)
            if (m_grid[r][c]) ++m_counts[m_grid[r][c]->Colour() - 1];
}

void TGame::NewGame() {
    ++m_gamesStarted;
    m_startState = m_random.State();
    ClearBoard();
    m_pendingDrops = 0;
    const bool restore = m_gamesStarted == 1 && m_saved.CanRestore();
    m_continuedReplay = false;
    if (restore && m_savedReplay && ContinueSavedReplay()) {
        m_savedReplay.reset();
        return;
    }
    m_savedReplay.reset();
    m_replay = GameReplay{};
    m_replay.level = m_settings.level;
    m_replay.startState = m_startState;
    m_replay.ballWidth = m_geometry.ballWidth;
    m_replay.ballHeight = m_geometry.ballHeight;
    // A board laid out from a saved game has no start to replay from.
    m_recording = !restore;
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c) {
            const int colour = restore ? m_saved.cells[r][c] : (r >= 9 ? m_random.Below(kColours) + 1 : 0);
            if (colour < 1 || colour > kColours) continue;
            Ball* ball = NewBall(colour);
            ball->Place(float(m_geometry.CornerX(r, c)), float(m_geometry.CornerY(r)), 0);
            // Balls rest on different frames of their spin.
            const int frames = ball->FrameCount();
            m_replay.frameCounts[std::size_t(colour - 1)] = frames;
            ball->PauseAt(frames > 0 ? m_random.Below(frames) : 0);
            m_grid[r][c] = ball;
        }
    FillCeilingRow();
    AutoSelect();
    if (restore) {
        m_score = m_saved.score;
        m_scene.ResetScore();
        m_scene.ShowScore(m_score);
    } else {
        m_score = 0;
        m_scene.ResetScore();
    }
    RebuildCounts();
    RefreshCeilingRow();
    m_pointsPerBall = 0;
    m_failCount = 0;
    m_bonusPending = false;
    m_throwInProgress = false;
    m_gameOver = false;
    m_resultPending = false;
    m_scene.RedrawAll();
}

bool TGame::IsSettled() const {
    return m_flying.empty() && m_removal.empty() && m_falling.empty() && m_pendingDrops == 0 && !m_bonusPending;
}

bool TGame::AcceptsClicks() const {
    return m_flying.empty() && m_removal.empty() && m_falling.empty() && !m_gameOver;
}

void TGame::Step(std::uint32_t time) {
    const bool pace = std::uint32_t(time - m_lastPace) > 200;
    if (pace) m_lastPace = time;
    Advance(pace);
}

void TGame::Advance(bool pace) {
    // The frame on which the game ends still counts: its replay ends after it.
    const bool counting = m_recording && !m_replay.finished;
    if (m_gameOver && m_removal.empty() && m_bonusPending) PayBonus();
    if (pace) {
        // A pace with nothing queued changes nothing, so only one that moves a ball is kept.
        if (!m_removal.empty() || !m_falling.empty() || m_pendingDrops > 0) RecordInput(ReplayInput::Kind::Pace);
        PaceStep();
    }
    if (m_flying.empty() && m_falling.empty() && m_removal.empty() && m_pendingDrops == 0 &&
        (m_selected.row < 0 || m_selected.column < 0)) {
        AutoSelect();
        // A court at rest with no ball free to throw (a full court) can never move again:
        // it ends as an overflow does.
        if (!m_gameOver && !m_bonusPending && !m_selected.IsValid()) EndGame();
    }
    StepFlights();
    if (counting) ++m_replay.ticks;
}

void TGame::RecordInput(ReplayInput::Kind kind, int x, int y) {
    if (!m_recording || m_replay.finished || m_replay.inputs.size() >= kMaxReplayInputs) return;
    m_replay.inputs.push_back({m_replay.ticks, kind, x, y});
}

void TGame::Click(int x, int y) {
    if (!AcceptsClicks()) return;
    RecordInput(ReplayInput::Kind::Click, x, y);
    m_scene.SetFrameRate(FrameRateForSpeed(m_settings.speed));
    RestAllMarkers();
    const Cell cell = m_geometry.ClickCell(x, y);
    if (!m_grid[cell.row][cell.column] || !IsFree(m_grid, cell.row, cell.column)) {
        Launch(x, y);
        return;
    }
    if (RulesOfLevel(m_settings.level).playerPicks) Select(cell);
}

void TGame::ShowSelectionOn(Cell cell) {
    m_scene.ShowSelection(m_geometry.CornerX(cell.row, cell.column) - 3, m_geometry.CornerY(cell.row) - 2);
}

bool TGame::Select(Cell cell) {
    if (!cell.IsValid() || !m_grid[cell.row][cell.column]) return false;
    if (m_selected.IsValid() && m_grid[m_selected.row][m_selected.column])
        m_grid[m_selected.row][m_selected.column]->PauseAt(-1);
    m_selected = cell;
    m_grid[cell.row][cell.column]->PlayFrom(-1);
    ShowSelectionOn(cell);
    return true;
}

void TGame::AutoSelect() {
    const Cell cell = FirstFreeBall(m_grid);
    if (cell.IsValid()) Select(cell);
}

bool TGame::Launch(int x, int y) {
    const std::optional<LaunchSpeed> speed = LaunchToward(m_geometry, m_grid, m_selected, x, y);
    if (!speed) return false;
    Ball* ball = m_grid[m_selected.row][m_selected.column];
    m_scene.ClearPathDots();
    PlaySound(GameSound::Start);
    ball->SetSpeed(float(speed->vx), float(speed->vy));
    m_flying.push_back(ball);
    ball->SetDepth(kFlyingDepth);
    m_grid[m_selected.row][m_selected.column] = nullptr;
    m_scene.HideSelection();
    m_thrownBall = ball;
    m_throwInProgress = true;
    m_effort = 0;
    m_throwKind = speed->upward ? ThrowKind::Upward : ThrowKind::Plain;
    m_pointsPerBall = static_cast<int>(m_throwKind);
    m_report.launched = true;
    return true;
}

void TGame::StepFlights() {
    const int w = m_geometry.ballWidth, h = m_geometry.ballHeight;
    // Court edges are a few hundred pixels, exact as floats.
    for (std::size_t i = 0; i < m_flying.size();) {
        Ball* ball = m_flying[i];
        // Bounces, the path, the ceiling sound and the effort belong to the player's ball,
        // never to a drop or a fall that flies at the same time.
        const bool thrown = m_throwInProgress && ball == m_thrownBall;
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
        if (thrown) m_effort += std::fabs(vx * vy);
        const double nx = cx + 2.0 * vx, ny = cy + 2.0 * vy + kGravity;
        const std::optional<Cell> rest = RestCell(m_geometry, m_grid, cx, cy, nx, ny, vy, thrown);
        if (!rest) {
            ++i;
            continue;
        }
        if (Land(i, *rest)) return;
    }
}

bool TGame::Land(std::size_t index, Cell cell) {
    Ball* ball = m_flying[index];
    ball->Place(float(m_geometry.CornerX(cell.row, cell.column)), float(m_geometry.CornerY(cell.row)), 0);
    ball->SetSpeed(0, 0);
    ball->PauseAt(-1);
    if (Ball* displaced = m_grid[cell.row][cell.column]; displaced && displaced != ball) {
        --m_counts[displaced->Colour() - 1];
        Destroy(displaced);
    }
    m_grid[cell.row][cell.column] = ball;
    m_scene.ClearPathDots();
    if (!m_scene.IsMarkerAtRest(cell.column)) m_scene.RestMarker(cell.column);
    PlaySound(GameSound::Bounce);
    const bool thrown = m_throwInProgress && ball == m_thrownBall;
    bool bonusEnd = false;
    if (thrown) {
        m_report.landed = cell;
        m_report.effort = m_effort;
        m_thrownBall = nullptr;
    }
    if (thrown && cell == m_selected) {
        m_throwInProgress = false;
        m_report.voidThrow = true;
        ball->PlayFrom(-1);
        ShowSelectionOn(cell);
    } else if (thrown) {
        m_selected = {};
        bonusEnd = EvaluateLanding(cell);
    }
    m_flying.erase(m_flying.begin() + std::ptrdiff_t(index));
    return bonusEnd;
}

bool TGame::EvaluateLanding(Cell cell) {
    m_matched.clear();
    const Ball* landed = m_grid[cell.row][cell.column];
    const int n = GroupSearch(m_grid, cell.row, cell.column, landed->Colour(), m_marks, m_matched);
    m_report.group = n;
    bool bonusEnd = false;
    auto fall = [&] {
        std::vector<Ball*> falling = SupportSearch(m_grid, m_marks);
        m_report.fell += int(falling.size());
        m_falling.insert(m_falling.end(), falling.begin(), falling.end());
    };
    if (n < 3) {
        m_pointsPerBall = 0;
        ++m_failCount;
        fall();
        AddDrops();
    } else {
        if (m_throwKind == ThrowKind::Upward) {
            const double points = std::trunc(0.005 * m_effort);
            m_pointsPerBall = points >= 2147483647.0 ? std::numeric_limits<int>::max() : std::max(1, int(points));
        } else {
            m_pointsPerBall = 1;
        }
        for (const Cell c : m_matched) {
            Ball* ball = m_grid[c.row][c.column];
            m_removal.push_back(ball);
            --m_counts[ball->Colour() - 1];
            m_grid[c.row][c.column] = nullptr;
        }
        fall();
        RefreshCeilingRow();
        m_failCount = 0;
        if (CountBalls(m_grid) == 0 || PresentColours().size() < 2) {
            m_gameOver = true;
            m_bonusPending = true;
            bonusEnd = true;
        }
    }
    m_matched.clear();
    m_throwInProgress = false;
    return bonusEnd;
}

void TGame::AddDrops() {
    const int balls = CountBalls(m_grid);
    m_firstBallColumn = FirstBallColumn(m_grid);
    if (RulesOfLevel(m_settings.level).triesPerThrow == 2 && m_failCount < 2) return;
    m_failCount = 0;
    m_pendingDrops += DropsForFailure(m_settings.level, balls);
}

void TGame::AddScore(std::int64_t points) {
    const std::int64_t sum = std::int64_t(m_score) + points;
    m_score = int(std::clamp<std::int64_t>(sum, 0, std::numeric_limits<int>::max()));
}

void TGame::PaceStep() {
    if (!m_removal.empty()) {
        Ball* ball = m_removal.front();
        m_removal.pop_front();
        Destroy(ball);
        ++m_report.removed;
        AddScore(m_pointsPerBall);
        m_scene.ShowScore(m_score);
        PlaySound(GameSound::Removed);
    }
    if (!m_falling.empty() && m_removal.empty()) {
        Ball* ball = m_falling.front();
        m_falling.pop_front();
        ball->PlayFrom(0);
        m_flying.push_back(ball);
    }
    if (m_pendingDrops > 0 && m_removal.empty()) DropStep();
}

void TGame::DropStep() {
    --m_pendingDrops;
    int column;
    if (m_settings.level == Level::Master) {
        column = m_random.Below(16) + 1;
    } else {
        const double g = m_random.Normal();
        const double centre = m_firstBallColumn >= 1 ? double(m_firstBallColumn) : 8.0;
        column = rules::TruncateToInt(4.0 * g + centre + 0.5);
    }
    column = FoldColumn(column);
    m_scene.PlayMarker(column);
    if (IsEmpty(m_grid, 1, column - 1) && IsEmpty(m_grid, 1, column)) {
        Ball* ball = m_ceiling[column];
        ++m_counts[ball->Colour() - 1];
        ball->SetDepth(kFlyingDepth);
        ball->PlayFrom(-1);
        ball->SetSpeed(0, kDropSpeed);
        m_flying.push_back(ball);
        ++m_report.drops;
        m_ceiling[column] = CeilingBall(column, RandomPresentColour());
    } else {
        EndGame();
    }
}

void TGame::PayBonus() {
    AddScore(std::int64_t(m_score) * 9);
    m_scene.ShowScore(m_score);
    PlaySound(GameSound::Bonus, true);
    m_bonusPending = false;
    EndGame();
}

void TGame::EndGame() {
    DestroyMovingBalls();
    m_scene.ClearPathDots();
    RestAllMarkers();
    m_pendingDrops = 0;
    m_throwInProgress = false;
    m_thrownBall = nullptr;
    m_resultPending = true;
    m_gameOver = true;
    m_replay.finished = true;
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

    // Takes the played game's state over, drawing nothing from the generator.
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c) {
            const Ball* source = played.m_grid[r][c];
            if (!source) continue;
            Ball* ball = NewBall(source->Colour());
            ball->Place(float(m_geometry.CornerX(r, c)), float(m_geometry.CornerY(r)), 0);
            const int frames = ball->FrameCount();
            ball->PauseAt(frames > 0 ? (r * 7 + c * 3) % frames : 0);
            m_grid[r][c] = ball;
        }
    for (int c = 1; c <= 16; ++c) {
        const Ball* source = played.m_ceiling[c];
        m_ceiling[c] = CeilingBall(c, source ? source->Colour() : 1);
    }
    m_random = played.m_random;
    m_startState = replay.startState;
    m_score = played.m_score;
    m_pointsPerBall = played.m_pointsPerBall;
    m_failCount = played.m_failCount;
    m_firstBallColumn = played.m_firstBallColumn;
    m_throwKind = played.m_throwKind;
    m_effort = played.m_effort;
    m_pendingDrops = 0;
    m_bonusPending = false;
    m_throwInProgress = false;
    m_gameOver = false;
    m_resultPending = false;
    RebuildCounts();
    m_selected = {};
    if (played.m_selected.IsValid()) Select(played.m_selected);
    m_scene.ResetScore();
    m_scene.ShowScore(m_score);
    m_replay = *played.Replay();
    m_recording = true;
    m_continuedReplay = true;
    m_scene.RedrawAll();
    return true;
}

} // namespace rules
