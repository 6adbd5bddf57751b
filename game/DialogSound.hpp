#pragma once

namespace game {

// The answer buttons of the confirmations and of the rules and result windows sound when
// the mouse enters them, but only while the player has sound on.
void PlayAnswerHoverSound(int code);

} // namespace game
