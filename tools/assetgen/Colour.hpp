#pragma once

#include <cstdint>

namespace assetgen {

// A colour with channels in 0..1, not premultiplied.
struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;

    bool operator==(const Rgb&) const = default;
};

// 0xRRGGBB as written in art code.
Rgb Hex(uint32_t rrggbb);

// Linear interpolation from a (t = 0) to b (t = 1); t is clamped to 0..1.
Rgb Mix(const Rgb& a, const Rgb& b, double t);

// Towards white (amount > 0) or black (amount < 0) by |amount|.
Rgb Shade(const Rgb& colour, double amount);

// Each channel scaled by factor and clamped to 0..1.
Rgb Scale(const Rgb& colour, double factor);

// Relative luminance after the sRGB transfer curve, 0 for black and 1 for white.
double Luminance(const Rgb& colour);

// Contrast ratio of two colours, 1 (equal) to 21 (black on white).
double ContrastRatio(const Rgb& a, const Rgb& b);

// Channel value rounded to a byte, clamped to 0..255.
uint8_t ToByte(double channel);

// The 24-bit value a clip image compares with its colour key: blue + green·256 + red·65536.
uint32_t PixelValue(uint8_t red, uint8_t green, uint8_t blue);

// The game window's background, red 255, green 204, blue 153.
inline constexpr uint32_t kBackgroundHex = 0xFFCC99;

// Colour key of every clip image: a pure magenta that no drawn pixel is allowed to hit.
inline constexpr uint8_t kKeyRed = 255;
inline constexpr uint8_t kKeyGreen = 0;
inline constexpr uint8_t kKeyBlue = 255;

} // namespace assetgen
