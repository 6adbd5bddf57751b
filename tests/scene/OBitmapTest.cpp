#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ClipSamples.hpp"
#include "FakeHost.hpp"
#include "scene/ByteReader.hpp"
#include "scene/OBitmap.hpp"

using scene::ByteReader;
using scene::OBitmap;
using scene::OGraph;
using scene::Rect;

namespace {

// An image record of one colour: the 16-byte head, then the padded rows.
std::vector<uint8_t> Record(int32_t width, int32_t height, uint32_t colour,
                            std::vector<uint8_t> channels = {8, 8, 8}) {
    const scene::TClipImage image =
        SolidImage(width < 0 ? 1 : width, height == INT32_MIN ? 1 : height, colour);
    std::vector<uint8_t> bytes(16);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(uint32_t(width) >> (8 * i));
        bytes[4 + i] = static_cast<uint8_t>(uint32_t(height) >> (8 * i));
        bytes[8 + i] = 0xFF;
    }
    std::copy(channels.begin(), channels.end(), bytes.begin() + 12);
    bytes.insert(bytes.end(), image.pixels.begin(), image.pixels.end());
    return bytes;
}

bool Load(OBitmap& bitmap, const std::vector<uint8_t>& record, int64_t size = -1) {
    ByteReader stream(record);
    return bitmap.LoadMemory(stream, size < 0 ? int64_t(record.size()) : size);
}

} // namespace

TEST(OBitmapLoad, RefusesRecordsTheCompositorCannotDraw) {
    OBitmap bitmap;
    ASSERT_TRUE(Load(bitmap, Record(3, -2, 0x123456)));
    EXPECT_EQ(bitmap.Stride(), 12);
    EXPECT_FALSE(bitmap.View().bottomUp);
    // Other channel layouts are not the back buffer's format and would be drawn as garbage.
    EXPECT_FALSE(Load(bitmap, Record(2, 2, 0, {8, 8, 16})));
    EXPECT_FALSE(Load(bitmap, Record(2, 2, 0, {5, 6, 5})));
    EXPECT_FALSE(bitmap.HasPixels());
    const std::vector<uint8_t> record = Record(2, 2, 0);
    EXPECT_FALSE(Load(bitmap, record, 16));
    EXPECT_FALSE(Load(bitmap, record, int64_t(record.size()) - 1));
    EXPECT_FALSE(Load(bitmap, Record(-2, 2, 0)));
    EXPECT_FALSE(Load(bitmap, Record(1, INT32_MIN, 0)));
}

TEST(OBitmapLoad, ASharedBitmapKeepsItsPixels) {
    auto* source = new OBitmap;
    ASSERT_TRUE(Load(*source, Record(2, 2, 0x0000FF)));
    auto* copy = dynamic_cast<OBitmap*>(source->Clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Pixels(), source->Pixels());
    EXPECT_FALSE(Load(*source, Record(4, 4, 0)));
    EXPECT_FALSE(source->CreateBlank(9, 9));
    source->ReleaseContent();
    EXPECT_TRUE(source->HasPixels());
    OGraph::Release(source);
    OGraph::Release(copy);
}

TEST(OBitmapBlank, ABlankCanvasIsTransparentUntilItsKeyChanges) {
    FakeHost host(10, 10);
    host.Fill(0x445566);
    auto* canvas = new OBitmap;
    ASSERT_TRUE(canvas->CreateBlank(4, 4));
    host.AddObject(canvas);
    canvas->Draw(nullptr);
    EXPECT_EQ(host.Pixel(0, 0), 0x445566u);
    canvas->SetColourKey(0xFFFFFF);
    canvas->Draw(nullptr);
    EXPECT_EQ(host.Pixel(3, 3), 0u);
    EXPECT_EQ(host.Pixel(4, 4), 0x445566u);
    OGraph::Release(canvas);

    OBitmap refused;
    EXPECT_FALSE(refused.CreateBlank(std::nanf(""), 4));
    EXPECT_FALSE(refused.CreateBlank(-1, 4));
    EXPECT_FALSE(refused.CreateBlank(1e9f, 1));
    EXPECT_TRUE(refused.CreateBlank(3.9f, -2.5f));
    EXPECT_EQ(refused.Height(), 2);
    EXPECT_FALSE(refused.View().bottomUp);
}

TEST(OBitmapDraw, DrawsTheClipRectangleInsideItsBoundsAndClipsAtTheBufferEdge) {
    FakeHost host(20, 20, false);
    auto* bitmap = new OBitmap;
    ASSERT_TRUE(Load(*bitmap, Record(6, 6, 0x00FF00)));
    bitmap->SetColourKey(0xFFFFFFFF);
    bitmap->SetPosition(4.7f, 5.2f, 0);
    host.AddObject(bitmap);
    Rect clip{0, 0, 7, 20};
    bitmap->Draw(&clip);
    EXPECT_EQ(clip, (Rect{4, 5, 7, 11}));
    EXPECT_EQ(host.Pixel(6, 10), 0x00FF00u);
    EXPECT_EQ(host.Pixel(7, 5), 0u);
    Rect away{15, 15, 20, 20};
    bitmap->Draw(&away);
    EXPECT_TRUE(away.IsEmpty());

    host.Fill(0);
    bitmap->SetPosition(-2, 17, 0);
    bitmap->Draw(nullptr);
    EXPECT_EQ(host.Pixel(0, 19), 0x00FF00u);
    EXPECT_EQ(host.Pixel(4, 19), 0u);
    bitmap->SetVisible(false);
    host.Fill(0);
    bitmap->Draw(nullptr);
    EXPECT_EQ(host.Pixel(0, 19), 0u);
    OGraph::Release(bitmap);
}

TEST(OBitmapNotify, MovingRepaintsTheOldAndNewPlaceAndReleaseRepaintsTheOld) {
    FakeHost host;
    auto* bitmap = new OBitmap;
    ASSERT_TRUE(bitmap->CreateBlank(10, 10));
    host.AddObject(bitmap);
    host.notices.clear();
    bitmap->SetPosition(0, 15, 0);
    bitmap->SetPosition(0.5f, 15.5f, 0); // Inside the same pixel: no repaint.
    OGraph::Release(bitmap);
    ASSERT_EQ(host.notices.size(), 3u);
    EXPECT_EQ(host.notices[0].visibility, scene::Visibility::Hidden);
    EXPECT_EQ(host.notices[0].rect, (Rect{0, 0, 10, 10}));
    EXPECT_EQ(host.notices[1].visibility, scene::Visibility::Shown);
    EXPECT_EQ(host.notices[1].rect, (Rect{0, 15, 10, 25}));
    EXPECT_EQ(host.notices[2].visibility, scene::Visibility::Hidden);
    EXPECT_TRUE(host.graphs.empty());
}
