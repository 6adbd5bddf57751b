#include "game/ScoreLayout.hpp"

#include <algorithm>

namespace game {

namespace {

// The box stands 20 pixels right of the court; its window spans x 12 to 148 of its 160.
constexpr int kWindowLeft = 32;
constexpr int kWindowWidth = 136;
constexpr int kNarrowGap = 4;

} // namespace

int ScorePlaces(int value) {
    int places = 1;
    for (int v = value; v >= 10; v /= 10) ++places;
    return std::max(places, kWidePlaces);
}

std::vector<int> WideDigitLefts(int courtWidth, int drumWidth) {
    std::vector<int> lefts;
    for (int i = 0; i < kWidePlaces; ++i) lefts.push_back(courtWidth + 35 + i * (drumWidth + 5));
    return lefts;
}

std::vector<int> NarrowDigitLefts(int courtWidth, int drumWidth, int places) {
    std::vector<int> lefts;
    if (places < 1) return lefts;
    int pitch = drumWidth + kNarrowGap;
    if (places > 1) pitch = std::min(pitch, std::max(drumWidth, (kWindowWidth - drumWidth) / (places - 1)));
    const int span = pitch * (places - 1) + drumWidth;
    const int left = courtWidth + kWindowLeft + (kWindowWidth - span) / 2;
    for (int i = 0; i < places; ++i) lefts.push_back(left + i * pitch);
    return lefts;
}

} // namespace game
