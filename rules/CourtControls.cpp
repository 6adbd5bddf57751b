#include "rules/CourtControls.hpp"

#include "rules/TGame.hpp"

namespace rules {

bool CourtControls::Select(Cell cell) {
    return m_game.Select(cell);
}

bool CourtControls::Launch(int x, int y) {
    return m_game.Launch(x, y);
}

void CourtControls::EndGame() {
    m_game.EndGame();
}

} // namespace rules
