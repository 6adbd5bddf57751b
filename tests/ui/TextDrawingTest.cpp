#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "engine/BackBuffer.hpp"
#include "ui/TextDrawing.hpp"

namespace {

using scene::Rect;

constexpr std::uint32_t kPeach = 0x0099CCFF;

std::array<std::uint8_t, 3> pixel(engine::BackBuffer& buffer, int x, int y) {
    const scene::BackBufferView v = buffer.View();
    const std::uint8_t* p = v.row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

TEST(TextDrawing, TextIsMeasuredAndTheHighlightDrawnInEitherOrder) {
    engine::BackBuffer buffer;
    buffer.Allocate(200, 40, kPeach);
    engine::FontRecord font;
    font.height = 20;
    EXPECT_EQ(ui::TextHeight("Top 10", font), 20);
    EXPECT_EQ(ui::TextWidth("", font), 0);
    EXPECT_EQ(ui::TextHeight("", font), 0) << "an empty text measures 0 x 0";
    EXPECT_GT(ui::TextWidth("Top 10", font), 40);

    auto snapshot = [&] {
        std::vector<std::array<std::uint8_t, 3>> px;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 120; ++x) px.push_back(pixel(buffer, x, y));
        Rect all{0, 0, 200, 40};
        buffer.ClearRect(&all);
        return px;
    };
    const Rect clip{0, 0, 200, 40};
    ui::DrawTextRange(buffer.View(), "Hello", font, 2, 2, clip, 1, 3);
    EXPECT_EQ(pixel(buffer, 2 + ui::TextWidth("H", font) + 1, 3),
              (std::array<std::uint8_t, 3>{0, 0, 0})); // highlight fill
    const auto forward = snapshot();
    ui::DrawTextRange(buffer.View(), "Hello", font, 2, 2, clip, 3, 1);
    EXPECT_EQ(snapshot(), forward);

    ui::DrawTextRange(buffer.View(), "Hello", font, 2, 2, clip, 0, 0);
    const auto plain = snapshot();
    ui::DrawTextRange(buffer.View(), "Hello", font, 2, 2, clip, 5, 9);
    EXPECT_EQ(snapshot(), plain);
    ui::DrawTextRange(buffer.View(), "Hello", font, 2, 2, clip, 2, 2);
    EXPECT_EQ(snapshot(), plain);
}

TEST(TextDrawing, NothingIsDrawnOutsideTheClip) {
    engine::BackBuffer buffer;
    buffer.Allocate(200, 40, kPeach);
    engine::FontRecord font;
    font.height = 20;
    ui::DrawTextRange(buffer.View(), "WWWW", font, 0, 0, Rect{0, 0, 10, 40}, 0, 4);
    for (int y = 0; y < 40; ++y)
        for (int x = 10; x < 200; ++x)
            ASSERT_EQ(pixel(buffer, x, y), (std::array<std::uint8_t, 3>{0x99, 0xCC, 0xFF})) << x << "," << y;
    EXPECT_EQ(pixel(buffer, 1, 1),
              (std::array<std::uint8_t, 3>{0, 0, 0})); // the highlight box above the letters
}

} // namespace
