#include "Text.hpp"

#include "CodePage1252.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

namespace platform {
namespace {

constexpr int kDefaultEmHeight = 16;
// The lightest weight drawn with the bold face.
constexpr int kLeastBoldWeight = 600;

struct LoadedFace {
    FT_Face face = nullptr;
    bool emboldenNeeded = false;
    bool slantNeeded = false;
    std::string file;
};

// Resolved, opened faces, kept for the life of the process: opening a font
// file per call would cost far more than drawing the text.
class FontLibrary {
public:
    static FontLibrary& instance() {
        static FontLibrary library;
        return library;
    }

    std::mutex& mutex() { return m_mutex; }

    const LoadedFace* face(const FontSpec& wanted) {
        // The Liberation faces that stand in for the requested ones come in regular (400) and
        // bold (700) only, so a weight takes the nearer of the two: 600 and above is bold,
        // anything lighter (0, the default, too) regular.
        const bool bold = wanted.weight >= kLeastBoldWeight;
        const auto key = std::make_tuple(wanted.face, bold, wanted.italic);
        if (auto it = m_faces.find(key); it != m_faces.end()) return it->second.face ? &it->second : nullptr;
        LoadedFace& loaded = m_faces[key];
        open(wanted.face, bold, wanted.italic, loaded);
        return loaded.face ? &loaded : nullptr;
    }

private:
    FontLibrary() {
        m_ready = FcInit() && FT_Init_FreeType(&m_library) == 0;
    }
    ~FontLibrary() {
        for (auto& [key, loaded] : m_faces)
            if (loaded.face) FT_Done_Face(loaded.face);
        if (m_library) FT_Done_FreeType(m_library);
        // Frees fontconfig's caches, so leak checkers see only our own memory.
        if (m_ready) FcFini();
    }

    void open(const std::string& name, bool bold, bool italic, LoadedFace& out) {
        if (!m_ready) return;
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name.c_str()));
        if (!pattern) return;
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        if (!match) return;

        FcChar8* file = nullptr;
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(match, FC_SLANT, 0, &slant);
            out.file = reinterpret_cast<const char*>(file);
            if (FT_New_Face(m_library, out.file.c_str(), index, &out.face) != 0) out.face = nullptr;
            out.emboldenNeeded = bold && weight < FC_WEIGHT_DEMIBOLD;
            out.slantNeeded = italic && slant == FC_SLANT_ROMAN;
        }
        FcPatternDestroy(match);
    }

    std::mutex m_mutex;
    bool m_ready = false;
    FT_Library m_library = nullptr;
    std::map<std::tuple<std::string, bool, bool>, LoadedFace> m_faces;
};

struct Metrics {
    int ascent = 0;
    int descent = 0;
};

// Sizes the face for the wanted font and returns its cell metrics in whole pixels.
Metrics sizeFace(FT_Face face, const FontSpec& wanted) {
    const double unitsPerEm = face->units_per_EM ? face->units_per_EM : 2048;
    double ascentUnits = face->ascender, descentUnits = -face->descender;
    double averageWidth = unitsPerEm / 2;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            ascentUnits = os2->usWinAscent;
            descentUnits = os2->usWinDescent;
        }
        if (os2->xAvgCharWidth > 0) averageWidth = os2->xAvgCharWidth;
    }
    const double cellUnits = std::max(1.0, ascentUnits + descentUnits);
    double em;
    if (wanted.height > 0)
        em = wanted.height * unitsPerEm / cellUnits;
    else if (wanted.height < 0)
        em = -wanted.height;
    else
        em = kDefaultEmHeight;
    const double emWidth = wanted.width > 0 ? wanted.width * unitsPerEm / averageWidth : em;
    FT_Set_Char_Size(face, FT_F26Dot6(std::lround(emWidth * 64)), FT_F26Dot6(std::lround(em * 64)), 72, 72);
    const double scale = em / unitsPerEm;
    return {int(std::lround(ascentUnits * scale)), int(std::lround(descentUnits * scale))};
}

bool loadGlyph(const LoadedFace& loaded, unsigned char byte, bool render) {
    // A byte the code page leaves undefined is no character: it has no glyph and no advance.
    const std::optional<char32_t> codePoint = CodePage1252ToUnicode(byte);
    if (!codePoint) return false;
    if (FT_Load_Char(loaded.face, *codePoint, FT_LOAD_DEFAULT) != 0) return false;
    FT_GlyphSlot slot = loaded.face->glyph;
    if (loaded.slantNeeded) FT_GlyphSlot_Oblique(slot);
    if (loaded.emboldenNeeded) FT_GlyphSlot_Embolden(slot);
    return !render || FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0;
}

int advanceOf(const LoadedFace& loaded) {
    return int((loaded.face->glyph->advance.x + 32) >> 6);
}

void blendPixel(std::uint8_t* p, std::uint32_t colour, unsigned coverage) {
    const unsigned rgb[3] = {(colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF};
    for (int i = 0; i < 3; ++i) p[i] = std::uint8_t(p[i] + (int(rgb[i]) - int(p[i])) * int(coverage) / 255);
}

void fillArea(const Surface& target, Rect area, std::uint32_t colour) {
    for (int y = area.top; y < area.bottom; ++y) {
        std::uint8_t* p = target.row(y) + area.left * 3;
        for (int x = area.left; x < area.right; ++x, p += 3) blendPixel(p, colour, 255);
    }
}

} // namespace

TextExtent MeasureText(const FontSpec& font, std::string_view text) {
    if (text.empty()) return {};
    FontLibrary& library = FontLibrary::instance();
    std::lock_guard lock(library.mutex());
    const LoadedFace* loaded = library.face(font);
    if (!loaded) return {};
    const Metrics metrics = sizeFace(loaded->face, font);
    int width = 0;
    for (const char c : text)
        if (loadGlyph(*loaded, static_cast<unsigned char>(c), false)) width += advanceOf(*loaded);
    return {width, metrics.ascent + metrics.descent};
}

void DrawText(const Surface& target, const FontSpec& font, int x, int y, const Rect& clip,
              std::uint32_t colour, std::string_view text, std::optional<std::uint32_t> background) {
    if (text.empty() || !target.bits) return;
    const Rect bounds = clip.Intersect(Rect{0, 0, target.width, target.height});
    if (bounds.IsEmpty()) return;

    FontLibrary& library = FontLibrary::instance();
    std::lock_guard lock(library.mutex());
    const LoadedFace* loaded = library.face(font);
    if (!loaded) return;
    const Metrics metrics = sizeFace(loaded->face, font);
    const int baseline = y + metrics.ascent;

    if (background) {
        int width = 0;
        for (const char c : text)
            if (loadGlyph(*loaded, static_cast<unsigned char>(c), false)) width += advanceOf(*loaded);
        fillArea(target, bounds.Intersect({x, y, x + width, y + metrics.ascent + metrics.descent}),
                 *background);
    }

    int pen = x;
    for (const char c : text) {
        if (!loadGlyph(*loaded, static_cast<unsigned char>(c), true)) continue;
        const FT_GlyphSlot slot = loaded->face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int left = pen + slot->bitmap_left;
        const int top = baseline - slot->bitmap_top;
        const Rect glyph = bounds.Intersect({left, top, left + int(bitmap.width), top + int(bitmap.rows)});
        for (int gy = glyph.top; gy < glyph.bottom; ++gy) {
            const std::uint8_t* coverage = bitmap.buffer + std::ptrdiff_t(gy - top) * bitmap.pitch;
            std::uint8_t* p = target.row(gy) + glyph.left * 3;
            for (int gx = glyph.left; gx < glyph.right; ++gx, p += 3)
                if (const unsigned a = coverage[gx - left]) blendPixel(p, colour, a);
        }
        pen += advanceOf(*loaded);
    }

    if (font.underline) {
        const double scale = double(loaded->face->size->metrics.y_scale) / 65536.0 / 64.0;
        const int offset = std::max(1, int(std::lround(-loaded->face->underline_position * scale)));
        const int thickness = std::max(1, int(std::lround(loaded->face->underline_thickness * scale)));
        fillArea(target, bounds.Intersect({x, baseline + offset, pen, baseline + offset + thickness}),
                 colour);
    }
}

std::string ResolveFontFile(const FontSpec& font) {
    FontLibrary& library = FontLibrary::instance();
    std::lock_guard lock(library.mutex());
    const LoadedFace* loaded = library.face(font);
    return loaded ? loaded->file : std::string();
}

} // namespace platform
