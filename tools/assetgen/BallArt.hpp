#pragma once

#include <string>
#include <vector>

#include "Colour.hpp"
#include "Picture.hpp"
#include "scene/TClipData.hpp"

namespace assetgen {

// The seven ball colours each carry their own symbol, so that players who cannot tell some
// of the colours apart still can tell the balls apart.
enum class BallSymbol { Star, Square, Plus, Triangle, Ring, Crescent, Bars };

struct BallStyle {
    std::string name;
    Rgb leather;
    Rgb seam;
    Rgb symbol;
    BallSymbol mark = BallSymbol::Star;
};

inline constexpr int kBallWidth = 34;
inline constexpr int kBallHeight = 33;
inline constexpr int kBallFrames = 24;
inline constexpr float kBallFrameRate = 24.0f;

// The styles of colours 1 to 7, in file order.
const std::vector<BallStyle>& BallStyles();

// Signed distance from (u, v) to the symbol's outline, in units of the symbol's radius;
// negative inside. The symbol is upright at (0, 0).
double SymbolDistance(BallSymbol symbol, double u, double v);

// One ball picture: a lit sphere with pebbled leather, a seam ring around a cap that holds
// the symbol, and four seams from the ring to the rim, all turned by `spin` radians about
// the line of sight. Transparent outside the ball, antialiased at its edge.
Picture RenderBall(const BallStyle& style, double spin, int width, int height);

// A full turn in kBallFrames frames.
scene::TClipData BallClip(const BallStyle& style, const Rgb& background);

} // namespace assetgen
