#include "game/IntroMotion.hpp"

namespace game {

bool UpperHalfSlidIn(int x, int width, int windowWidth) {
    return ((x - kIntroStep) * 2 + width) / 2 <= windowWidth / 2;
}

bool LowerHalfSlidIn(int x, int width, int windowWidth) {
    return windowWidth / 2 <= ((x + kIntroStep) * 2 + width) / 2;
}

int CentredX(int width, int windowWidth) { return (windowWidth - width) / 2; }

bool UpperHalfApart(int y) { return y - kIntroStep < 0; }

bool LowerHalfApart(int y, int height, int windowHeight) { return windowHeight < y + kIntroStep + height; }

int TitleY(int upperY, int upperHeight, int lowerY, int titleHeight) {
    return (upperY + upperHeight + lowerY - titleHeight) / 2;
}

} // namespace game
