#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "SoakCourt.hpp"

namespace sim {

// Chooses and makes the throws of a soak game: "random" picks a free ball and an aim point
// at random, "greedy" predicts candidate throws on a pure copy of the board and takes the
// one that clears the most.
class SoakBot {
public:
    enum class Kind { Random, Greedy };

    SoakBot(Kind kind, std::uint32_t seed) : m_kind(kind), m_random(seed) {}

    // Clicks one throw into the court; false when every attempt was refused.
    bool Throw(SoakCourt& court);

private:
    struct Candidate {
        rules::Cell ball;
        int x = 0;
        int y = 0;
    };

    struct Prediction {
        int cleared = 0;  // matched balls plus the balls that fell with them
        bool voidThrow = false;
    };

    bool RandomThrow(SoakCourt& court);
    bool GreedyThrow(SoakCourt& court);
    // Clears the report, clicks the ball (when the level lets the player pick) and the aim.
    bool Attempt(SoakCourt& court, const Candidate& candidate);
    std::vector<rules::Cell> FreeBalls(const rules::TGame& game) const;
    // The candidate's outcome on a pure copy of the board; nothing when the launch is refused.
    static std::optional<Prediction> Predict(const rules::TGame& game, const rules::GameSettings& settings,
                                             const Candidate& candidate);

    Kind m_kind;
    std::mt19937 m_random;
};

// The bot a --bot value names: "random" or "greedy"; anything else is a SimError.
SoakBot::Kind BotKindNamed(const std::string& name);

} // namespace sim
