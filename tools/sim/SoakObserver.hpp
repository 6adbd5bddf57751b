#pragma once

#include <string>

#include "rules/ThrowReportObserver.hpp"

namespace sim {

// Watches a soak game: sums its throws into a report, as the simulator prints them, and checks
// after every refresh of the row under the ceiling that each waiting ball has a colour still in
// play (when two or more are), remembering the first slot that has not.
class SoakObserver : public rules::ThrowReportObserver {
public:
    void CeilingRefreshed(const rules::CourtState& court) override;

    // The first ceiling problem seen, or empty.
    const std::string& CeilingProblem() const { return m_ceilingProblem; }

private:
    std::string m_ceilingProblem;
};

} // namespace sim
