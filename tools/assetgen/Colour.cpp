#include "Colour.hpp"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

double Clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

Rgb Hex(uint32_t rrggbb) {
    return {((rrggbb >> 16) & 0xFF) / 255.0, ((rrggbb >> 8) & 0xFF) / 255.0, (rrggbb & 0xFF) / 255.0};
}

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
    t = Clamp01(t);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Shade(const Rgb& colour, double amount) {
    return amount >= 0 ? Mix(colour, {1, 1, 1}, amount) : Mix(colour, {0, 0, 0}, -amount);
}

Rgb Scale(const Rgb& colour, double factor) {
    return {Clamp01(colour.r * factor), Clamp01(colour.g * factor), Clamp01(colour.b * factor)};
}

double Luminance(const Rgb& colour) {
    return 0.2126 * Linear(Clamp01(colour.r)) + 0.7152 * Linear(Clamp01(colour.g)) +
           0.0722 * Linear(Clamp01(colour.b));
}

double ContrastRatio(const Rgb& a, const Rgb& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

uint8_t ToByte(double channel) {
    return static_cast<uint8_t>(std::lround(Clamp01(channel) * 255.0));
}

uint32_t PixelValue(uint8_t red, uint8_t green, uint8_t blue) {
    return uint32_t{blue} | (uint32_t{green} << 8) | (uint32_t{red} << 16);
}

} // namespace assetgen
