#pragma once

#include <cairo.h>

#include "Picture.hpp"

namespace assetgen {

// A transparent ARGB32 drawing surface with its cairo context. Text is set with fixed font
// options (greyscale antialiasing, no hinting), so that the result does not depend on the
// desktop's font settings.
class CairoCanvas {
public:
    CairoCanvas(int width, int height);
    ~CairoCanvas();
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    cairo_t* Context() const { return m_context; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Copies the pixels drawn so far.
    Picture Take() const;

    // Draws a picture with its top-left corner at (x, y), scaled by `scale` without smoothing.
    void Paint(const Picture& picture, double x, double y, double scale = 1.0);

    // Writes the surface as a PNG file; false when it cannot be written.
    bool WritePng(const char* path) const;

    // The surface as the bytes of an RGBA PNG file; empty on failure.
    std::vector<uint8_t> PngBytes() const;

private:
    int m_width;
    int m_height;
    cairo_surface_t* m_surface;
    cairo_t* m_context;
};

// A cairo write function that appends what cairo writes to the std::vector<uint8_t> that
// `closure` points to; it never fails.
cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length);

} // namespace assetgen
