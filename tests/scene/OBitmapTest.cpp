#include "scene/OBitmap.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "FakeHost.hpp"
#include "scene/ByteReader.hpp"

using scene::ByteReader;
using scene::OBitmap;
using scene::OGraph;
using scene::Rect;

namespace {

// An image record: the 16-byte head and |height| rows of pixels of one colour.
std::vector<uint8_t> Record(int32_t width, int32_t height, uint32_t key, uint32_t colour,
                            std::vector<uint8_t> channels = {8, 8, 8}) {
  std::vector<uint8_t> bytes;
  auto put32 = [&bytes](uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put32(static_cast<uint32_t>(width));
  put32(static_cast<uint32_t>(height));
  put32(key);
  for (uint8_t c : channels) bytes.push_back(c);
  bytes.push_back(0);
  const int32_t stride = ((24 * width + 31) / 32) * 4;
  for (int32_t y = 0; y < std::abs(height); ++y) {
    for (int32_t x = 0; x < stride; ++x) {
      bytes.push_back(x < width * 3 ? static_cast<uint8_t>(colour >> (8 * (x % 3))) : 0);
    }
  }
  return bytes;
}

bool Load(OBitmap& bitmap, const std::vector<uint8_t>& record) {
  ByteReader stream(record);
  return bitmap.LoadMemory(stream, static_cast<int64_t>(record.size()));
}

}  // namespace

TEST(OBitmapLoad, ReadsTheRecordHeadSizeAndKey) {
  OBitmap bitmap;
  ASSERT_TRUE(Load(bitmap, Record(5, -3, 0xFF00FF, 0x123456)));
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.ColourKey(), 0xFF00FFu);
  EXPECT_EQ(bitmap.Stride(), 16);
  ASSERT_NE(bitmap.Header(), nullptr);
  EXPECT_EQ(bitmap.Header()->height, -3);
  EXPECT_EQ(bitmap.Header()->bitsPerPixel, 24);
  EXPECT_EQ(bitmap.Header()->imageSize, 48u);
  EXPECT_FALSE(bitmap.View().bottomUp);
}

TEST(OBitmapLoad, RefusesRecordsItCannotDraw) {
  OBitmap bitmap;
  // Other channel layouts are not the back buffer's format and would be drawn as garbage.
  EXPECT_FALSE(Load(bitmap, Record(2, 2, 0, 0, {8, 8, 16})));
  EXPECT_FALSE(Load(bitmap, Record(2, 2, 0, 0, {5, 6, 5})));
  EXPECT_FALSE(Load(bitmap, Record(2, 2, 0, 0, {0, 0, 8})));
  EXPECT_FALSE(bitmap.HasPixels());

  // A record size of 16 or less, a short read and a record too small for its rows.
  std::vector<uint8_t> record = Record(2, 2, 0, 0);
  ByteReader stream(record);
  EXPECT_FALSE(bitmap.LoadMemory(stream, 16));
  ByteReader shortStream(record.data(), record.size() - 1);
  EXPECT_FALSE(bitmap.LoadMemory(shortStream, static_cast<int64_t>(record.size())));
  ByteReader tight(record);
  EXPECT_FALSE(bitmap.LoadMemory(tight, static_cast<int64_t>(record.size()) - 1));

  // Negative widths and the one height whose magnitude does not exist.
  EXPECT_FALSE(Load(bitmap, Record(-2, 2, 0, 0)));
  std::vector<uint8_t> minimum = Record(1, 1, 0, 0);
  minimum[4] = minimum[5] = minimum[6] = 0;
  minimum[7] = 0x80;
  EXPECT_FALSE(Load(bitmap, minimum));
  EXPECT_FALSE(bitmap.HasPixels());
}

TEST(OBitmapLoad, ASharedBitmapKeepsItsPixels) {
  auto* source = new OBitmap;
  ASSERT_TRUE(Load(*source, Record(2, 2, 0, 0x0000FF)));
  OGraph* clone = source->Clone();
  ASSERT_NE(clone, nullptr);
  auto* copy = dynamic_cast<OBitmap*>(clone);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Pixels(), source->Pixels());
  EXPECT_EQ(copy->Width(), 2);

  EXPECT_FALSE(Load(*source, Record(4, 4, 0, 0)));
  EXPECT_FALSE(source->CreateBlank(9, 9));
  source->ReleaseContent();
  EXPECT_EQ(source->Width(), 2);
  EXPECT_TRUE(source->HasPixels());

  OGraph::Release(source);
  EXPECT_TRUE(OGraph::IsLive(source));
  OGraph::Release(copy);
  EXPECT_FALSE(OGraph::IsLive(source));
}

TEST(OBitmapBlank, ABlankCanvasIsTransparentUntilItsKeyChanges) {
  FakeHost host(10, 10);
  host.Fill(0x445566);
  auto* canvas = new OBitmap;
  ASSERT_TRUE(canvas->CreateBlank(4, 4));
  EXPECT_TRUE(canvas->View().bottomUp);
  host.AddObject(canvas);
  canvas->Draw(nullptr);
  EXPECT_EQ(host.Pixel(0, 0), 0x445566u);

  canvas->SetColourKey(0xFFFFFF);
  canvas->Draw(nullptr);
  EXPECT_EQ(host.Pixel(0, 0), 0u);
  EXPECT_EQ(host.Pixel(3, 3), 0u);
  EXPECT_EQ(host.Pixel(4, 4), 0x445566u);
  OGraph::Release(canvas);
}

TEST(OBitmapBlank, RefusesSizesThatCannotBeACanvas) {
  OBitmap canvas;
  EXPECT_FALSE(canvas.CreateBlank(std::nanf(""), 4));
  EXPECT_FALSE(canvas.CreateBlank(4, std::numeric_limits<float>::infinity()));
  EXPECT_FALSE(canvas.CreateBlank(-1, 4));
  EXPECT_FALSE(canvas.CreateBlank(1e9f, 1));
  EXPECT_FALSE(canvas.HasPixels());
  EXPECT_TRUE(canvas.CreateBlank(3.9f, -2.5f));
  EXPECT_EQ(canvas.Width(), 3);
  EXPECT_EQ(canvas.Height(), 2);
  EXPECT_FALSE(canvas.View().bottomUp);
}

TEST(OBitmapDraw, DrawsOnlyTheClipRectangleInsideItsBounds) {
  FakeHost host(20, 20);
  auto* bitmap = new OBitmap;
  ASSERT_TRUE(Load(*bitmap, Record(6, 6, 0xFFFFFFFF, 0x00FF00)));
  bitmap->SetPosition(4.7f, 5.2f, 0);
  host.AddObject(bitmap);

  Rect clip{0, 0, 7, 20};
  bitmap->Draw(&clip);
  EXPECT_EQ(clip, (Rect{4, 5, 7, 11}));
  EXPECT_EQ(host.Pixel(4, 5), 0x00FF00u);
  EXPECT_EQ(host.Pixel(6, 10), 0x00FF00u);
  EXPECT_EQ(host.Pixel(7, 5), 0u);
  EXPECT_EQ(host.Pixel(4, 11), 0u);

  // A clip rectangle that misses the bitmap comes back empty and draws nothing.
  Rect away{15, 15, 20, 20};
  bitmap->Draw(&away);
  EXPECT_TRUE(away.IsEmpty());
  EXPECT_EQ(host.Pixel(15, 15), 0u);

  bitmap->SetVisible(false);
  host.Fill(0);
  bitmap->Draw(nullptr);
  EXPECT_EQ(host.Pixel(5, 6), 0u);
  OGraph::Release(bitmap);
}

TEST(OBitmapDraw, APartlyOutsideBitmapIsDrawnClipped) {
  FakeHost host(8, 8, false);
  auto* bitmap = new OBitmap;
  ASSERT_TRUE(Load(*bitmap, Record(4, 4, 0xFFFFFFFF, 0x0000FF)));
  bitmap->SetPosition(-2, 6, 0);
  host.AddObject(bitmap);
  bitmap->Draw(nullptr);
  EXPECT_EQ(host.Pixel(0, 6), 0x0000FFu);
  EXPECT_EQ(host.Pixel(1, 7), 0x0000FFu);
  EXPECT_EQ(host.Pixel(2, 7), 0u);
  OGraph::Release(bitmap);
}

TEST(OBitmapNotify, MovingVerticallyRepaintsTheOldAndTheNewPlace) {
  FakeHost host;
  auto* bitmap = new OBitmap;
  ASSERT_TRUE(bitmap->CreateBlank(10, 10));
  host.AddObject(bitmap);
  host.notices.clear();

  bitmap->SetPosition(0, 15, 0);
  ASSERT_EQ(host.notices.size(), 2u);
  EXPECT_EQ(host.notices[0].mode, 1);
  EXPECT_EQ(host.notices[0].rect, (Rect{0, 0, 10, 10}));
  EXPECT_EQ(host.notices[1].mode, 0);
  EXPECT_EQ(host.notices[1].rect, (Rect{0, 15, 10, 25}));

  // A move inside the same pixel needs no repaint; a blend change repaints in place.
  host.notices.clear();
  bitmap->SetPosition(0.5f, 15.5f, 0);
  EXPECT_TRUE(host.notices.empty());
  bitmap->SetBlend(100);
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0].mode, 0);
  OGraph::Release(bitmap);
}

TEST(OBitmapNotify, ReleasingAVisibleBitmapRepaintsWhereItWas) {
  FakeHost host;
  auto* bitmap = new OBitmap;
  ASSERT_TRUE(bitmap->CreateBlank(3, 3));
  host.AddObject(bitmap);
  host.notices.clear();
  OGraph::Release(bitmap);
  ASSERT_FALSE(host.notices.empty());
  EXPECT_EQ(host.notices[0].mode, 1);
  EXPECT_EQ(host.notices[0].rect, (Rect{0, 0, 3, 3}));
  EXPECT_TRUE(host.graphs.empty());
}
