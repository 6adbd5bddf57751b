#include "SoakBot.hpp"

#include <algorithm>

#include "SimError.hpp"
#include "rules/BoardRules.hpp"
#include "rules/CourtControls.hpp"
#include "rules/SimScene.hpp"

namespace sim {

namespace {

constexpr int kRandomAttempts = 200;
constexpr int kOtherCandidateBalls = 5;
constexpr int kPredictionFrames = 5000;

} // namespace

bool SoakBot::Throw(SoakCourt& court) {
    if (m_kind == Kind::Greedy && GreedyThrow(court)) return true;
    return RandomThrow(court);
}

std::vector<rules::Cell> SoakBot::FreeBalls(const rules::TGame& game) const {
    std::vector<rules::Cell> cells;
    const rules::BallGrid& grid = game.Grid();
    for (int row = 1; row <= 16; ++row)
        for (int column = 1; column <= 16; ++column)
            if (grid[std::size_t(row)][std::size_t(column)] && rules::IsFree(grid, row, column))
                cells.push_back({row, column});
    return cells;
}

bool SoakBot::Attempt(SoakCourt& court, const Candidate& candidate) {
    const rules::TGame& game = court.Game();
    court.ClearReport();
    if (rules::RulesOfLevel(court.Settings().level).playerPicks && candidate.ball.IsValid()) {
        const rules::CourtGeometry& g = game.Geometry();
        court.Click(g.CentreX(candidate.ball.row, candidate.ball.column), g.CentreY(candidate.ball.row));
    }
    court.Click(candidate.x, candidate.y);
    return court.Report().launched;
}

bool SoakBot::RandomThrow(SoakCourt& court) {
    for (int attempt = 0; attempt < kRandomAttempts; ++attempt) {
        const rules::TGame& game = court.Game();
        const std::vector<rules::Cell> free = FreeBalls(game);
        if (free.empty()) return false;
        const rules::CourtGeometry& g = game.Geometry();
        Candidate candidate;
        candidate.ball = free[std::uniform_int_distribution<std::size_t>(0, free.size() - 1)(m_random)];
        candidate.x =
            std::uniform_int_distribution<int>(g.courtLeft, g.courtLeft + g.courtWidth - 1)(m_random);
        candidate.y = std::uniform_int_distribution<int>(0, g.courtTop + g.courtHeight - 1)(m_random);
        if (Attempt(court, candidate)) return true;
    }
    return false;
}

bool SoakBot::GreedyThrow(SoakCourt& court) {
    const rules::TGame& game = court.Game();
    const rules::CourtGeometry& g = game.Geometry();
    std::vector<rules::Cell> balls;
    if (game.SelectedCell().IsValid()) balls.push_back(game.SelectedCell());
    if (rules::RulesOfLevel(court.Settings().level).playerPicks) {
        int others = 0;
        for (const rules::Cell& cell : FreeBalls(game)) {
            if (others >= kOtherCandidateBalls) break;
            if (cell == game.SelectedCell()) continue;
            balls.push_back(cell);
            ++others;
        }
    }
    std::optional<Candidate> best;
    int bestScore = 0;
    // Without a clearing throw, a throw that changes the board; a void throw leaves it as it
    // was and would be chosen again for ever.
    std::vector<Candidate> moving;
    std::vector<Candidate> accepted;
    for (const rules::Cell& ball : balls) {
        for (int column = 1; column <= 16; ++column) {
            for (int row : {1, 8}) {
                const Candidate candidate{ball, g.CentreX(row, column), g.CentreY(row)};
                const std::optional<Prediction> prediction = Predict(game, court.Settings(), candidate);
                if (!prediction) continue;
                accepted.push_back(candidate);
                if (!prediction->voidThrow) moving.push_back(candidate);
                if (prediction->cleared > bestScore) {
                    bestScore = prediction->cleared;
                    best = candidate;
                }
            }
        }
    }
    const std::vector<Candidate>& fallback = moving.empty() ? accepted : moving;
    if (!best && !fallback.empty())
        best = fallback[std::uniform_int_distribution<std::size_t>(0, fallback.size() - 1)(m_random)];
    if (!best) return false;
    return Attempt(court, *best);
}

std::optional<SoakBot::Prediction> SoakBot::Predict(const rules::TGame& game,
                                                    const rules::GameSettings& settings,
                                                    const Candidate& candidate) {
    rules::TSavedGame saved;
    saved.settings = settings;
    saved.settings.autosave = true;
    saved.cells = rules::ColoursOf(game.Grid());
    saved.boardEmpty = rules::CountBalls(game.Grid()) == 0;
    rules::GameSettings copySettings = saved.settings;
    rules::SimScene scene;
    rules::ThrowReportObserver watcher;
    rules::TGame copy(scene, copySettings, game.Geometry());
    copy.SetSavedGame(saved);
    copy.Seed(1);
    copy.NewGame();
    copy.SetObserver(&watcher);
    rules::CourtControls controls(copy);
    if (!controls.Select(candidate.ball) || !controls.Launch(candidate.x, candidate.y)) return std::nullopt;
    std::uint32_t time = 1000;
    for (int frame = 0; frame < kPredictionFrames; ++frame) {
        copy.Step(time);
        scene.Tick(time);
        const int fps = scene.FrameRate();
        time += std::uint32_t(1000 / (fps > 0 ? fps : 1));
        if (watcher.Report().landed || copy.Flying().empty()) break;
    }
    const rules::TThrowReport& report = watcher.Report();
    return Prediction{(report.group >= 3 ? report.group : 0) + report.fell, report.voidThrow};
}

SoakBot::Kind BotKindNamed(const std::string& name) {
    if (name == "random") return SoakBot::Kind::Random;
    if (name == "greedy") return SoakBot::Kind::Greedy;
    throw SimError("--bot must be random or greedy, not '" + name + "'");
}

} // namespace sim
