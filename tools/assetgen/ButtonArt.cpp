#include "ButtonArt.hpp"

#include <algorithm>
#include <cmath>

#include "CairoCanvas.hpp"
#include "Draw.hpp"
#include "MathConstants.hpp"

namespace assetgen {

namespace {

struct Face {
    Rgb top, middle, bottom, rim;
};

Face FaceOf(ButtonLook look, ButtonState state) {
    Face face;
    if (look == ButtonLook::Leather) {
        face = {palette::kLeatherLight, palette::kLeather, palette::kLeatherDark, palette::kSeam};
    } else {
        face = {palette::kChocolateLight, palette::kChocolate, Shade(palette::kChocolate, -0.35),
                palette::kLeather};
    }
    if (state == ButtonState::Hover) {
        // Warmer and brighter, never paler: the captions keep their contrast.
        if (look == ButtonLook::Leather) {
            face.top = Mix(face.top, palette::kGold, 0.45);
            face.middle = Mix(face.middle, Hex(0xFF9430), 0.6);
            face.bottom = Mix(face.bottom, palette::kLeather, 0.5);
        } else {
            face.top = Hex(0x9A5630);
            face.middle = Hex(0x6E3A1E);
            face.bottom = Hex(0x4A2412);
            face.rim = palette::kGold;
        }
    } else if (state == ButtonState::Pressed) {
        // Lit from below when pushed in.
        const Rgb top = face.top;
        face.top = Shade(face.bottom, -0.15);
        face.middle = Shade(face.middle, -0.12);
        face.bottom = Shade(top, -0.1);
    }
    return face;
}

void FillVertical(cairo_t* cr, double y0, double y1, const Rgb& top, const Rgb& middle, const Rgb& bottom) {
    cairo_pattern_t* pattern = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgb(pattern, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(pattern, 0.5, middle.r, middle.g, middle.b);
    cairo_pattern_add_color_stop_rgb(pattern, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, pattern);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(pattern);
}

void DrawIcon(cairo_t* cr, ButtonIcon icon, double cx, double cy, double size) {
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    auto strokeTwice = [&](double width) {
        SetColour(cr, palette::kSeam);
        cairo_set_line_width(cr, width + 2.4);
        cairo_stroke_preserve(cr);
        SetColour(cr, palette::kCream);
        cairo_set_line_width(cr, width);
        cairo_stroke(cr);
    };
    auto fillTwice = [&] {
        SetColour(cr, palette::kSeam);
        cairo_set_line_width(cr, 2.4);
        cairo_stroke_preserve(cr);
        SetColour(cr, palette::kCream);
        cairo_fill(cr);
    };
    switch (icon) {
    case ButtonIcon::None:
        break;
    case ButtonIcon::Help: {
        Lettering style;
        style.font = {"Liberation Sans", true, false, size * 0.95};
        style.outlineWidth = 1.2;
        style.shadowAlpha = 0;
        DrawLettering(cr, "?", style, cx, cy);
        break;
    }
    case ButtonIcon::Minimise:
        cairo_move_to(cr, cx - size * 0.3, cy + size * 0.22);
        cairo_line_to(cr, cx + size * 0.3, cy + size * 0.22);
        strokeTwice(size * 0.16);
        break;
    case ButtonIcon::Close: {
        const double a = size * 0.26;
        cairo_move_to(cr, cx - a, cy - a);
        cairo_line_to(cr, cx + a, cy + a);
        cairo_move_to(cr, cx + a, cy - a);
        cairo_line_to(cr, cx - a, cy + a);
        strokeTwice(size * 0.15);
        break;
    }
    case ButtonIcon::Pause: {
        const double gap = size * 0.13, half = size * 0.24;
        for (int side = -1; side <= 1; side += 2) {
            cairo_move_to(cr, cx + side * gap, cy - half);
            cairo_line_to(cr, cx + side * gap, cy + half);
        }
        strokeTwice(size * 0.15);
        break;
    }
    case ButtonIcon::Play:
        // Nudged right, so that the triangle's weight sits in the middle.
        cairo_move_to(cr, cx - size * 0.17, cy - size * 0.27);
        cairo_line_to(cr, cx + size * 0.27, cy);
        cairo_line_to(cr, cx - size * 0.17, cy + size * 0.27);
        cairo_close_path(cr);
        fillTwice();
        break;
    case ButtonIcon::Restart:
        // A bar at the start and a triangle pointing back to it.
        cairo_rectangle(cr, cx - size * 0.27, cy - size * 0.25, size * 0.1, size * 0.5);
        cairo_move_to(cr, cx - size * 0.12, cy);
        cairo_line_to(cr, cx + size * 0.27, cy - size * 0.25);
        cairo_line_to(cr, cx + size * 0.27, cy + size * 0.25);
        cairo_close_path(cr);
        fillTwice();
        break;
    case ButtonIcon::Minus:
        cairo_move_to(cr, cx - size * 0.25, cy);
        cairo_line_to(cr, cx + size * 0.25, cy);
        strokeTwice(size * 0.15);
        break;
    case ButtonIcon::Plus:
        cairo_move_to(cr, cx - size * 0.25, cy);
        cairo_line_to(cr, cx + size * 0.25, cy);
        cairo_move_to(cr, cx, cy - size * 0.25);
        cairo_line_to(cr, cx, cy + size * 0.25);
        strokeTwice(size * 0.15);
        break;
    case ButtonIcon::Trophy: {
        // Cup, handles, stem and base, in gold with a dark outline.
        const double s = size / 28.0;
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, s, s);
        cairo_new_path(cr);
        cairo_move_to(cr, -8, -11);
        cairo_line_to(cr, 8, -11);
        cairo_curve_to(cr, 8, -2, 5, 2, 0, 3);
        cairo_curve_to(cr, -5, 2, -8, -2, -8, -11);
        cairo_close_path(cr);
        cairo_rectangle(cr, -1.8, 3, 3.6, 5);
        cairo_rectangle(cr, -6, 8, 12, 3.5);
        SetColour(cr, palette::kSeam);
        cairo_set_line_width(cr, 2.6);
        cairo_stroke_preserve(cr);
        cairo_pattern_t* gold = cairo_pattern_create_linear(-8, 0, 8, 0);
        cairo_pattern_add_color_stop_rgb(gold, 0, 1.0, 0.93, 0.55);
        cairo_pattern_add_color_stop_rgb(gold, 1, 0.95, 0.68, 0.12);
        cairo_set_source(cr, gold);
        cairo_fill(cr);
        cairo_pattern_destroy(gold);
        for (int side = -1; side <= 1; side += 2) {
            cairo_new_path(cr);
            cairo_arc(cr, side * 8.5, -6.5, 3.6, side < 0 ? kPi / 2 : -kPi / 2,
                      side < 0 ? 3 * kPi / 2 : kPi / 2);
            SetColour(cr, palette::kSeam);
            cairo_set_line_width(cr, 3.6);
            cairo_stroke_preserve(cr);
            SetColour(cr, palette::kGold);
            cairo_set_line_width(cr, 1.6);
            cairo_stroke(cr);
        }
        break;
    }
    }
    cairo_restore(cr);
}

Picture PlateWithFrame(Size size, const Rgb& fill, const Rgb& frame, double radius, double frameWidth) {
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    RoundedRectPath(cr, frameWidth / 2, frameWidth / 2, size.width - frameWidth, size.height - frameWidth,
                    radius);
    SetColour(cr, fill);
    cairo_fill_preserve(cr);
    SetColour(cr, frame);
    cairo_set_line_width(cr, frameWidth);
    cairo_stroke(cr);
    return canvas.Take();
}

Picture CheckPicture(Size size, bool checked, ButtonState state) {
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    const double inset = 2;
    RoundedRectPath(cr, inset, inset, size.width - 2 * inset, size.height - 2 * inset, 6);
    const Rgb well = state == ButtonState::Pressed ? Hex(0xF2DCC0) : palette::kCream;
    FillVertical(cr, inset, size.height - inset, Shade(well, -0.08), well, well);
    SetColour(cr, state == ButtonState::Normal ? palette::kLeatherDark : palette::kLeather);
    cairo_set_line_width(cr, state == ButtonState::Normal ? 2.2 : 3.2);
    cairo_stroke(cr);
    if (state == ButtonState::Hover) {
        RoundedRectPath(cr, 0.75, 0.75, size.width - 1.5, size.height - 1.5, 7);
        SetColour(cr, palette::kGold, 0.9);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
    if (checked) {
        // A bold tick in court red with a dark edge.
        const double w = size.width, h = size.height;
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_move_to(cr, w * 0.24, h * 0.52);
        cairo_line_to(cr, w * 0.43, h * 0.72);
        cairo_line_to(cr, w * 0.78, h * 0.26);
        SetColour(cr, palette::kSeam);
        cairo_set_line_width(cr, 6.5);
        cairo_stroke_preserve(cr);
        SetColour(cr, palette::kCourtRed);
        cairo_set_line_width(cr, 4);
        cairo_stroke(cr);
    }
    return canvas.Take();
}

} // namespace

double FitFontSize(const std::string& text, double largest, double minimum, double width) {
    CairoCanvas canvas(1, 1);
    for (double size = largest; size > minimum; size -= 0.5) {
        if (MeasureText(canvas.Context(), {"Liberation Sans", true, false, size}, text).width <= width) {
            return size;
        }
    }
    return minimum;
}

Picture ButtonPicture(Size size, ButtonLook look, ButtonState state, const std::string& label,
                      ButtonIcon icon) {
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    const Face face = FaceOf(look, state);
    const double w = size.width, h = size.height;
    const double radius = std::min(h * 0.3, 10.0);
    // Shadow below the body, inside the picture.
    RoundedRectPath(cr, 1, 2, w - 2, h - 2, radius);
    SetColour(cr, palette::kSeam, state == ButtonState::Pressed ? 0.15 : 0.35);
    cairo_fill(cr);
    const double shift = state == ButtonState::Pressed ? 1 : 0;
    RoundedRectPath(cr, 1, 0.5 + shift, w - 2, h - 2.5, radius);
    FillVertical(cr, shift, h - 2 + shift, face.top, face.middle, face.bottom);
    SetColour(cr, face.rim);
    cairo_set_line_width(cr, look == ButtonLook::Chocolate ? 2 : 1.4);
    cairo_stroke(cr);

    cairo_save(cr);
    RoundedRectPath(cr, 2, 1.5 + shift, w - 4, h - 4.5, radius - 1);
    cairo_clip(cr);
    if (look == ButtonLook::Leather && w > 1.6 * h) {
        // Two seams curve across the ends of the leather, as on the ball.
        SetColour(cr, palette::kSeam, 0.45);
        cairo_set_line_width(cr, 1.3);
        for (int side = -1; side <= 1; side += 2) {
            const double x = w / 2 + side * (w / 2 + h * 0.55);
            cairo_new_path(cr);
            cairo_arc(cr, x, h / 2 + shift, h * 0.85, 0, 2 * kPi);
            cairo_stroke(cr);
        }
    }
    // Gloss on the upper half.
    RoundedRectPath(cr, 3, 2 + shift, w - 6, h * 0.42, radius - 2);
    cairo_pattern_t* gloss = cairo_pattern_create_linear(0, 2 + shift, 0, 2 + shift + h * 0.42);
    const double glossAlpha =
        (state == ButtonState::Pressed ? 0.08 : 0.3) * (look == ButtonLook::Chocolate ? 0.5 : 1.0);
    cairo_pattern_add_color_stop_rgba(gloss, 0, 1, 1, 1, glossAlpha);
    cairo_pattern_add_color_stop_rgba(gloss, 1, 1, 1, 1, 0.02);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);
    cairo_restore(cr);

    const double cx = w / 2, cy = (h - 2) / 2 + 0.5 + shift;
    if (!label.empty()) {
        Lettering style;
        style.font.size = FitFontSize(label, h * 0.48, 9, w - 18);
        style.top = state == ButtonState::Hover ? Hex(0xFFFFFF) : palette::kCream;
        style.bottom = state == ButtonState::Hover ? Hex(0xFFF0C0) : Hex(0xFFE2B8);
        style.outlineWidth = 1.6;
        style.shadowOffset = 1.2;
        DrawLettering(cr, label, style, cx, cy);
    }
    DrawIcon(cr, icon, cx, cy, std::min(w, h) - 4);
    return canvas.Take();
}

scene::TClipData ButtonClip(Size size, ButtonLook look, const std::string& label, ButtonIcon icon,
                            const Rgb& background) {
    std::vector<Picture> pictures;
    for (ButtonState state : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed}) {
        pictures.push_back(ButtonPicture(size, look, state, label, icon));
    }
    return SequenceClip(pictures, 0, background);
}

scene::TClipData ReplayButtonsClip(const Rgb& background) {
    std::vector<Picture> pictures;
    for (ButtonIcon icon : {ButtonIcon::Pause, ButtonIcon::Play, ButtonIcon::Restart, ButtonIcon::Minus})
        for (ButtonState state : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed})
            pictures.push_back(ButtonPicture(sizes::kReplayButton, ButtonLook::Leather, state, "", icon));
    return SequenceClip(pictures, 0, background);
}

scene::TClipData FasterButtonClip(const Rgb& background) {
    const Size size = sizes::kFasterButton;
    std::vector<Picture> pictures;
    for (ButtonState state : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed}) {
        CairoCanvas canvas(size.width, size.height);
        canvas.Paint(ButtonPicture(size, ButtonLook::Leather, state, "", ButtonIcon::None), 0, 0);
        // The plus sits where a square button's would, at the right end.
        const double shift = state == ButtonState::Pressed ? 1 : 0;
        const double side = size.height;
        DrawIcon(canvas.Context(), ButtonIcon::Plus, size.width - side / 2, (side - 2) / 2 + 0.5 + shift,
                 side - 4);
        pictures.push_back(canvas.Take());
    }
    return SequenceClip(pictures, 0, background);
}

scene::TClipData EditClip(bool plain, const Rgb& background) {
    const Size size = sizes::kEdit;
    std::vector<Picture> pictures;
    for (ButtonState state : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed}) {
        CairoCanvas canvas(size.width, size.height);
        cairo_t* cr = canvas.Context();
        const double w = size.width, h = size.height;
        if (!plain) {
            RoundedRectPath(cr, 0.5, 0.5, w - 1, h - 1, 10);
            FillVertical(cr, 0, h, palette::kLeatherLight, palette::kLeather, palette::kLeatherDark);
            SetColour(cr, palette::kSeam);
            cairo_set_line_width(cr, 1.2);
            cairo_stroke(cr);
        }
        const double inset = plain ? 1.5 : 5;
        RoundedRectPath(cr, inset, inset, w - 2 * inset, h - 2 * inset, plain ? 4 : 6);
        // Hover (and focus) lights the well; pressed shades it as if pushed in.
        const Rgb well = state == ButtonState::Normal  ? Hex(0xFFF8EE)
                         : state == ButtonState::Hover ? Hex(0xFFFFFF)
                                                       : Hex(0xFFEBD2);
        FillVertical(cr, inset, h - inset, Shade(well, state == ButtonState::Pressed ? -0.2 : -0.1), well,
                     well);
        SetColour(cr, state == ButtonState::Normal ? palette::kSeam : palette::kCourtRed);
        cairo_set_line_width(cr, state == ButtonState::Normal ? 1.2 : 2);
        cairo_stroke(cr);
        pictures.push_back(canvas.Take());
    }
    return SequenceClip(pictures, 0, background);
}

scene::TClipData CheckClip(bool checked, const Rgb& background) {
    return SequenceClip({CheckPicture(sizes::kCheck, checked, ButtonState::Normal),
                         CheckPicture(sizes::kCheck, checked, ButtonState::Hover)},
                        0, background);
}

scene::TClipData ChoiceClip(bool selected, const Rgb& background) {
    const Size size = sizes::kChoice;
    std::vector<Picture> pictures;
    for (ButtonState state : {ButtonState::Normal, ButtonState::Hover}) {
        CairoCanvas canvas(size.width, size.height);
        cairo_t* cr = canvas.Context();
        const double c = size.width / 2.0;
        cairo_arc(cr, c, c, c - 1.8, 0, 2 * kPi);
        FillVertical(cr, 0, size.height, Hex(0xF0D8BC), palette::kCream, palette::kCream);
        SetColour(cr, state == ButtonState::Normal ? palette::kLeatherDark : palette::kLeather);
        cairo_set_line_width(cr, state == ButtonState::Normal ? 2.2 : 3.2);
        cairo_stroke(cr);
        if (state == ButtonState::Hover) {
            cairo_arc(cr, c, c, c - 0.75, 0, 2 * kPi);
            SetColour(cr, palette::kGold, 0.9);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        }
        if (selected) DrawVectorBall(cr, c, c, c - 6.5, palette::kLeather, 0.5);
        pictures.push_back(canvas.Take());
    }
    return SequenceClip(pictures, 0, background);
}

scene::TClipData DefaultCheckClip(const Rgb& background) {
    std::vector<Picture> pictures;
    for (bool checked : {false, true}) {
        for (ButtonState state : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed}) {
            pictures.push_back(CheckPicture(sizes::kCheck, checked, state));
        }
    }
    return SequenceClip(pictures, 0, background);
}

scene::TClipData RowBoxClip(Size size, const Rgb& background) {
    Picture plate = PlateWithFrame(size, Hex(0xFFF3E0), palette::kLeatherDark, 6, 1.6);
    CairoCanvas canvas(size.width, size.height);
    canvas.Paint(plate, 0, 0);
    cairo_t* cr = canvas.Context();
    // A faint inner shade at the top edge gives the plate some depth.
    RoundedRectPath(cr, 2, 2, size.width - 4, size.height * 0.4, 5);
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, 2, 0, 2 + size.height * 0.4);
    cairo_pattern_add_color_stop_rgba(shade, 0, 0.6, 0.35, 0.15, 0.16);
    cairo_pattern_add_color_stop_rgba(shade, 1, 0.6, 0.35, 0.15, 0);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    return SequenceClip({canvas.Take()}, 0, background);
}

} // namespace assetgen
