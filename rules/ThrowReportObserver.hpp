#pragma once

#include <optional>

#include "rules/GameObserver.hpp"

namespace rules {

// What happened since the report was last cleared: the simulator prints it per click.
struct TThrowReport {
    bool launched = false;
    std::optional<Cell> landed; // where the thrown ball came to rest
    bool voidThrow = false;     // it came back to its own cell
    int group = 0;              // the group the evaluation counted
    double effort = 0;
    int removed = 0; // matched balls taken off the screen
    int fell = 0;    // balls the support search let fall
    int drops = 0;   // balls that entered from the ceiling row
};

// Sums a game's throw events into a report until it is cleared. Clear it before the click
// whose outcome it is to tell.
class ThrowReportObserver : public GameObserver {
public:
    const TThrowReport& Report() const { return m_report; }
    void Clear() { m_report = {}; }

    void ThrowLaunched(const LaunchStart&) override { m_report.launched = true; }
    void ThrowLanded(Cell cell, double effort, bool cameBack) override;
    void GroupCounted(int balls) override { m_report.group = balls; }
    void BallsFell(int balls) override { m_report.fell += balls; }
    void BallRemoved() override { ++m_report.removed; }
    void BallDropped() override { ++m_report.drops; }

private:
    TThrowReport m_report;
};

} // namespace rules
