#include "ReplayGames.hpp"

#include <random>
#include <vector>

#include "rules/BoardRules.hpp"
#include "rules/GameReplay.hpp"
#include "rules/GameSettings.hpp"
#include "rules/SimScene.hpp"
#include "rules/TGame.hpp"
#include "store/ScoreReport.hpp"

namespace {

// More than the longest game at any level needs.
constexpr int kFrameLimit = 400'000;

} // namespace

std::optional<PlayedGame> PlayGame(int level, std::uint32_t seed) {
    return PlayGameFrom(level, seed, seed);
}

std::optional<PlayedGame> PlayGameFrom(int level, std::uint32_t seed, std::uint32_t botSeed) {
    rules::GameSettings settings;
    settings.level = static_cast<rules::Level>(level - 1);
    rules::SimScene scene;
    rules::TGame rules(scene, settings, rules::CourtGeometry{});
    rules.Seed(seed);
    rules.NewGame();
    std::mt19937 random(botSeed);
    const rules::CourtGeometry& g = rules.Geometry();
    const bool picks = rules::RulesOfLevel(settings.level).playerPicks;
    std::uint32_t time = 1000;
    for (int frame = 0; frame < kFrameLimit && !(rules.GameOver() && rules.IsSettled()); ++frame) {
        if (rules.AcceptsClicks()) {
            std::vector<rules::Cell> free;
            for (int row = 1; row <= 16; ++row)
                for (int column = 1; column <= 16; ++column)
                    if (rules.Grid()[std::size_t(row)][std::size_t(column)] &&
                        rules::IsFree(rules.Grid(), row, column))
                        free.push_back({row, column});
            if (!free.empty()) {
                const rules::Cell ball =
                    free[std::uniform_int_distribution<std::size_t>(0, free.size() - 1)(random)];
                if (picks) rules.Click(g.CentreX(ball.row, ball.column), g.CentreY(ball.row));
                rules.Click(std::uniform_int_distribution<int>(g.courtLeft, g.courtLeft + g.courtWidth - 1)(random),
                            std::uniform_int_distribution<int>(0, g.courtTop + g.courtHeight - 1)(random));
            }
        }
        rules.Step(time);
        scene.Tick(time);
        time += std::uint32_t(1000 / (scene.FrameRate() > 0 ? scene.FrameRate() : 1));
    }
    const rules::GameReplay* replay = rules.Replay();
    if (!replay || !rules.GameOver()) return std::nullopt;
    return PlayedGame{rules::EncodeReplay(*replay), level, rules.Score()};
}

std::string UnfinishedReplay(int level) {
    rules::GameReplay replay;
    replay.level = static_cast<rules::Level>(level - 1);
    replay.startState = 12345;
    replay.frameCounts.fill(rules::SimBall::kFrames);
    replay.ticks = 5;
    replay.finished = false;
    return rules::EncodeReplay(replay);
}

std::string IdleReplay(int level, std::uint32_t ticks) {
    rules::GameReplay replay;
    replay.level = static_cast<rules::Level>(level - 1);
    replay.startState = 777;
    replay.frameCounts.fill(rules::SimBall::kFrames);
    replay.ticks = ticks;
    replay.finished = false;
    return rules::EncodeReplay(replay);
}

std::string ReportCode(std::int32_t score, int level, const std::string& name) {
    return ReportCode(score, std::to_string(level), name);
}

std::string ReportCode(std::int32_t score, const std::string& level, const std::string& name) {
    return store::EncodeScoreReport(store::BuildScoreReport(score, level, name));
}

std::string ChangedReplay(const std::string& text, const std::function<void(rules::GameReplay&)>& change) {
    std::optional<rules::GameReplay> replay = rules::DecodeReplay(text);
    if (!replay) return text;
    change(*replay);
    return rules::EncodeReplay(*replay);
}

std::vector<std::string> RepeatedClickCopies(const std::string& text) {
    const std::optional<rules::GameReplay> replay = rules::DecodeReplay(text);
    std::vector<std::string> copies;
    if (!replay) return copies;
    for (std::size_t i = 0; i < replay->inputs.size(); ++i) {
        if (replay->inputs[i].kind != rules::ReplayInput::Kind::Click) continue;
        rules::GameReplay copy = *replay;
        copy.inputs.insert(copy.inputs.begin() + std::ptrdiff_t(i), replay->inputs[i]);
        copies.push_back(rules::EncodeReplay(copy));
    }
    return copies;
}
