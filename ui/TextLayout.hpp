#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/FontRecord.hpp"

namespace engine {
class OWindow;
}

namespace ui {

// Writes paragraphs into a window as rows of OText words, wrapping at the right bound and
// aligning every finished line. The words belong to the window once added; the layout keeps
// no reference to them and may be discarded at any time. Callers set the pen, the margins
// and the style fields directly between paragraphs.
class TextLayout {
public:
    static constexpr std::int32_t kAlignLeft = 1;
    static constexpr std::int32_t kAlignCentre = 3;  // any other value aligns right

    explicit TextLayout(engine::OWindow& window);

    // Left margin and pen x := left; right bound := right.
    void SetMargins(std::int32_t left, std::int32_t right);
    // Writes one word per white-space character (each followed by a space) and leaves the
    // pen at the left margin of the line below the paragraph; an empty text writes nothing.
    void WriteParagraph(std::string_view text);
    // Moves the pen down by the height of a space in the current style, to the left margin.
    void NewLine();

    // The font the style fields describe.
    engine::FontRecord Style() const;

    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t leftMargin = 0;
    std::int32_t rightBound = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    std::string face = "Arial";
    std::uint32_t colour = 0;  // 0x00BBGGRR
    std::int32_t size = 18;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::int32_t alignment = kAlignLeft;

private:
    engine::OWindow& m_window;
};

} // namespace ui
