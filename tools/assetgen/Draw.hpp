#pragma once

#include <cairo.h>

#include <string>

#include "Colour.hpp"

namespace assetgen {

// Palette shared by every picture, so that the game reads as one piece.
namespace palette {
inline const Rgb kBackground = Hex(kBackgroundHex);
inline const Rgb kLeather = Hex(0xE8731E); // basketball orange
inline const Rgb kLeatherLight = Hex(0xFFA04A);
inline const Rgb kLeatherDark = Hex(0xB5480C);
inline const Rgb kSeam = Hex(0x3A1E10); // seams and outlines
inline const Rgb kWood = Hex(0x9A5A2C); // court borders
inline const Rgb kWoodLight = Hex(0xC98A4E);
inline const Rgb kWoodDark = Hex(0x5E3214);
inline const Rgb kChocolate = Hex(0x4A2614); // dark buttons that carry peach captions
inline const Rgb kChocolateLight = Hex(0x7A4424);
inline const Rgb kCream = Hex(0xFFF4E2);
inline const Rgb kCourtRed = Hex(0xB8281E); // painted court lines and titles
inline const Rgb kGold = Hex(0xFFD23C);
} // namespace palette

struct Font {
    const char* family = "Liberation Sans";
    bool bold = true;
    bool italic = false;
    double size = 16;
};

// Ink extents of a text in a font: the box the glyphs cover, relative to the pen origin.
struct TextInk {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    double advance = 0;
};

void SetColour(cairo_t* cr, const Rgb& colour, double alpha = 1.0);

void RoundedRectPath(cairo_t* cr, double x, double y, double w, double h, double radius);

void SelectFont(cairo_t* cr, const Font& font);

TextInk MeasureText(cairo_t* cr, const Font& font, const std::string& text);

// Lettering of the game: a soft shadow, a dark outline and a fill from `top` to `bottom`,
// with the ink box centred on (cx, cy).
struct Lettering {
    Font font;
    Rgb top = palette::kCream;
    Rgb bottom = palette::kCream;
    Rgb outline = palette::kSeam;
    double outlineWidth = 2.0;
    double shadowOffset = 1.5;
    double shadowAlpha = 0.35;
};
void DrawLettering(cairo_t* cr, const std::string& text, const Lettering& style, double cx, double cy);

// Frees the font and pattern caches that cairo and fontconfig keep for the process, so that
// leak checkers see a clean exit. No drawing may be in progress or follow.
void ReleaseDrawingCaches();

// A basketball drawn with vectors: shading, pebble rim and the four classic seams.
void DrawVectorBall(cairo_t* cr, double cx, double cy, double radius, const Rgb& leather,
                    double seamAngle = 0.0);

} // namespace assetgen
