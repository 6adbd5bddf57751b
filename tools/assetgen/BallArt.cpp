#include "BallArt.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "Draw.hpp"

namespace assetgen {

namespace {

constexpr double kCapRadius = 0.62; // seam ring, in ball radii
constexpr double kSeamWidth = 0.05;
constexpr double kSymbolRadius = 0.44;
constexpr int kSamples = 4; // per axis and pixel

double BoxDistance(double u, double v, double halfWidth, double halfHeight) {
    const double dx = std::abs(u) - halfWidth;
    const double dy = std::abs(v) - halfHeight;
    return std::hypot(std::max(dx, 0.0), std::max(dy, 0.0)) + std::min(std::max(dx, dy), 0.0);
}

// Smooth hash noise on the sphere's surface, in body coordinates, for the leather pebbles.
double Hash(int x, int y, int z) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(z) * 2147483647u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFF) / 65535.0;
}

double Pebbles(double x, double y, double z) {
    const double scale = 9.0;
    x = x * scale + 100;
    y = y * scale + 100;
    z = z * scale + 100;
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    const int iz = static_cast<int>(std::floor(z));
    // The distance to the nearest of the jittered cell points: round bumps.
    double nearest = 9;
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int cx = ix + dx, cy = iy + dy, cz = iz + dz;
                const double px = cx + Hash(cx, cy, cz);
                const double py = cy + Hash(cy, cz, cx);
                const double pz = cz + Hash(cz, cx, cy);
                nearest = std::min(nearest, std::hypot(x - px, y - py, z - pz));
            }
        }
    }
    return std::clamp(nearest, 0.0, 1.0);
}

} // namespace

const std::vector<BallStyle>& BallStyles() {
    static const std::vector<BallStyle> styles = {
        {"orange", Hex(0xF07A1A), Hex(0x3A1A0C), Hex(0xFFF2DC), BallSymbol::Star},
        {"blue", Hex(0x2F6FE0), Hex(0x0E1A3C), Hex(0xF2F6FF), BallSymbol::Square},
        {"green", Hex(0x35A94A), Hex(0x0C2A12), Hex(0xF0FFEE), BallSymbol::Plus},
        {"red", Hex(0xD8283A), Hex(0x3C0A10), Hex(0xFFEEF0), BallSymbol::Triangle},
        {"purple", Hex(0x8C4CCC), Hex(0x24103A), Hex(0xF8F0FF), BallSymbol::Ring},
        {"yellow", Hex(0xF7CC2C), Hex(0x4A3008), Hex(0x5A3408), BallSymbol::Crescent},
        {"black", Hex(0x34343E), Hex(0xB8B8C4), Hex(0xF4F4F8), BallSymbol::Bars},
    };
    return styles;
}

double SymbolDistance(BallSymbol symbol, double u, double v) {
    switch (symbol) {
    case BallSymbol::Square:
        return BoxDistance(u, v, 0.72, 0.72) - 0.08;
    case BallSymbol::Plus:
        return std::min(BoxDistance(u, v, 0.95, 0.3), BoxDistance(u, v, 0.3, 0.95));
    case BallSymbol::Ring:
        return std::abs(std::hypot(u, v) - 0.62) - 0.26;
    case BallSymbol::Bars:
        return std::min(BoxDistance(u, v - 0.42, 0.9, 0.24), BoxDistance(u, v + 0.42, 0.9, 0.24));
    case BallSymbol::Crescent:
        return std::max(std::hypot(u, v) - 0.95, -(std::hypot(u - 0.42, v + 0.22) - 0.72));
    case BallSymbol::Triangle: {
        // Equilateral with its point up (v grows downwards); edges as half-planes.
        const double h = std::sqrt(3.0) / 2;
        const double inradius = 0.55;
        return std::max({v - inradius, -h * u - 0.5 * v - inradius, h * u - 0.5 * v - inradius});
    }
    case BallSymbol::Star: {
        // Five points: inside when the polar radius is below the star's outline there.
        const double angle = std::atan2(u, -v);
        const double sector = 2 * std::numbers::pi / 5;
        double a = std::fmod(angle + sector * 10, sector);
        a = std::abs(a - sector / 2) / (sector / 2); // 1 at a point, 0 between points
        const double outline = 0.45 + 0.6 * std::pow(a, 1.6);
        return (std::hypot(u, v) - outline) * 0.7;
    }
    }
    return 1;
}

Picture RenderBall(const BallStyle& style, double spin, int width, int height) {
    Picture picture(width, height);
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    const double radius = std::min(width, height) / 2.0 - 0.15;
    // Light from the upper left, in front.
    const double lx = -0.45, ly = -0.6, lz = 0.66;
    const double hx = lx, hy = ly, hz = lz + 1.0;
    const double hl = std::hypot(hx, hy, hz);
    const double cosSpin = std::cos(spin), sinSpin = std::sin(spin);
    const Rgb outline = Shade(style.leather, -0.7);

    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            double red = 0, green = 0, blue = 0, cover = 0;
            // The pebbles are finer than a pixel's samples need: one value a pixel, at its centre.
            double pebble = 0.5;
            {
                const double x = (px + 0.5 - cx) / radius;
                const double y = (py + 0.5 - cy) / radius;
                const double d2 = std::min(x * x + y * y, 1.0);
                pebble = Pebbles(x * cosSpin + y * sinSpin, -x * sinSpin + y * cosSpin, std::sqrt(1.0 - d2));
            }
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double x = (px + (sx + 0.5) / kSamples - cx) / radius;
                    const double y = (py + (sy + 0.5) / kSamples - cy) / radius;
                    const double d2 = x * x + y * y;
                    if (d2 > 1.0) continue;
                    const double z = std::sqrt(1.0 - d2);
                    // Body coordinates: undo the spin about the line of sight.
                    const double u = x * cosSpin + y * sinSpin;
                    const double v = -x * sinSpin + y * cosSpin;
                    const double r = std::sqrt(d2);

                    Rgb colour = style.leather;
                    colour = Scale(colour, 0.95 + 0.07 * pebble);

                    const bool onRing = std::abs(r - kCapRadius) < kSeamWidth;
                    const bool onSpoke =
                        r > kCapRadius && (std::abs(u) < kSeamWidth * 0.9 || std::abs(v) < kSeamWidth * 0.9);
                    if (onRing || onSpoke) colour = style.seam;

                    if (r < kCapRadius - kSeamWidth) {
                        const double d =
                            SymbolDistance(style.mark, u / kSymbolRadius, v / kSymbolRadius) * kSymbolRadius;
                        if (d < 0) colour = d > -0.07 ? style.seam : style.symbol;
                    }

                    const double diffuse = std::max(0.0, x * lx + y * ly + z * lz);
                    const double specular =
                        std::pow(std::max(0.0, (x * hx + y * hy + z * hz) / hl), 28) * 0.5;
                    double light = 0.55 + 0.6 * diffuse;
                    colour = Scale(colour, light);
                    colour = Mix(colour, {1, 1, 1}, specular);
                    if (r > 0.9) colour = Mix(colour, outline, (r - 0.9) / 0.1 * 0.85);

                    red += colour.r;
                    green += colour.g;
                    blue += colour.b;
                    cover += 1;
                }
            }
            if (cover == 0) continue;
            const double n = kSamples * kSamples;
            picture.At(px, py) = PremultipliedPixel({red / cover, green / cover, blue / cover}, cover / n);
        }
    }
    return picture;
}

scene::TClipData BallClip(const BallStyle& style, const Rgb& background) {
    std::vector<Picture> frames;
    for (int i = 0; i < kBallFrames; ++i) {
        const double spin = 2 * std::numbers::pi * i / kBallFrames;
        frames.push_back(RenderBall(style, spin, kBallWidth, kBallHeight));
    }
    return SequenceClip(frames, kBallFrameRate, background);
}

} // namespace assetgen
