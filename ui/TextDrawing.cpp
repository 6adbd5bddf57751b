#include "TextDrawing.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/Text.hpp"

namespace ui {

namespace {

platform::FontSpec toFontSpec(const engine::FontRecord& font) {
    platform::FontSpec wanted;
    wanted.face = std::string(font.Face());
    wanted.height = font.height;
    wanted.width = font.width;
    wanted.weight = font.weight;
    wanted.italic = font.italic != 0;
    wanted.underline = font.underline != 0;
    return wanted;
}

} // namespace

int TextWidth(std::string_view text, const engine::FontRecord& font) {
    return platform::MeasureText(toFontSpec(font), text).width;
}

int TextHeight(std::string_view text, const engine::FontRecord& font) {
    return platform::MeasureText(toFontSpec(font), text).height;
}

void DrawTextRange(const scene::BackBufferView& target, std::string_view text, const engine::FontRecord& font,
                   int x, int y, const scene::Rect& clip, int highlightStart, int highlightEnd) {
    if (text.empty()) return;
    const platform::FontSpec wanted = toFontSpec(font);
    const int length = int(text.size());
    const int lo = std::clamp(std::min(highlightStart, highlightEnd), 0, length);
    const int hi = std::clamp(std::max(highlightStart, highlightEnd), 0, length);
    const std::uint32_t colour = font.colour & 0x00FFFFFF;

    auto run = [&](int from, int to, bool highlighted) {
        const std::string_view part = text.substr(std::size_t(from), std::size_t(to - from));
        const int width = platform::MeasureText(wanted, part).width;
        if (width == 0) return;
        if (highlighted)
            platform::DrawText(target, wanted, x, y, clip, colour ^ 0x00FFFFFF, part, colour);
        else
            platform::DrawText(target, wanted, x, y, clip, colour, part);
        x += width;
    };
    run(0, lo, false);
    run(lo, hi, true);
    run(hi, length, false);
}

} // namespace ui
