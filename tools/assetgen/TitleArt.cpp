#include "TitleArt.hpp"

#include <cmath>
#include <string>

#include "ArtText.hpp"
#include "CairoCanvas.hpp"
#include "Draw.hpp"
#include "Layout.hpp"
#include "MathConstants.hpp"

namespace assetgen {

namespace {

Lettering TitleStyle(double size) {
    Lettering style;
    style.font = {"Liberation Sans", true, true, size};
    style.top = palette::kGold;
    style.bottom = palette::kLeather;
    style.outline = palette::kSeam;
    style.outlineWidth = std::max(1.6, size / 16);
    style.shadowOffset = std::max(1.5, size / 18);
    style.shadowAlpha = 0.4;
    return style;
}

// Letters set one by one along a circle, centred on `centreAngle` (radians, 0 is to the
// right, growing clockwise). On the top arc the letters stand on the circle and read left to
// right from outside; on the bottom arc they hang from it and read left to right from inside.
void TextOnArc(cairo_t* cr, const std::string& text, const Font& font, double cx, double cy, double radius,
               double centreAngle, bool topArc, const Rgb& fill) {
    SelectFont(cr, font);
    double total = 0;
    std::vector<double> advances;
    for (char c : text) {
        cairo_text_extents_t extents;
        const char glyph[2] = {c, 0};
        cairo_text_extents(cr, glyph, &extents);
        advances.push_back(extents.x_advance);
        total += extents.x_advance;
    }
    const double letterSpacing = font.size * 0.12;
    total += letterSpacing * static_cast<double>(text.size() - 1);
    double angle = centreAngle + (topArc ? -1 : 1) * total / 2 / radius;
    for (size_t i = 0; i < text.size(); ++i) {
        const double half = advances[i] / 2 / radius;
        const double a = angle + (topArc ? half : -half);
        cairo_save(cr);
        cairo_translate(cr, cx + radius * std::cos(a), cy + radius * std::sin(a));
        cairo_rotate(cr, topArc ? a + kPi / 2 : a - kPi / 2);
        const char glyph[2] = {text[i], 0};
        cairo_text_extents_t extents;
        cairo_text_extents(cr, glyph, &extents);
        cairo_move_to(cr, -extents.x_advance / 2, font.size * 0.36);
        cairo_text_path(cr, glyph);
        SetColour(cr, palette::kSeam);
        cairo_set_line_width(cr, 2.2);
        cairo_stroke_preserve(cr);
        SetColour(cr, fill);
        cairo_fill(cr);
        cairo_restore(cr);
        angle += (topArc ? 1 : -1) * (advances[i] + letterSpacing) / radius;
    }
}

void Star(cairo_t* cr, double cx, double cy, double radius) {
    cairo_new_path(cr);
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? radius * 0.45 : radius;
        const double a = -kPi / 2 + i * kPi / 5;
        cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
    SetColour(cr, palette::kSeam);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke_preserve(cr);
    SetColour(cr, palette::kGold);
    cairo_fill(cr);
}

// The whole badge, 300 × 300, drawn around its centre.
void DrawEmblem(cairo_t* cr, double cx, double cy) {
    const double outer = 147;
    // Dark ring with an orange rim and a thin gold line inside.
    cairo_arc(cr, cx, cy, outer, 0, 2 * kPi);
    cairo_pattern_t* ring = cairo_pattern_create_linear(0, cy - outer, 0, cy + outer);
    cairo_pattern_add_color_stop_rgb(ring, 0, palette::kChocolateLight.r, palette::kChocolateLight.g,
                                     palette::kChocolateLight.b);
    cairo_pattern_add_color_stop_rgb(ring, 1, palette::kChocolate.r, palette::kChocolate.g,
                                     palette::kChocolate.b);
    cairo_set_source(cr, ring);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(ring);
    SetColour(cr, palette::kLeather);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, outer - 7, 0, 2 * kPi);
    SetColour(cr, palette::kGold, 0.8);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);

    // The inner court: cream with a key and a centre circle in court red.
    const double inner = 106;
    cairo_arc(cr, cx, cy, inner, 0, 2 * kPi);
    cairo_pattern_t* court = cairo_pattern_create_radial(cx, cy - 30, 10, cx, cy, inner);
    cairo_pattern_add_color_stop_rgb(court, 0, 1.0, 0.97, 0.9);
    cairo_pattern_add_color_stop_rgb(court, 1, 0.98, 0.84, 0.66);
    cairo_set_source(cr, court);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(court);
    SetColour(cr, palette::kLeather);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_arc(cr, cx, cy, inner - 1.5, 0, 2 * kPi);
    cairo_clip(cr);
    SetColour(cr, palette::kCourtRed, 0.35);
    cairo_set_line_width(cr, 3);
    cairo_move_to(cr, cx - inner, cy);
    cairo_line_to(cr, cx + inner, cy);
    cairo_stroke(cr);
    cairo_restore(cr);

    DrawVectorBall(cr, cx, cy, 74, palette::kLeather, -0.35);
    // Gloss on the ball.
    cairo_save(cr);
    cairo_translate(cr, cx - 26, cy - 32);
    cairo_rotate(cr, -0.6);
    cairo_scale(cr, 1.0, 0.55);
    cairo_arc(cr, 0, 0, 26, 0, 2 * kPi);
    cairo_restore(cr);
    cairo_pattern_t* gloss = cairo_pattern_create_radial(cx - 26, cy - 32, 2, cx - 26, cy - 32, 28);
    cairo_pattern_add_color_stop_rgba(gloss, 0, 1, 1, 1, 0.55);
    cairo_pattern_add_color_stop_rgba(gloss, 1, 1, 1, 1, 0);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);

    const Font ringFont{"Liberation Sans", true, false, 24};
    TextOnArc(cr, "HOOPSTACK", ringFont, cx, cy, (outer + inner) / 2, -kPi / 2, true, palette::kGold);
    const Font smallFont{"Liberation Sans", true, false, 17};
    TextOnArc(cr, "THROW  MATCH  CLEAR", smallFont, cx, cy, (outer + inner) / 2, kPi / 2, false,
              palette::kCream);
    for (int side = -1; side <= 1; side += 2) {
        const double a = side < 0 ? kPi : 0;
        Star(cr, cx + (outer + inner) / 2 * std::cos(a), cy + (outer + inner) / 2 * std::sin(a), 9);
    }
}

} // namespace

scene::TClipData TopTitleClip(const Rgb& background) {
    const Size size = sizes::kTopTitle;
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    DrawLettering(cr, ArtText("Top 10").c_str(), TitleStyle(50), size.width / 2.0 + 22, 38);
    // A small ball bounces in from the left of the lettering.
    DrawVectorBall(cr, 46, 38, 22, palette::kLeather, 0.4);
    // The rule under the title.
    cairo_move_to(cr, 20, size.height - 8);
    cairo_line_to(cr, size.width - 20, size.height - 8);
    SetColour(cr, palette::kLeather);
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_move_to(cr, 40, size.height - 3);
    cairo_line_to(cr, size.width - 40, size.height - 3);
    SetColour(cr, palette::kCourtRed, 0.7);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    return SequenceClip({canvas.Take()}, 0, background);
}

scene::TClipData BarClip(const Rgb& background) {
    const Size size = sizes::kBar;
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    const double cy = size.height / 2.0;
    for (int side = -1; side <= 1; side += 2) {
        cairo_new_path(cr);
        cairo_move_to(cr, size.width / 2.0 + side * 8, cy - 2);
        cairo_line_to(cr, size.width / 2.0 + side * (size.width / 2.0 - 2), cy);
        cairo_line_to(cr, size.width / 2.0 + side * 8, cy + 2);
        cairo_close_path(cr);
        SetColour(cr, palette::kLeather);
        cairo_fill(cr);
    }
    DrawVectorBall(cr, size.width / 2.0, cy, cy - 0.5, palette::kLeather, 0.3);
    return SequenceClip({canvas.Take()}, 0, background);
}

scene::TClipData OptionsTitleClip(const Rgb& background) {
    const Size size = sizes::kOptionsTitle;
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    DrawLettering(cr, ArtText("Options").c_str(), TitleStyle(48), size.width / 2.0, 38);
    cairo_move_to(cr, 24, 76);
    cairo_line_to(cr, size.width - 24, 76);
    SetColour(cr, palette::kLeather);
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    DrawVectorBall(cr, size.width / 2.0, 76, 7, palette::kLeather, 0.3);
    return SequenceClip({canvas.Take()}, 0, background);
}

scene::TClipData QuitPictureClip(const Rgb& background) {
    const Size size = sizes::kExitPicture;
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    const double cx = size.width / 2.0;
    // Backboard, hoop and net; the ball drops through, on its way out of the game.
    RoundedRectPath(cr, cx - 48, 4, 96, 44, 4);
    SetColour(cr, palette::kCream);
    cairo_fill_preserve(cr);
    SetColour(cr, palette::kSeam);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_rectangle(cr, cx - 18, 20, 36, 24);
    SetColour(cr, palette::kCourtRed);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    DrawVectorBall(cr, cx, 46, 17, palette::kLeather, 0.7);
    // Net below the rim, over the lower part of the ball.
    SetColour(cr, {1, 1, 1}, 0.9);
    cairo_set_line_width(cr, 1.4);
    for (int i = 0; i <= 6; ++i) {
        const double top = cx - 24 + i * 8;
        cairo_move_to(cr, top, 50);
        cairo_line_to(cr, cx - 14 + i * 4.67 + (i % 2 ? 3 : -3), 76);
    }
    cairo_stroke(cr);
    for (int k = 1; k <= 2; ++k) {
        const double y = 50 + k * 9;
        const double half = 24 - k * 3.5;
        cairo_move_to(cr, cx - half, y);
        cairo_line_to(cr, cx + half, y);
    }
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_translate(cr, cx, 50);
    cairo_scale(cr, 27, 5);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    SetColour(cr, palette::kSeam);
    cairo_set_line_width(cr, 4.5);
    cairo_stroke_preserve(cr);
    SetColour(cr, palette::kLeather);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    Lettering style = TitleStyle(32);
    style.top = Hex(0xFF6A4A);
    style.bottom = palette::kCourtRed;
    DrawLettering(cr, ArtText("Quit the game?").c_str(), style, cx, 108);
    return SequenceClip({canvas.Take()}, 0, background);
}

scene::TClipData EmblemHalfClip(bool upper, const Rgb& background) {
    const Size size = sizes::kLogoHalf;
    CairoCanvas canvas(size.width, size.height);
    DrawEmblem(canvas.Context(), size.width / 2.0, upper ? size.height : 0.0);
    return SequenceClip({canvas.Take()}, 0, background);
}

scene::TClipData LogoTitleClip(const Rgb& background) {
    const Size size = sizes::kLogoTitle;
    std::vector<Picture> pictures;
    for (int step = 0; step <= kTitleShineFrames; ++step) {
        CairoCanvas canvas(size.width, size.height);
        cairo_t* cr = canvas.Context();
        Lettering style = TitleStyle(74);
        style.outlineWidth = 4;
        style.shadowOffset = 4;
        DrawLettering(cr, "Hoopstack", style, size.width / 2.0, size.height / 2.0);
        if (step > 0 && step < kTitleShineFrames) {
            // A slanted band of light crosses the letters, drawn only where the letters are.
            const TextInk ink = MeasureText(cr, style.font, "Hoopstack");
            const double x = size.width / 2.0 - ink.width / 2 - ink.left;
            const double y = size.height / 2.0 - ink.height / 2 - ink.top;
            cairo_new_path(cr);
            cairo_move_to(cr, x, y);
            cairo_text_path(cr, "Hoopstack");
            cairo_clip(cr);
            const double t = step / double(kTitleShineFrames);
            const double bandX = -60 + t * (size.width + 120);
            cairo_pattern_t* band = cairo_pattern_create_linear(bandX - 30, 0, bandX + 30, -20);
            cairo_pattern_add_color_stop_rgba(band, 0, 1, 1, 1, 0);
            cairo_pattern_add_color_stop_rgba(band, 0.5, 1, 1, 0.95, 0.85);
            cairo_pattern_add_color_stop_rgba(band, 1, 1, 1, 1, 0);
            cairo_set_source(cr, band);
            cairo_paint(cr);
            cairo_pattern_destroy(band);
        }
        pictures.push_back(canvas.Take());
    }
    scene::TClipData clip;
    clip.frameRate = 25;
    for (const Picture& picture : pictures) clip.images.push_back(ToClipImage(picture, background));
    // The plain frames share the first image; the last frame is plain again and stops.
    for (int i = 0; i < kTitlePlainFrames; ++i) clip.frames.push_back(Frame(0));
    for (int i = 1; i < kTitleShineFrames; ++i) clip.frames.push_back(Frame(static_cast<int16_t>(i)));
    clip.frames.push_back(Frame(0, {1}));
    return clip;
}

} // namespace assetgen
