#include "Draw.hpp"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace assetgen {

void SetColour(cairo_t* cr, const Rgb& colour, double alpha) {
    cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, alpha);
}

void RoundedRectPath(cairo_t* cr, double x, double y, double w, double h, double radius) {
    radius = std::min({radius, w / 2, h / 2});
    const double pi = std::numbers::pi;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - radius, y + radius, radius, -pi / 2, 0);
    cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, pi / 2);
    cairo_arc(cr, x + radius, y + h - radius, radius, pi / 2, pi);
    cairo_arc(cr, x + radius, y + radius, radius, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

void SelectFont(cairo_t* cr, const Font& font) {
    cairo_select_font_face(cr, font.family, font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font.size);
}

TextInk MeasureText(cairo_t* cr, const Font& font, const std::string& text) {
    SelectFont(cr, font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return {extents.x_bearing, extents.y_bearing, extents.width, extents.height, extents.x_advance};
}

void DrawLettering(cairo_t* cr, const std::string& text, const Lettering& style, double cx, double cy) {
    const TextInk ink = MeasureText(cr, style.font, text);
    const double x = cx - ink.width / 2 - ink.left;
    const double y = cy - ink.height / 2 - ink.top;
    cairo_save(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (style.shadowAlpha > 0) {
        cairo_new_path(cr);
        cairo_move_to(cr, x + style.shadowOffset, y + style.shadowOffset);
        cairo_text_path(cr, text.c_str());
        SetColour(cr, palette::kSeam, style.shadowAlpha);
        cairo_set_line_width(cr, style.outlineWidth * 2);
        cairo_stroke_preserve(cr);
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text.c_str());
    if (style.outlineWidth > 0) {
        SetColour(cr, style.outline);
        cairo_set_line_width(cr, style.outlineWidth * 2);
        cairo_stroke_preserve(cr);
    }
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, y + ink.top, 0, y + ink.top + ink.height);
    cairo_pattern_add_color_stop_rgb(fill, 0, style.top.r, style.top.g, style.top.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, style.bottom.r, style.bottom.g, style.bottom.b);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    cairo_restore(cr);
}

void ReleaseDrawingCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

void DrawVectorBall(cairo_t* cr, double cx, double cy, double radius, const Rgb& leather, double seamAngle) {
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2 * std::numbers::pi);
    cairo_pattern_t* body =
        cairo_pattern_create_radial(cx - radius * 0.35, cy - radius * 0.4, radius * 0.1, cx, cy, radius);
    const Rgb light = Shade(leather, 0.35);
    const Rgb dark = Shade(leather, -0.45);
    cairo_pattern_add_color_stop_rgb(body, 0, light.r, light.g, light.b);
    cairo_pattern_add_color_stop_rgb(body, 0.55, leather.r, leather.g, leather.b);
    cairo_pattern_add_color_stop_rgb(body, 1, dark.r, dark.g, dark.b);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    cairo_clip(cr);

    // Seams: two great circles and the two curved side seams, seen slightly from above.
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, seamAngle);
    SetColour(cr, palette::kSeam);
    cairo_set_line_width(cr, std::max(1.0, radius * 0.075));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 0, -radius);
    cairo_line_to(cr, 0, radius);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_scale(cr, 1.0, 0.32);
    cairo_arc(cr, 0, 0, radius, 0, 2 * std::numbers::pi);
    cairo_restore(cr);
    cairo_stroke(cr);
    for (int side = -1; side <= 1; side += 2) {
        cairo_save(cr);
        cairo_translate(cr, side * radius * 1.32, 0);
        cairo_scale(cr, 0.62, 1.0);
        cairo_arc(cr, 0, 0, radius * 1.05, 0, 2 * std::numbers::pi);
        cairo_restore(cr);
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    // A thin dark rim keeps the ball crisp on the light background.
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, radius - 0.5, 0, 2 * std::numbers::pi);
    SetColour(cr, palette::kSeam, 0.8);
    cairo_set_line_width(cr, std::max(1.0, radius * 0.05));
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace assetgen
