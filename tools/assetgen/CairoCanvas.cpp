#include "CairoCanvas.hpp"

#include <cstring>

namespace assetgen {

CairoCanvas::CairoCanvas(int width, int height)
    : m_width(width),
      m_height(height),
      m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      m_context(cairo_create(m_surface)) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(m_context, options);
    cairo_font_options_destroy(options);
}

CairoCanvas::~CairoCanvas() {
    cairo_destroy(m_context);
    cairo_surface_destroy(m_surface);
}

Picture CairoCanvas::Take() const {
    cairo_surface_flush(m_surface);
    Picture picture(m_width, m_height);
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    for (int y = 0; y < m_height; ++y) {
        std::memcpy(&picture.At(0, y), data + static_cast<size_t>(y) * stride,
                    static_cast<size_t>(m_width) * 4);
    }
    return picture;
}

void CairoCanvas::Paint(const Picture& picture, double x, double y, double scale) {
    if (picture.width == 0 || picture.height == 0) return;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, picture.width);
    cairo_surface_t* source = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
    cairo_surface_flush(source);
    unsigned char* data = cairo_image_surface_get_data(source);
    for (int row = 0; row < picture.height; ++row) {
        std::memcpy(data + static_cast<size_t>(row) * stride,
                    picture.argb.data() + static_cast<size_t>(row) * picture.width,
                    static_cast<size_t>(picture.width) * 4);
    }
    cairo_surface_mark_dirty(source);
    cairo_save(m_context);
    cairo_translate(m_context, x, y);
    cairo_scale(m_context, scale, scale);
    cairo_set_source_surface(m_context, source, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(m_context), CAIRO_FILTER_NEAREST);
    cairo_paint(m_context);
    cairo_restore(m_context);
    cairo_surface_destroy(source);
}

bool CairoCanvas::WritePng(const char* path) const {
    cairo_surface_flush(m_surface);
    return cairo_surface_write_to_png(m_surface, path) == CAIRO_STATUS_SUCCESS;
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

std::vector<uint8_t> CairoCanvas::PngBytes() const {
    cairo_surface_flush(m_surface);
    std::vector<uint8_t> bytes;
    if (cairo_surface_write_to_png_stream(m_surface, AppendBytes, &bytes) != CAIRO_STATUS_SUCCESS) {
        return {};
    }
    return bytes;
}

} // namespace assetgen
