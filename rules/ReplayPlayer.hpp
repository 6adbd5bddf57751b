#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rules/GameReplay.hpp"

namespace rules {

class TGame;

// The most frames a replay may ask for: four times the longest of a thousand bot games at any
// level and speed (65,416 frames, at Master on the fast speed; replay_bench prints them),
// which leaves a player three times as long again to think between throws: 43 minutes of
// play at the fast speed's 100 frames a second, longer at the others.
inline constexpr std::uint32_t kReplayTickBudget = 262144;

// Feeds a replay to a game frame by frame: before each step the inputs stamped with that
// tick, then the step with the recorded pace. The game must have been started with
// StartReplay; the caller moves the scene's balls after each step, as a frame does.
class ReplayCursor {
public:
    explicit ReplayCursor(const GameReplay& replay) : m_replay(replay) {}

    // Seeds the game with the replay's start, sets the settings' level and starts a game.
    static void StartReplay(TGame& game, GameSettings& settings, const GameReplay& replay);

    // One frame: false, doing nothing more, once all the replay's ticks are played (the
    // inputs that came after the last tick are fed then).
    bool StepGame(TGame& game);
    std::uint32_t Tick() const { return m_tick; }
    bool Done() const { return m_tick >= m_replay.ticks; }

private:
    void FeedInputs(TGame& game, bool& pace);

    const GameReplay& m_replay;
    std::size_t m_next = 0;
    std::uint32_t m_tick = 0;
};

// Where a replay's game stands after its last tick.
struct ReplayOutcome {
    Level level = Level::Novice;
    bool gameOver = false;
    int score = 0;
    std::uint32_t ticks = 0;
    std::array<std::string, 16> board;  // rows 1-16, a digit per column, 0 empty
};

struct ReplayRun {
    bool played = false;  // false: refused before the end, with the reason
    std::string failure;
    ReplayOutcome outcome;
    // The record the rules kept while they played: what they took of the replay.
    GameReplay taken;
    // What the rules did in the game (GameIdentity).
    std::string identity;
};

// How far a replay is played: to its last tick, or to the frame its game ended on, which
// spares the frames a replay may carry after the end.
enum class PlayTo : std::uint8_t { LastTick, GameEnd };

// Plays the replay on the pure rules from its start; refuses one that asks for more ticks
// than the budget without playing it.
ReplayRun PlayReplay(const GameReplay& replay, std::uint32_t tickBudget = kReplayTickBudget,
                     PlayTo playTo = PlayTo::LastTick);

struct ReplayVerdict {
    bool verified = false;
    std::string reason;  // why not, for the operator; empty when verified
    std::optional<ReplayOutcome> outcome;  // when the replay decoded and played
    std::string identity;                  // the game's identity, when verified
};

// Whether the text is a replay of ours that plays, under these rules, into a finished game at
// the level with exactly the score, and is the faithful recording of that game: nothing after
// its end, no input the rules did not take, its `finished` flag true.
ReplayVerdict VerifyReplay(std::string_view text, Level level, int score,
                           std::uint32_t tickBudget = kReplayTickBudget);

} // namespace rules
