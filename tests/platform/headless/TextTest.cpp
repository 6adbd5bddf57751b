#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/Text.hpp"

namespace {

using platform::FontSpec;
using platform::MeasureText;
using platform::Rect;
using platform::Surface;

struct Canvas {
    explicit Canvas(int w, int h, std::uint8_t fill = 0xFF) : pixels(std::size_t(w) * h * 3, fill) {
        surface = {pixels.data(), w, h, w * 3, false};
    }
    const std::uint8_t* at(int x, int y) const { return &pixels[(std::size_t(y) * surface.width + x) * 3]; }
    // The bounding box of pixels that are no longer the fill colour.
    Rect inked(std::uint8_t fill = 0xFF) const {
        Rect box{surface.width, surface.height, 0, 0};
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x)
                if (at(x, y)[0] != fill || at(x, y)[1] != fill || at(x, y)[2] != fill) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box;
    }
    std::vector<std::uint8_t> pixels;
    Surface surface;
};

TEST(Text, ArialResolvesToAMetricCompatibleFace) {
    EXPECT_NE(platform::ResolveFontFile(FontSpec{}).find("LiberationSans"), std::string::npos)
        << platform::ResolveFontFile(FontSpec{});
}

TEST(Text, PositiveHeightIsTheCellAndNegativeTheEm) {
    FontSpec cell;
    cell.height = 32;
    EXPECT_EQ(MeasureText(cell, "Hoopstack").height, 32);
    EXPECT_EQ(MeasureText(cell, " ").height, 32);

    FontSpec em = cell;
    em.height = -32;
    EXPECT_GT(MeasureText(em, "Hoopstack").height, 32);  // the cell is taller than the em
    EXPECT_GT(MeasureText(em, "Hoopstack").width, MeasureText(cell, "Hoopstack").width);
}

TEST(Text, AnEmptyTextMeasuresNothingInAnyFont) {
    FontSpec em;
    em.height = -20;
    FontSpec bold;
    bold.weight = 700;
    bold.italic = true;
    FontSpec natural;
    natural.height = 0;
    natural.width = 7;
    FontSpec missing;
    missing.face = "No Such Face At All";
    for (const FontSpec& font : {FontSpec{}, em, bold, natural, missing}) {
        const auto extent = MeasureText(font, "");
        EXPECT_EQ(extent.width, 0) << font.face << " " << font.height;
        EXPECT_EQ(extent.height, 0) << font.face << " " << font.height;
    }
}

TEST(Text, WidthsAddUpAndWeightAndStretchMatter) {
    FontSpec font;
    font.height = 24;
    const int whole = MeasureText(font, "New Game").width;
    EXPECT_EQ(whole, MeasureText(font, "New ").width + MeasureText(font, "Game").width);
    EXPECT_GT(MeasureText(font, "WWW").width, MeasureText(font, "iii").width);

    FontSpec bold = font;
    bold.weight = 700;
    EXPECT_GT(MeasureText(bold, "New Game").width, whole);

    FontSpec narrow = font;
    narrow.width = 5;
    EXPECT_LT(MeasureText(narrow, "New Game").width, whole);
    EXPECT_EQ(MeasureText(narrow, "New Game").height, 24);
}

TEST(Text, AWeightTakesTheNearerOfTheRegularAndTheBoldFace) {
    FontSpec regular;
    regular.height = 24;
    regular.weight = 400;
    FontSpec bold = regular;
    bold.weight = 700;
    const std::string regularFile = platform::ResolveFontFile(regular);
    const std::string boldFile = platform::ResolveFontFile(bold);
    ASSERT_NE(regularFile, boldFile);
    EXPECT_NE(boldFile.find("Bold"), std::string::npos) << boldFile;
    const int regularWidth = MeasureText(regular, "New Game").width;
    const int boldWidth = MeasureText(bold, "New Game").width;
    ASSERT_NE(regularWidth, boldWidth);

    FontSpec wanted = regular;
    for (const int weight : {-100, 0, 1, 100, 300, 500, 550, 599}) {
        wanted.weight = weight;
        EXPECT_EQ(platform::ResolveFontFile(wanted), regularFile) << "weight " << weight;
        EXPECT_EQ(MeasureText(wanted, "New Game").width, regularWidth) << "weight " << weight;
    }
    for (const int weight : {600, 650, 800, 900, 1000}) {
        wanted.weight = weight;
        EXPECT_EQ(platform::ResolveFontFile(wanted), boldFile) << "weight " << weight;
        EXPECT_EQ(MeasureText(wanted, "New Game").width, boldWidth) << "weight " << weight;
    }
}

TEST(Text, DrawsInsideTheCellAndTheClipOnly) {
    Canvas canvas(200, 60);
    FontSpec font;
    font.height = 32;
    const auto extent = MeasureText(font, "Hoop");
    platform::DrawText(canvas.surface, font, 10, 5, {0, 0, 200, 60}, 0x000000FF, "Hoop");
    const Rect ink = canvas.inked();
    EXPECT_GE(ink.left, 10);
    EXPECT_GE(ink.top, 5);
    EXPECT_LE(ink.right, 10 + extent.width + 2);
    EXPECT_LE(ink.bottom, 5 + extent.height);
    EXPECT_GT(ink.Width(), extent.width / 2);

    // Red text: the darkest pixel is pure red (B, G low; R high).
    bool foundSolid = false;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x)
            if (canvas.at(x, y)[0] == 0 && canvas.at(x, y)[1] == 0 && canvas.at(x, y)[2] == 0xFF) foundSolid = true;
    EXPECT_TRUE(foundSolid);

    Canvas clipped(200, 60);
    platform::DrawText(clipped.surface, font, 10, 5, {30, 0, 40, 60}, 0, "Hoop");
    const Rect clippedInk = clipped.inked();
    EXPECT_GE(clippedInk.left, 30);
    EXPECT_LE(clippedInk.right, 40);
}

TEST(Text, BackgroundFillsTheCellAndOffSurfaceDrawingIsSafe) {
    Canvas canvas(100, 40);
    FontSpec font;
    font.height = 20;
    const auto extent = MeasureText(font, "ab");
    platform::DrawText(canvas.surface, font, 2, 3, {0, 0, 100, 40}, 0x00FFFFFF, "ab", 0x00000000u);
    EXPECT_EQ(canvas.inked(), (Rect{2, 3, 2 + extent.width, 3 + extent.height}));

    // Text hanging off every edge, and a clip larger than the surface.
    Canvas small(8, 8);
    platform::DrawText(small.surface, font, -5, -5, {-100, -100, 100, 100}, 0, "Wide text", 0u);
    platform::DrawText(small.surface, font, 6, 6, {-100, -100, 100, 100}, 0, "Wide text");
    SUCCEED();
}

TEST(Text, BytesOfTheUpperControlRangeAreCodePage1252Characters) {
    FontSpec font;
    font.height = 30;
    // The euro sign, dashes, curly quotes, the ellipsis, S with caron and Y with diaeresis:
    // each draws a glyph of its own, not the one box every missing character shares.
    std::set<std::vector<std::uint8_t>> looks;
    const auto texts = {"\x80", "\x96", "\x97", "\x91", "\x93", "\x94", "\x85", "\x8A", "\x9F"};
    for (const char* text : texts) {
        Canvas canvas(60, 40);
        platform::DrawText(canvas.surface, font, 5, 5, {0, 0, 60, 40}, 0, text);
        EXPECT_FALSE(canvas.inked().IsEmpty()) << "byte " << int(static_cast<unsigned char>(text[0]));
        EXPECT_GT(MeasureText(font, text).width, 0) << "byte " << int(static_cast<unsigned char>(text[0]));
        looks.insert(canvas.pixels);
    }
    EXPECT_EQ(looks.size(), texts.size());
    // The euro sign is as wide as a digit in this face, not as the box of a missing glyph.
    EXPECT_EQ(MeasureText(font, "\x80").width, MeasureText(font, "0").width);

    // The five bytes the code page leaves undefined are no characters at all.
    for (const char* text : {"\x81", "\x8D", "\x8F", "\x90", "\x9D"}) {
        Canvas canvas(60, 40);
        platform::DrawText(canvas.surface, font, 5, 5, {0, 0, 60, 40}, 0, text);
        EXPECT_TRUE(canvas.inked().IsEmpty()) << "byte " << int(static_cast<unsigned char>(text[0]));
        EXPECT_EQ(MeasureText(font, text).width, 0) << "byte " << int(static_cast<unsigned char>(text[0]));
        EXPECT_EQ(MeasureText(font, std::string("a") + text + "b").width, MeasureText(font, "ab").width);
    }
}

TEST(Text, UnderlineDrawsBelowTheBaseline) {
    FontSpec font;
    font.height = 30;
    Canvas plain(120, 40), underlined(120, 40);
    platform::DrawText(plain.surface, font, 0, 0, {0, 0, 120, 40}, 0, "ace");
    font.underline = true;
    platform::DrawText(underlined.surface, font, 0, 0, {0, 0, 120, 40}, 0, "ace");
    EXPECT_GT(underlined.inked().bottom, plain.inked().bottom);
}

} // namespace
