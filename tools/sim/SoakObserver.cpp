#include "SoakObserver.hpp"

namespace sim {

void SoakObserver::CeilingRefreshed(const rules::CourtState& court) {
    if (!m_ceilingProblem.empty() || court.PresentColours().size() < 2) return;
    for (int slot = 1; slot <= 16; ++slot) {
        const rules::Ball* ball = court.ceiling[std::size_t(slot)];
        if (ball && court.counts[std::size_t(ball->Colour() - 1)] <= 0) {
            m_ceilingProblem = "ceiling slot " + std::to_string(slot) + " holds colour " +
                               std::to_string(ball->Colour()) + ", which is not on the board";
            return;
        }
    }
}

} // namespace sim
