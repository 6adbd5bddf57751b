#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Platform.hpp"

namespace platform {

// A font as text objects describe it. A positive height is the character cell
// height (ascent plus descent) in pixels, a negative one the em height; 0
// picks a default. Width 0 keeps the natural proportions, another value
// stretches the font to that average character width. Weight 0 is regular,
// 700 bold; any weight is drawn with the nearer of the regular and bold faces.
struct FontSpec {
    std::string face = "Arial";
    int height = 32;
    int width = 0;
    int weight = 0;
    bool italic = false;
    bool underline = false;
};

struct TextExtent {
    int width = 0;
    int height = 0;
};

// Texts are single-byte code page 1252 strings (CodePage1252.hpp). Both functions
// may be called from any thread; they serialise on the font library internally.

// The width (sum of advances) and cell height of the text; 0 x 0 for an empty
// text and when the font cannot be found.
TextExtent MeasureText(const FontSpec& font, std::string_view text);

// Draws the text antialiased with its cell's top-left corner at (x, y),
// clipped to `clip` and the surface. With a background colour the text's
// cell is filled first. Colours are 0x00BBGGRR.
void DrawText(const Surface& target, const FontSpec& font, int x, int y, const Rect& clip,
              std::uint32_t colour, std::string_view text,
              std::optional<std::uint32_t> background = std::nullopt);

// The font file a face name resolves to, or empty when none; for diagnostics.
std::string ResolveFontFile(const FontSpec& font);

} // namespace platform
