#pragma once

#include <cstdint>

#include "scene/Rect.hpp"

namespace engine {
class OWindow;
}
namespace scene {
class OBitmap;
}

namespace ui {

// Which part of a focus ring's picture a pixel belongs to.
enum class RingPart : std::uint8_t { None, Dark, Light };

// The part of a `width` x `height` ring picture that pixel (x, y) shows: from the edge
// inwards two dark pixels, then two light ones, along a rounded rectangle; the rest (the gap
// and the middle) shows what lies below.
RingPart RingPartAt(int x, int y, int width, int height);

// The outline drawn around the control that holds a dialog's focus while keys are in use: a
// rounded line in the dialogs' caption colour with a dark line outside it, so that it reads
// on light and dark backgrounds alike, one pixel clear of the control. Its picture is a
// colour-keyed bitmap of the window, made again only when the size of what it surrounds
// changes; the window repaints only where the ring appears, moves or goes.
class FocusRing {
public:
    static constexpr int kGap = 1;
    static constexpr int kLightWidth = 2;
    static constexpr int kDarkWidth = 2;
    // How far the ring reaches beyond the control on every side.
    static constexpr int kMargin = kGap + kLightWidth + kDarkWidth;
    static constexpr int kRadius = 6;
    // 0x00BBGGRR, as the dialogs' button captions.
    static constexpr std::uint32_t kLightColour = 0x99CCFF;
    static constexpr std::uint32_t kDarkColour = 0x402818;
    // In front of every control and caption of a dialog.
    static constexpr float kDepth = -10;

    // Shows the ring around `bounds` (window pixels) in the window; the first call adds the
    // picture to the window, which owns it from then on.
    void Surround(engine::OWindow& window, const scene::Rect& bounds);
    // Takes the ring off the screen; nothing when it is not shown.
    void Hide();
    bool Shown() const;
    // The pixels the ring covers while it is shown, else an empty rectangle.
    scene::Rect Area() const;

private:
    scene::OBitmap* m_picture = nullptr;
};

} // namespace ui
