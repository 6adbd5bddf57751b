#include "ui/FocusRing.hpp"

#include <algorithm>
#include <cmath>

#include "engine/OWindow.hpp"
#include "scene/OBitmap.hpp"

namespace ui {

namespace {

// How far the pixel's middle lies inside a rounded rectangle filling the picture; negative
// outside it.
double ringDepthAt(int x, int y, int width, int height) {
    const double radius = std::min({double(FocusRing::kRadius), width / 2.0, height / 2.0});
    const double px = std::fabs(x + 0.5 - width / 2.0) - (width / 2.0 - radius);
    const double py = std::fabs(y + 0.5 - height / 2.0) - (height / 2.0 - radius);
    const double outside = std::hypot(std::max(px, 0.0), std::max(py, 0.0)) + std::min(std::max(px, py), 0.0);
    return radius - outside;
}

void putRingColour(std::uint8_t* pixel, std::uint32_t colour) {
    pixel[0] = std::uint8_t(colour >> 16);
    pixel[1] = std::uint8_t(colour >> 8);
    pixel[2] = std::uint8_t(colour);
}

} // namespace

RingPart RingPartAt(int x, int y, int width, int height) {
    if (x < 0 || y < 0 || x >= width || y >= height) return RingPart::None;
    const double depth = ringDepthAt(x, y, width, height);
    if (depth <= 0) return RingPart::None;
    if (depth <= FocusRing::kDarkWidth) return RingPart::Dark;
    if (depth <= FocusRing::kDarkWidth + FocusRing::kLightWidth) return RingPart::Light;
    return RingPart::None;
}

void FocusRing::Surround(engine::OWindow& window, const scene::Rect& bounds) {
    const int width =
        int(std::clamp<std::int64_t>(bounds.Width() + 2 * kMargin, 0, scene::OBitmap::kMaxCanvasSide));
    const int height =
        int(std::clamp<std::int64_t>(bounds.Height() + 2 * kMargin, 0, scene::OBitmap::kMaxCanvasSide));
    if (!scene::OGraph::IsLive(m_picture)) {
        m_picture = new scene::OBitmap;
        m_picture->SetVisible(false);
        window.AddObject(m_picture);
    }
    const float x = float(bounds.left - kMargin);
    const float y = float(bounds.top - kMargin);
    if (int(m_picture->Width()) != width || int(m_picture->Height()) != height || !m_picture->HasPixels()) {
        // A new picture is drawn while hidden, so that the window repaints its old place and
        // its new one.
        m_picture->SetVisible(false);
        if (!m_picture->CreateBlank(float(width), float(height))) return;
        std::uint8_t* pixels = m_picture->Pixels();
        for (int row = 0; row < height; ++row) {
            std::uint8_t* line = pixels + std::ptrdiff_t(row) * m_picture->Stride();
            for (int column = 0; column < width; ++column) {
                const RingPart part = RingPartAt(column, row, width, height);
                if (part != RingPart::None)
                    putRingColour(line + std::ptrdiff_t(column) * 3,
                                  part == RingPart::Dark ? kDarkColour : kLightColour);
            }
        }
    }
    m_picture->SetPosition(x, y, kDepth);
    m_picture->SetVisible(true);
}

void FocusRing::Hide() {
    if (scene::OGraph::IsLive(m_picture)) m_picture->SetVisible(false);
}

bool FocusRing::Shown() const {
    return scene::OGraph::IsLive(m_picture) && m_picture->IsVisible();
}

scene::Rect FocusRing::Area() const {
    return Shown() ? m_picture->Bounds() : scene::Rect{};
}

} // namespace ui
