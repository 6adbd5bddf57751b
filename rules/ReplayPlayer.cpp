#include "rules/ReplayPlayer.hpp"

#include "rules/BoardRules.hpp"
#include "rules/GameIdentity.hpp"
#include "rules/ReplayFidelity.hpp"
#include "rules/SimScene.hpp"
#include "rules/TGame.hpp"

namespace rules {

void ReplayCursor::StartReplay(TGame& game, GameSettings& settings, const GameReplay& replay) {
    settings.level = replay.level;
    game.Seed(replay.startState);
    game.NewGame();
}

void ReplayCursor::FeedInputs(TGame& game, bool& pace) {
    const std::vector<ReplayInput>& inputs = m_replay.inputs;
    for (; m_next < inputs.size() && inputs[m_next].tick <= m_tick; ++m_next) {
        const ReplayInput& input = inputs[m_next];
        if (input.kind == ReplayInput::Kind::Click) {
            // A live game never records a click off the court; a forged one is skipped, as
            // the window skips it.
            if (IsOnCourt(game.Geometry(), input.x, input.y)) game.Click(input.x, input.y);
        } else {
            pace = true;
        }
    }
}

bool ReplayCursor::StepGame(TGame& game) {
    bool pace = false;
    FeedInputs(game, pace);
    if (m_tick >= m_replay.ticks) return false;
    game.Advance(pace);
    ++m_tick;
    return true;
}

namespace {

std::array<std::string, 16> BoardOf(const TGame& game) {
    const auto colours = ColoursOf(game.Grid());
    std::array<std::string, 16> rows;
    for (int row = 1; row <= 16; ++row)
        for (int column = 1; column <= 16; ++column)
            rows[std::size_t(row - 1)] += char('0' + colours[std::size_t(row)][std::size_t(column)]);
    return rows;
}

} // namespace

ReplayRun PlayReplay(const GameReplay& replay, std::uint32_t tickBudget, PlayTo playTo) {
    ReplayRun run;
    if (replay.rulesVersion != GameReplay::kRulesVersion) {
        run.failure = "it was played under rules version " + std::to_string(replay.rulesVersion) + ", ours is " +
                      std::to_string(GameReplay::kRulesVersion);
        return run;
    }
    if (replay.ticks > tickBudget) {
        run.failure = "it asks for " + std::to_string(replay.ticks) + " frames, more than the " +
                      std::to_string(tickBudget) + " a replay may take";
        return run;
    }
    SimScene scene(replay.frameCounts);
    GameSettings settings;
    settings.sound = false;
    TGame game(scene, settings, CourtGeometry::FromBall(replay.ballWidth, replay.ballHeight));
    ReplayCursor cursor(replay);
    std::uint32_t launchTick = 0;
    LaunchLog launches(launchTick);
    game.SetObserver(&launches);
    ReplayCursor::StartReplay(game, settings, replay);
    const auto ended = [&] { return game.Replay() && game.Replay()->finished; };
    // The scene's clock only has to be non-zero and rising: motion is counted per frame.
    std::uint32_t time = 1;
    for (;;) {
        launchTick = cursor.Tick();
        if (!cursor.StepGame(game)) break;
        scene.Tick(time++);
        if (playTo == PlayTo::GameEnd && ended()) break;
    }
    game.SetObserver(nullptr);
    if (game.Replay()) {
        run.taken = *game.Replay();
        run.identity = GameIdentity(run.taken, launches.Launches());
    }
    run.played = true;
    run.outcome.level = replay.level;
    run.outcome.gameOver = game.Replay() && game.Replay()->finished;
    run.outcome.score = game.Score();
    run.outcome.ticks = cursor.Tick();
    run.outcome.board = BoardOf(game);
    return run;
}

ReplayVerdict VerifyReplay(std::string_view text, Level level, int score, std::uint32_t tickBudget) {
    ReplayVerdict verdict;
    std::string error;
    const std::optional<GameReplay> replay = DecodeReplay(text, &error);
    if (!replay) {
        verdict.reason = "the replay does not decode: " + error;
        return verdict;
    }
    const CourtGeometry standard;
    if (replay->ballWidth != standard.ballWidth || replay->ballHeight != standard.ballHeight) {
        verdict.reason = "the replay was played with balls of " + std::to_string(replay->ballWidth) + "x" +
                         std::to_string(replay->ballHeight) + " pixels, not the game's " +
                         std::to_string(standard.ballWidth) + "x" + std::to_string(standard.ballHeight);
        return verdict;
    }
    if (replay->level != level) {
        verdict.reason = std::string("the replay is a game at ") + LevelName(replay->level) + ", the report says " +
                         LevelName(level);
        return verdict;
    }
    const ReplayRun run = PlayReplay(*replay, tickBudget, PlayTo::GameEnd);
    if (!run.played) {
        verdict.reason = "the replay was not played: " + run.failure;
        return verdict;
    }
    verdict.outcome = run.outcome;
    if (!run.outcome.gameOver) {
        verdict.reason = "the replayed game is not finished";
        return verdict;
    }
    if (const std::optional<std::string> unfaithful = UnfaithfulReason(*replay, run.taken)) {
        verdict.reason = *unfaithful;
        return verdict;
    }
    if (run.outcome.score != score) {
        verdict.reason = "the replayed game scores " + std::to_string(run.outcome.score) + ", the report says " +
                         std::to_string(score);
        return verdict;
    }
    verdict.verified = true;
    verdict.identity = run.identity;
    return verdict;
}

} // namespace rules
