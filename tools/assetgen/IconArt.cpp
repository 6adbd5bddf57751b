#include "IconArt.hpp"

#include <algorithm>

#include "CairoCanvas.hpp"
#include "Draw.hpp"
#include "Picture.hpp"

namespace assetgen {

namespace {

void DrawIcon(CairoCanvas& canvas) {
    const double size = canvas.Width();
    const double margin = std::max(0.5, size / 32);
    DrawVectorBall(canvas.Context(), size / 2, size / 2, size / 2 - margin, palette::kLeather, -0.4);
}

} // namespace

std::vector<uint8_t> IconPng(int size) {
    CairoCanvas canvas(size, size);
    DrawIcon(canvas);
    return canvas.PngBytes();
}

scene::TClipData WindowIconClip(const Rgb& background) {
    CairoCanvas canvas(kWindowIconSize, kWindowIconSize);
    DrawIcon(canvas);
    return SequenceClip({canvas.Take()}, 0, background);
}

} // namespace assetgen
