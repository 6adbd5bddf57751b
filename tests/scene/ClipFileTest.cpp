#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "ClipSamples.hpp"
#include "scene/ByteReader.hpp"
#include "scene/ClipFormat.hpp"
#include "scene/OBitmap.hpp"
#include "scene/OClip.hpp"
#include "scene/TClipData.hpp"

using scene::ByteReader;
using scene::OBitmap;
using scene::OClip;
using scene::OGraph;
using scene::TClipData;

namespace {

TClipData MixedClip() {
    TClipData clip;
    clip.frameRate = 12.5f;
    clip.images.push_back(SolidImage(3, 2, 0x112233, 0xFF00FF)); // Rows padded to 12 bytes.
    clip.images.push_back(SolidImage(8, -12, 0x445566));         // Stored top-down.
    clip.images.push_back(SolidImage(1, 1, 0x778899));
    clip.frames.push_back({1.5, 2.25, 3, 0, {}});
    clip.frames.push_back({10, 0, -1, 1, {3, 0}});
    clip.frames.push_back({0, 20, 0, 2, {1}});
    clip.frames.push_back({4, 4, 0, 0, {4, 2, 7}}); // Shows image 0 a second time.
    return clip;
}

std::vector<uint8_t> Bytes(const TClipData& clip) {
    return *scene::WriteClip(clip);
}

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}
void Put16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
    bytes.at(offset) = static_cast<uint8_t>(value);
    bytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
}
void PutDouble(std::vector<uint8_t>& bytes, size_t offset, double value) {
    std::memcpy(&bytes.at(offset), &value, 8);
}
uint32_t Get32(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t{bytes.at(offset + i)} << (8 * i);
    return value;
}

// The image entry `index` of a written file.
size_t EntryAt(size_t index) {
    return 32 + 12 * index;
}

bool Loads(const std::vector<uint8_t>& bytes) {
    auto* clip = new OClip;
    ByteReader stream(bytes);
    const bool loaded = clip->LoadMemory(stream, -1);
    if (!loaded) {
        EXPECT_EQ(clip->FrameCount(), 0);
    }
    OGraph::Release(clip);
    EXPECT_EQ(loaded, scene::ReadClip(bytes).has_value());
    return loaded;
}

} // namespace

TEST(ClipWriter, WhatIsWrittenReadsBackIdentically) {
    const TClipData clip = MixedClip();
    const std::vector<uint8_t> bytes = Bytes(clip);
    const std::optional<TClipData> back = scene::ReadClip(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, clip);
    EXPECT_EQ(Bytes(*back), bytes);
    EXPECT_EQ(Get32(bytes, 8), 3u * 12 + 4 * 32 + 4 * (0 + 2 + 1 + 3));
    EXPECT_EQ(Get32(bytes, EntryAt(0)), 32 + Get32(bytes, 8));
}

TEST(ClipWriter, RefusesDescriptionsNoReaderWouldAccept) {
    EXPECT_EQ(scene::ValidateClipData(MixedClip()), "");
    TClipData clip = MixedClip();
    clip.images[0].pixels.pop_back();
    EXPECT_FALSE(scene::WriteClip(clip).has_value());
    clip = MixedClip();
    clip.frames[1].image = 3;
    EXPECT_FALSE(scene::WriteClip(clip).has_value());
    clip = MixedClip();
    clip.frames[0].y = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(scene::WriteClip(clip).has_value());
}

TEST(ClipReader, LoadsFramesPositionsCommandsAndSharedImages) {
    OClip* clip = LoadClip(MixedClip());
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->FramesPerSecond(), 12);
    EXPECT_EQ(clip->Width(), 10 + 8);
    auto* first = dynamic_cast<OBitmap*>(clip->Frame(0));
    auto* second = dynamic_cast<OBitmap*>(clip->Frame(1));
    auto* again = dynamic_cast<OBitmap*>(clip->Frame(3));
    ASSERT_TRUE(first && second && again);
    EXPECT_EQ(first->RelativeY(), 2.25f);
    EXPECT_EQ(first->ColourKey(), 0xFF00FFu);
    EXPECT_FALSE(second->View().bottomUp);
    EXPECT_EQ(again->Items(), (std::vector<int32_t>{4, 2, 7}));
    EXPECT_FALSE(second->IsVisible());
    // The image placed twice is shown the second time through a clone of the first frame.
    EXPECT_EQ(again->Source(), first);
    EXPECT_EQ(again->Pixels(), first->Pixels());
    OGraph::Release(clip);
    EXPECT_FALSE(OGraph::IsLive(first) || OGraph::IsLive(again));
}

TEST(ClipReader, EntriesOfOtherKindsTakeNoImageNumber) {
    TClipData data;
    data.images = {SolidImage(1, 1, 0xAA), SolidImage(2, 2, 0xBB), SolidImage(3, 3, 0xCC)};
    data.frames = {{0, 0, 0, 0, {}}, {0, 0, 0, 1, {}}};
    std::vector<uint8_t> bytes = Bytes(data);
    Put16(bytes, EntryAt(1) + 8, 5);
    auto* clip = new OClip;
    ByteReader stream(bytes);
    ASSERT_TRUE(clip->LoadMemory(stream, -1));
    EXPECT_EQ(clip->Frame(1)->Width(), 3);
    OGraph::Release(clip);
    // With one image fewer numbered, a placement of image 2 has nothing to show.
    data.frames.push_back({0, 0, 0, 2, {}});
    bytes = Bytes(data);
    Put16(bytes, EntryAt(1) + 8, 5);
    EXPECT_FALSE(Loads(bytes));
}

TEST(ClipReader, FrameRatesAreTruncatedAndBounded) {
    EXPECT_EQ(scene::FramesPerSecondFromRate(12.9f), 12);
    EXPECT_EQ(scene::FramesPerSecondFromRate(-3), 0);
    EXPECT_EQ(scene::FramesPerSecondFromRate(std::nanf("")), 0);
    EXPECT_EQ(scene::FramesPerSecondFromRate(1e30f), scene::kMaxFramesPerSecond);
}

TEST(ClipReader, FailedLoadsEmptyTheClipUnopenableFilesAndSharedClipsKeepIt) {
    OClip* clip = LoadClip(MixedClip());
    ASSERT_NE(clip, nullptr);
    EXPECT_FALSE(clip->LoadFile("/nonexistent/folder/none.clp"));
    EXPECT_EQ(clip->FrameCount(), 4);
    // The source of a clone ignores reloads and reports success.
    OGraph* clone = clip->Clone();
    const std::vector<uint8_t> other = Bytes(SequenceClip(5, {{}}));
    ByteReader otherStream(other);
    EXPECT_TRUE(clip->LoadMemory(otherStream, -1));
    EXPECT_EQ(clip->FrameCount(), 4);
    OGraph::Release(clone);

    std::vector<uint8_t> bytes = Bytes(MixedClip());
    Put32(bytes, 0, 138);
    ByteReader stream(bytes);
    EXPECT_FALSE(clip->LoadMemory(stream, -1));
    EXPECT_EQ(clip->FrameCount(), 0);
    OGraph::Release(clip);
}

TEST(ClipReader, EveryTruncatedFileIsRefused) {
    const std::vector<uint8_t> bytes = Bytes(MixedClip());
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(length));
        ASSERT_FALSE(Loads(cut)) << "length " << length;
    }
    EXPECT_TRUE(Loads(bytes));
}

struct Damage {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> apply;
};

class MalformedClip : public ::testing::TestWithParam<Damage> {};

TEST_P(MalformedClip, IsRefusedCleanly) {
    std::vector<uint8_t> bytes = Bytes(MixedClip());
    ASSERT_TRUE(Loads(bytes));
    GetParam().apply(bytes);
    EXPECT_FALSE(Loads(bytes));
}

// Offsets for MixedClip: three entries, then placements of 32, 40, 36 and 44 bytes.
constexpr size_t kPlacement0 = 32 + 36;
constexpr size_t kPlacement1 = kPlacement0 + 32;
constexpr size_t kLastPlacement = kPlacement0 + 32 + 40 + 36;

INSTANTIATE_TEST_SUITE_P(
    ClipReader, MalformedClip,
    ::testing::Values(
        Damage{"WrongMagic", [](auto& b) { Put32(b, 0, 0x89000000); }},
        Damage{"NegativeIndexSize", [](auto& b) { Put32(b, 8, 0xFFFFFFF0); }},
        Damage{"IndexLongerThanTheFile", [](auto& b) { Put32(b, 8, static_cast<uint32_t>(b.size())); }},
        Damage{"NegativeImageCount", [](auto& b) { Put32(b, 24, 0xFFFFFFFF); }},
        Damage{"HugeImageCount", [](auto& b) { Put32(b, 24, 0x7FFFFFFF); }},
        Damage{"NegativePlacementCount", [](auto& b) { Put32(b, 28, 0x80000000); }},
        Damage{"HugePlacementCount", [](auto& b) { Put32(b, 28, 0x7FFFFFFF); }},
        Damage{"IndexSmallerThanItsEntries", [](auto& b) { Put32(b, 8, 3 * 12 - 1); }},
        Damage{"IndexSmallerThanItsPlacements", [](auto& b) { Put32(b, 8, 3 * 12 + 4 * 32 + 20); }},
        Damage{"CommandsRunningPastTheIndex", [](auto& b) { Put16(b, kLastPlacement + 26, 4); }},
        Damage{"ManyCommandsRunningPastTheIndex", [](auto& b) { Put16(b, kPlacement0 + 26, 0xFFFF); }},
        Damage{"ImageOffsetBeyondTheFile",
               [](auto& b) { Put32(b, EntryAt(1), static_cast<uint32_t>(b.size())); }},
        Damage{"ImageOffsetThatWrapsAround", [](auto& b) { Put32(b, EntryAt(2), 0xFFFFFFF8); }},
        Damage{"ImageSizeBeyondTheFile",
               [](auto& b) { Put32(b, EntryAt(2) + 4, static_cast<uint32_t>(b.size())); }},
        Damage{"ImageRecordOfSixteenBytes", [](auto& b) { Put32(b, EntryAt(0) + 4, 16); }},
        Damage{"ImageRecordSmallerThanItsRows", [](auto& b) { Put32(b, EntryAt(1) + 4, 16 + 24 * 12 - 1); }},
        Damage{"ImageDimensionsThatOverflow",
               [](auto& b) {
                   Put32(b, Get32(b, EntryAt(1)) + 4, 0x7FFFFFFF), Put32(b, Get32(b, EntryAt(1)), 0x7FFFFFFF);
               }},
        Damage{"ImageDimensionsThatDisagreeWithTheRecord",
               [](auto& b) { Put32(b, Get32(b, EntryAt(1)) + 4, 13); }},
        Damage{"NegativeImageWidth", [](auto& b) { Put32(b, Get32(b, EntryAt(0)), 0xFFFFFFFD); }},
        Damage{"SmallestImageHeight", [](auto& b) { Put32(b, Get32(b, EntryAt(0)) + 4, 0x80000000); }},
        Damage{"ThirtyTwoBitPixels", [](auto& b) { b.at(Get32(b, EntryAt(2)) + 15 - 1) = 16; }},
        Damage{"EightBitPixels",
               [](auto& b) { b.at(Get32(b, EntryAt(2)) + 12) = b.at(Get32(b, EntryAt(2)) + 13) = 0; }},
        // Entries sharing one record would let a small file claim pixels without bound.
        Damage{"RecordsClaimingMoreThanTheFile",
               [](auto& b) {
                   for (size_t i : {0, 2}) {
                       Put32(b, EntryAt(i), Get32(b, EntryAt(1)));
                       Put32(b, EntryAt(i) + 4, Get32(b, EntryAt(1) + 4));
                   }
               }},
        Damage{"NegativeImageNumber", [](auto& b) { Put16(b, kPlacement1 + 24, 0xFFFF); }},
        Damage{"ImageNumberPastTheImages", [](auto& b) { Put16(b, kPlacement1 + 24, 3); }},
        Damage{"PositionNotANumber", [](auto& b) { PutDouble(b, kPlacement0 + 8, std::nan("")); }},
        Damage{"PositionFarBeyondAnyWindow", [](auto& b) { PutDouble(b, kPlacement1 + 16, 1e300); }}),
    [](const ::testing::TestParamInfo<Damage>& instance) { return std::string(instance.param.name); });
