#include "rules/CourtState.hpp"

namespace rules {

std::vector<int> CourtState::PresentColours() const {
    std::vector<int> present;
    for (int k = 0; k < kColours; ++k)
        if (counts[k] > 0) present.push_back(k + 1);
    return present;
}

bool CourtState::IsSettled() const {
    return flying.empty() && removal.empty() && falling.empty() && pendingDrops == 0 && !bonusPending;
}

bool CourtState::AcceptsClicks() const {
    return flying.empty() && removal.empty() && falling.empty() && !gameOver;
}

} // namespace rules
