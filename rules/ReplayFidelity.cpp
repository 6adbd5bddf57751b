#include "rules/ReplayFidelity.hpp"

#include <algorithm>

namespace rules {

namespace {

std::string frameText(std::uint32_t tick) {
    return "frame " + std::to_string(tick);
}

} // namespace

std::optional<std::string> UnfaithfulReason(const GameReplay& submitted, const GameReplay& taken) {
    if (submitted.finished != taken.finished)
        return submitted.finished ? std::string("the replay says its game ended, but it did not")
                                  : "the replay says its game did not end, but it ended on its " +
                                        frameText(taken.ticks - 1);
    if (submitted.ticks > taken.ticks)
        return "the replay goes on for " + std::to_string(submitted.ticks - taken.ticks) +
               " frames after its game ended";
    const auto [ours, theirs] = std::mismatch(taken.inputs.begin(), taken.inputs.end(),
                                              submitted.inputs.begin(), submitted.inputs.end());
    if (theirs != submitted.inputs.end()) {
        const bool afterEnd = taken.finished && theirs->tick >= taken.ticks;
        return std::string(afterEnd ? "the replay has an input after its game ended, on "
                                    : "the replay has an input the game did not take, on ") +
               frameText(theirs->tick);
    }
    if (ours != taken.inputs.end())
        return "the replay lacks an input the game took, on " + frameText(ours->tick);
    if (submitted.frameCounts != taken.frameCounts)
        return std::string("the replay gives frame counts of ball pictures its game never drew from");
    if (submitted.ticks != taken.ticks || submitted.level != taken.level ||
        submitted.startState != taken.startState || submitted.ballWidth != taken.ballWidth ||
        submitted.ballHeight != taken.ballHeight)
        return std::string("the replay's frames or start differ from the game it plays");
    return std::nullopt;
}

} // namespace rules
