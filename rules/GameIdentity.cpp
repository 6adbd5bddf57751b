#include "rules/GameIdentity.hpp"

namespace rules {

std::string GameIdentity(const GameReplay& taken, const std::vector<TimedLaunch>& launches) {
    std::string text = "game " + std::to_string(taken.rulesVersion) + " level " +
                       std::to_string(int(taken.level)) + " start " + std::to_string(taken.startState) +
                       " balls " + std::to_string(taken.ballWidth) + "x" + std::to_string(taken.ballHeight) +
                       " clips";
    for (const int frames : taken.frameCounts) text += " " + std::to_string(frames);
    text += "\nthrows";
    for (const TimedLaunch& t : launches)
        text += " " + std::to_string(t.tick) + ":" + std::to_string(t.launch.from.row) + "," +
                std::to_string(t.launch.from.column) + "," + std::to_string(t.launch.vx) + "," +
                std::to_string(t.launch.vy) + (t.launch.upward ? ",up" : ",plain");
    text += "\npaces";
    for (const ReplayInput& input : taken.inputs)
        if (input.kind == ReplayInput::Kind::Pace) text += " " + std::to_string(input.tick);
    text += "\nends " + (taken.finished ? std::to_string(taken.ticks) : std::string("never")) + "\n";
    return text;
}

} // namespace rules
