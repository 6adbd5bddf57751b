#include "IconArt.hpp"

#include <algorithm>
#include <map>
#include <string>

#include <cairo-svg.h>

#include "CairoCanvas.hpp"
#include "Draw.hpp"
#include "Picture.hpp"

namespace assetgen {

namespace {

void DrawIcon(cairo_t* cr, double size) {
    const double margin = std::max(0.5, size / 32);
    DrawVectorBall(cr, size / 2, size / 2, size / 2 - margin, palette::kLeather, -0.4);
}

// Cairo names each drawing surface in an SVG document after a counter shared by the whole
// process ("surface162"); numbering them in the order they appear keeps the document the same
// bytes however many surfaces the process made before.
std::vector<uint8_t> RenumberSurfaces(const std::vector<uint8_t>& svg) {
    const std::string text(svg.begin(), svg.end());
    const std::string prefix = "surface";
    std::map<std::string, std::string> names;
    std::string out;
    size_t at = 0;
    while (true) {
        const size_t found = text.find(prefix, at);
        if (found == std::string::npos) break;
        size_t end = found + prefix.size();
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        out.append(text, at, found - at);
        const std::string name = text.substr(found, end - found);
        if (end == found + prefix.size()) {
            out += name;
        } else {
            auto [it, added] = names.try_emplace(name, prefix + std::to_string(names.size() + 1));
            out += it->second;
        }
        at = end;
    }
    out.append(text, at, std::string::npos);
    return {out.begin(), out.end()};
}

} // namespace

std::vector<uint8_t> IconPng(int size) {
    CairoCanvas canvas(size, size);
    DrawIcon(canvas.Context(), canvas.Width());
    return canvas.PngBytes();
}

std::vector<uint8_t> IconSvg() {
    std::vector<uint8_t> bytes;
    cairo_surface_t* surface =
        cairo_svg_surface_create_for_stream(AppendBytes, &bytes, kSvgIconSize, kSvgIconSize);
    cairo_svg_surface_restrict_to_version(surface, CAIRO_SVG_VERSION_1_1);
    // Pixels rather than cairo's default points, so that the document's size is the icon's.
    cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
    cairo_t* cr = cairo_create(surface);
    DrawIcon(cr, kSvgIconSize);
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    // The document is written out when the surface finishes.
    cairo_surface_finish(surface);
    const bool finished = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    if (!drawn || !finished) return {};
    return RenumberSurfaces(bytes);
}

scene::TClipData WindowIconClip(const Rgb& background) {
    CairoCanvas canvas(kWindowIconSize, kWindowIconSize);
    DrawIcon(canvas.Context(), canvas.Width());
    return SequenceClip({canvas.Take()}, 0, background);
}

} // namespace assetgen
