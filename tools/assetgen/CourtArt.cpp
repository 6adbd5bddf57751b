#include "CourtArt.hpp"

#include <cmath>
#include <string>

#include "ArtText.hpp"

#include "CairoCanvas.hpp"
#include "Draw.hpp"
#include "Layout.hpp"
#include "MathConstants.hpp"

namespace assetgen {

namespace {

// Grain value of the wood at (along, across): long wavy stripes with fine streaks.
double Grain(double along, double across, int seed) {
    const double wave = std::sin(across * 1.7 + std::sin(along * 0.045 + seed) * 1.6 +
                                 std::sin(along * 0.013 + seed * 2.0) * 2.2);
    const double streak = std::sin(across * 6.3 + along * 0.02 + seed * 5.0);
    return 0.5 + 0.32 * wave + 0.12 * streak;
}

// Fills a rectangle of the picture with wood whose grain runs along x (or y when vertical),
// lit from the top left: the first rows are light, the last ones dark.
void PaintWood(Picture& picture, int left, int top, int width, int height, bool vertical, int seed) {
    const int thickness = vertical ? width : height;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            const double along = vertical ? y : x;
            const double across = vertical ? x - left : y - top;
            const double g = Grain(along, across, seed);
            Rgb colour = Mix(palette::kWoodDark, palette::kWoodLight, 0.25 + 0.6 * g);
            // Bevel: the outermost pixel row on the lit side is bright, on the far side dark.
            const double t = thickness > 1 ? across / (thickness - 1) : 0.5;
            if (across < 1)
                colour = Shade(colour, 0.35);
            else if (across >= thickness - 1)
                colour = Shade(colour, -0.45);
            else
                colour = Shade(colour, 0.12 - 0.24 * t);
            picture.At(x, y) = PremultipliedPixel(colour, 1.0);
        }
    }
}

// A horizontal red court line painted along a wood piece.
void PaintStripe(Picture& picture, int top, int height) {
    for (int y = top; y < top + height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t below = picture.At(x, y);
            const double wood = ((below >> 16) & 0xFF) / 255.0;
            const Rgb colour = Mix(palette::kCourtRed, Shade(palette::kCourtRed, 0.2), wood - 0.5);
            picture.At(x, y) = PremultipliedPixel(colour, 1.0);
        }
    }
}

// One frame of a digit drum `size` wide and high; `squeeze` narrows the figures for the
// narrow drums that long scores use.
Picture DigitPicture(Size size, double squeeze, int digit, int step) {
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    // The drum: dark in the middle band of light, darker to its top and bottom edges.
    RoundedRectPath(cr, 0.5, 0.5, size.width - 1, size.height - 1, 4);
    cairo_pattern_t* drum = cairo_pattern_create_linear(0, 0, 0, size.height);
    const Rgb edge = Hex(0x1A0C06);
    const Rgb middle = Hex(0x4A2818);
    cairo_pattern_add_color_stop_rgb(drum, 0, edge.r, edge.g, edge.b);
    cairo_pattern_add_color_stop_rgb(drum, 0.45, middle.r, middle.g, middle.b);
    cairo_pattern_add_color_stop_rgb(drum, 1, edge.r, edge.g, edge.b);
    cairo_set_source(cr, drum);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(drum);
    SetColour(cr, palette::kLeather);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    cairo_save(cr);
    RoundedRectPath(cr, 1.5, 1.5, size.width - 3, size.height - 3, 3);
    cairo_clip(cr);
    const double pitch = size.height;
    const double offset = pitch * step / 5.0;
    Lettering style;
    style.font = {"Liberation Sans", true, false, 25};
    style.top = palette::kCream;
    style.bottom = Hex(0xFFC27A);
    style.outlineWidth = 0;
    style.shadowAlpha = 0;
    cairo_translate(cr, size.width / 2.0, 0);
    cairo_scale(cr, squeeze, 1);
    for (int k = 0; k < 2; ++k) {
        const int shown = (digit + k) % 10;
        const double cy = size.height / 2.0 - offset + k * pitch;
        DrawLettering(cr, std::to_string(shown), style, 0, cy);
    }
    cairo_identity_matrix(cr);
    // Curvature: the drum fades into shadow at the top and bottom.
    cairo_pattern_t* shadow = cairo_pattern_create_linear(0, 0, 0, size.height);
    cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.75);
    cairo_pattern_add_color_stop_rgba(shadow, 0.3, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(shadow, 0.7, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0.75);
    cairo_set_source(cr, shadow);
    cairo_paint(cr);
    cairo_pattern_destroy(shadow);
    cairo_restore(cr);
    return canvas.Take();
}

} // namespace

scene::TClipData BorderClip(BorderSide side, const Rgb& background) {
    Picture picture;
    switch (side) {
    case BorderSide::Top: {
        picture = Picture(sizes::kTopBorder.width, sizes::kTopBorder.height);
        PaintWood(picture, 0, 0, picture.width, 5, false, 1);
        // Posts under the ends continue the side walls up to the beam.
        PaintWood(picture, 0, 5, sizes::kLeftBorder.width, picture.height - 5, true, 3);
        PaintWood(picture, picture.width - sizes::kRightBorder.width, 5, sizes::kRightBorder.width,
                  picture.height - 5, true, 4);
        break;
    }
    case BorderSide::Bottom: {
        picture = Picture(sizes::kBottomBorder.width, sizes::kBottomBorder.height);
        PaintWood(picture, 0, 0, picture.width, picture.height, false, 2);
        PaintStripe(picture, 6, 3);
        break;
    }
    case BorderSide::Left:
        picture = Picture(sizes::kLeftBorder.width, sizes::kLeftBorder.height);
        PaintWood(picture, 0, 0, picture.width, picture.height, true, 3);
        break;
    case BorderSide::Right:
        picture = Picture(sizes::kRightBorder.width, sizes::kRightBorder.height);
        PaintWood(picture, 0, 0, picture.width, picture.height, true, 4);
        break;
    }
    return SequenceClip({picture}, 0, background);
}

scene::TClipData ScoreBoxClip(const Rgb& background) {
    const Size size = sizes::kScoreBox;
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    RoundedRectPath(cr, 1, 1, size.width - 2, size.height - 2, 10);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, 0, 0, size.height);
    const Rgb top = palette::kChocolateLight;
    const Rgb bottom = palette::kChocolate;
    cairo_pattern_add_color_stop_rgb(face, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(face, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    SetColour(cr, palette::kLeather);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    RoundedRectPath(cr, 4, 4, size.width - 8, size.height - 8, 7);
    SetColour(cr, palette::kLeatherLight, 0.35);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // The digit well: the digits stand at 15 … 145 across and 25 … 57 down.
    RoundedRectPath(cr, 12, 23, size.width - 24, 36, 5);
    SetColour(cr, Hex(0x1A0C06));
    cairo_fill(cr);
    Lettering label;
    label.font = {"Liberation Sans", true, false, 13};
    label.top = palette::kGold;
    label.bottom = palette::kLeatherLight;
    label.outlineWidth = 0.8;
    label.shadowAlpha = 0.5;
    // The word's letters stand apart, one space between each two.
    std::string spaced;
    for (const char c : ArtText("SCORE")) {
        const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
        if (!spaced.empty() && !continuation) spaced += ' ';
        spaced += c;
    }
    DrawLettering(cr, spaced.c_str(), label, size.width / 2.0, 12.5);
    // Two rivets either side of the label.
    for (double x : {22.0, size.width - 22.0}) {
        cairo_arc(cr, x, 12.5, 2.2, 0, 2 * kPi);
        SetColour(cr, palette::kLeatherLight);
        cairo_fill(cr);
    }
    return SequenceClip({canvas.Take()}, 0, background);
}

namespace {

scene::TClipData DrumClip(Size size, double squeeze, const Rgb& background) {
    scene::TClipData clip;
    clip.frameRate = kDigitFrameRate;
    for (int digit = 0; digit < 10; ++digit) {
        for (int step = 0; step < 5; ++step) {
            clip.images.push_back(ToClipImage(DigitPicture(size, squeeze, digit, step), background));
            std::vector<int32_t> commands;
            if (step == 0) commands.push_back(1);
            clip.frames.push_back(Frame(static_cast<int16_t>(clip.images.size() - 1), commands));
        }
    }
    return clip;
}

} // namespace

scene::TClipData DigitsClip(const Rgb& background) { return DrumClip(sizes::kDigit, 1.0, background); }

scene::TClipData NarrowDigitsClip(const Rgb& background) {
    return DrumClip(sizes::kNarrowDigit, 0.62, background);
}

scene::TClipData ColumnMarkerClip(const Rgb& background) {
    const Size size = sizes::kColumnMarker;
    std::vector<Picture> pictures;
    for (int frame = 0; frame < kMarkerFrames; ++frame) {
        CairoCanvas canvas(size.width, size.height);
        cairo_t* cr = canvas.Context();
        RoundedRectPath(cr, 1, 0, size.width - 2, size.height, 2);
        if (frame == 0) {
            cairo_pattern_t* rim = cairo_pattern_create_linear(0, 0, 0, size.height);
            cairo_pattern_add_color_stop_rgb(rim, 0, palette::kLeatherLight.r, palette::kLeatherLight.g,
                                             palette::kLeatherLight.b);
            cairo_pattern_add_color_stop_rgb(rim, 1, palette::kLeatherDark.r, palette::kLeatherDark.g,
                                             palette::kLeatherDark.b);
            cairo_set_source(cr, rim);
            cairo_fill(cr);
            cairo_pattern_destroy(rim);
        } else {
            // A glow that swells and fades, with bright dashes running towards the middle.
            const double phase = (frame - 1) / double(kMarkerFrames - 1);
            const double pulse = 0.5 - 0.5 * std::cos(2 * kPi * phase);
            SetColour(cr, Mix(palette::kCourtRed, palette::kGold, pulse));
            cairo_fill(cr);
            for (int dash = 0; dash < 4; ++dash) {
                const double t = std::fmod(phase + dash / 4.0, 1.0);
                for (int side = -1; side <= 1; side += 2) {
                    const double x = size.width / 2.0 + side * (size.width / 2.0 - 2) * (1 - t);
                    cairo_rectangle(cr, x - 1.5, 1, 3, size.height - 2);
                    SetColour(cr, palette::kCream, 0.9 * (1 - t * 0.6));
                    cairo_fill(cr);
                }
            }
        }
        pictures.push_back(canvas.Take());
    }
    scene::TClipData clip = SequenceClip(pictures, 12, background);
    clip.frames.back().commands = {3, 1};
    return clip;
}

scene::TClipData SelectionClip(const Rgb& background) {
    const Size size = sizes::kSelection;
    std::vector<Picture> pictures;
    for (int frame = 0; frame < kSelectionFrames; ++frame) {
        CairoCanvas canvas(size.width, size.height);
        cairo_t* cr = canvas.Context();
        const double cx = size.width / 2.0;
        const double cy = size.height / 2.0;
        auto ellipse = [&](double inset) {
            cairo_save(cr);
            cairo_translate(cr, cx, cy);
            cairo_scale(cr, cx - inset, cy - inset);
            cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
            cairo_restore(cr);
        };
        ellipse(1.6);
        SetColour(cr, palette::kSeam, 0.85);
        cairo_set_line_width(cr, 3.2);
        cairo_stroke(cr);
        ellipse(1.6);
        SetColour(cr, palette::kGold);
        cairo_set_line_width(cr, 1.6);
        cairo_stroke(cr);
        // Three sparks chase each other round the ring.
        for (int spark = 0; spark < 3; ++spark) {
            const double angle = 2 * kPi * (frame / double(kSelectionFrames) + spark / 3.0);
            const double x = cx + (cx - 1.6) * std::cos(angle);
            const double y = cy + (cy - 1.6) * std::sin(angle);
            cairo_arc(cr, x, y, 2.4, 0, 2 * kPi);
            SetColour(cr, palette::kSeam, 0.8);
            cairo_fill(cr);
            cairo_arc(cr, x, y, 1.5, 0, 2 * kPi);
            SetColour(cr, {1, 1, 1});
            cairo_fill(cr);
        }
        pictures.push_back(canvas.Take());
    }
    return SequenceClip(pictures, 12, background);
}

scene::TClipData PathDotClip(const Rgb& background) {
    const Size size = sizes::kPathDot;
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    cairo_arc(cr, size.width / 2.0, size.height / 2.0, size.width / 2.0 - 0.3, 0, 2 * kPi);
    SetColour(cr, palette::kSeam);
    cairo_fill(cr);
    cairo_arc(cr, size.width / 2.0 - 0.4, size.height / 2.0 - 0.4, size.width / 2.0 - 1.6, 0, 2 * kPi);
    SetColour(cr, palette::kLeatherLight);
    cairo_fill(cr);
    return SequenceClip({canvas.Take()}, 0, background);
}

scene::TClipData KeyCellClip(const Rgb& background) {
    const Size size = sizes::kKeyCell;
    const Rgb ice = Hex(0x7FE3FF);
    std::vector<Picture> pictures;
    for (int frame = 0; frame < kKeyCellFrames; ++frame) {
        CairoCanvas canvas(size.width, size.height);
        cairo_t* cr = canvas.Context();
        const double cx = size.width / 2.0;
        const double cy = size.height / 2.0;
        // The ring breathes in and out by a pixel, brightest at mid-cycle.
        const double pulse = 0.5 - 0.5 * std::cos(2 * kPi * frame / double(kKeyCellFrames));
        const double rx = cx - 2.2 - 0.8 * (1 - pulse);
        const double ry = cy - 2.2 - 0.8 * (1 - pulse);
        auto hexagon = [&] {
            for (int corner = 0; corner < 6; ++corner) {
                const double angle = kPi / 6 + corner * kPi / 3;
                const double x = cx + rx * std::cos(angle);
                const double y = cy + ry * std::sin(angle);
                if (corner == 0)
                    cairo_move_to(cr, x, y);
                else
                    cairo_line_to(cr, x, y);
            }
            cairo_close_path(cr);
        };
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        hexagon();
        SetColour(cr, palette::kSeam, 0.9);
        cairo_set_line_width(cr, 3.6);
        cairo_stroke(cr);
        hexagon();
        SetColour(cr, Mix(ice, {1, 1, 1}, 0.5 * pulse));
        cairo_set_line_width(cr, 1.8);
        cairo_stroke(cr);
        pictures.push_back(canvas.Take());
    }
    return SequenceClip(pictures, 12, background);
}

scene::TClipData AimMarkClip(const Rgb& background) {
    const Size size = sizes::kAimMark;
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    const double c = size.width / 2 + 0.5; // the centre of the middle pixel
    auto mark = [&] {
        cairo_new_path(cr);
        cairo_arc(cr, c, c, 5.5, 0, 2 * kPi);
        for (int side = 0; side < 4; ++side) {
            const double dx = side == 0 ? 1 : side == 1 ? -1 : 0;
            const double dy = side == 2 ? 1 : side == 3 ? -1 : 0;
            cairo_move_to(cr, c + dx * 3, c + dy * 3);
            cairo_line_to(cr, c + dx * 9, c + dy * 9);
        }
    };
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    mark();
    SetColour(cr, palette::kSeam, 0.95);
    cairo_set_line_width(cr, 3.4);
    cairo_stroke(cr);
    mark();
    SetColour(cr, palette::kCream);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // The point itself, so that a throw's target reads to the pixel.
    cairo_rectangle(cr, c - 0.5, c - 0.5, 1, 1);
    SetColour(cr, palette::kCourtRed);
    cairo_fill(cr);
    return SequenceClip({canvas.Take()}, 0, background);
}

scene::TClipData PausePlateClip(const Rgb& background) {
    const Size size = sizes::kPausePlate;
    CairoCanvas canvas(size.width, size.height);
    cairo_t* cr = canvas.Context();
    RoundedRectPath(cr, 1, 1, size.width - 2, size.height - 2, 14);
    SetColour(cr, palette::kSeam);
    cairo_fill(cr);
    RoundedRectPath(cr, 3, 3, size.width - 6, size.height - 6, 12);
    cairo_pattern_t* wood = cairo_pattern_create_linear(0, 3, 0, size.height - 3);
    cairo_pattern_add_color_stop_rgb(wood, 0, palette::kChocolateLight.r, palette::kChocolateLight.g,
                                     palette::kChocolateLight.b);
    cairo_pattern_add_color_stop_rgb(wood, 1, palette::kChocolate.r, palette::kChocolate.g,
                                     palette::kChocolate.b);
    cairo_set_source(cr, wood);
    cairo_fill(cr);
    cairo_pattern_destroy(wood);
    // A painted court line round the inside, as on the floor.
    RoundedRectPath(cr, 8.5, 8.5, size.width - 17, size.height - 17, 8);
    SetColour(cr, palette::kGold, 0.85);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    return SequenceClip({canvas.Take()}, 0, background);
}

scene::TClipData BackdropTileClip(const Rgb& background) {
    const int side = sizes::kBackdropTile.width;
    constexpr int kBoard = 16; // a board's width; four rows of boards fill the tile
    Picture picture(side, side);
    for (int y = 0; y < side; ++y) {
        const int row = y / kBoard, inBoard = y % kBoard;
        // Each row's joint lies at its own place, and a row holds two boards between joints.
        const int joint = (row * 37) % (side / 2);
        for (int x = 0; x < side; ++x) {
            const int along = (x - joint + side) % side;
            const int board = row * 2 + along / (side / 2);
            // Each board its own tone, its grain a wave whose period divides the tile.
            const double tone = 0.30 + 0.06 * std::sin(board * 2.3 + 0.7);
            const double grain = 0.04 * std::sin(2 * kPi * (x * 3.0 / side) + board * 1.9 + inBoard * 0.45) +
                                 0.02 * std::sin(2 * kPi * (x * 7.0 / side) + board * 0.8);
            Rgb colour = Scale(palette::kWoodDark, tone + grain);
            if (inBoard == 0 || along % (side / 2) == 0)
                colour = Scale(palette::kSeam, 0.55); // the seams
            else if (inBoard == 1)
                colour = Scale(palette::kWoodDark, tone + 0.08); // a lit edge
            picture.At(x, y) = PremultipliedPixel(colour, 1.0);
        }
    }
    return SequenceClip({picture}, 0, background);
}

} // namespace assetgen
