#include <gtest/gtest.h>

#include <vector>

#include "ClipSamples.hpp"
#include "FakeHost.hpp"
#include "scene/OBitmap.hpp"
#include "scene/OClip.hpp"

using scene::OBitmap;
using scene::OClip;
using scene::OGraph;
using scene::Rect;

namespace {

// Ticks the clip at 1000 ms and then every `step` ms; the frame shown after each tick.
std::vector<int> ShownFrames(OClip* clip, int ticks, uint32_t step = 100) {
    std::vector<int> shown;
    for (int i = 0; i < ticks && OGraph::IsLive(clip); ++i) {
        clip->Tick(1000 + step * static_cast<uint32_t>(i));
        if (OGraph::IsLive(clip)) shown.push_back(clip->ShownFrame());
    }
    return shown;
}

// Loads the frames (command lists) at `rate` into a clip attached to `host`.
OClip* Attached(FakeHost& host, float rate, const std::vector<std::vector<int32_t>>& frames) {
    OClip* clip = LoadClip(SequenceClip(rate, frames));
    if (clip) host.AddObject(clip);
    return clip;
}

} // namespace

TEST(OClipFrames, FramesStepAtTheClipsRateAndARateOfZeroNeverSteps) {
    FakeHost host;
    OClip* still = Attached(host, 0, {{}, {}, {}});
    OClip* moving = Attached(host, 10, {{}, {}, {}});
    OClip* single = Attached(host, 10, {{}});
    ASSERT_TRUE(still && moving && single);
    EXPECT_EQ(ShownFrames(still, 4, 10000), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(ShownFrames(moving, 6), (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_TRUE(moving->Frame(2)->IsVisible());
    EXPECT_FALSE(moving->Frame(0)->IsVisible());

    // A one-frame clip shows its frame again once a whole step has passed.
    single->Tick(1000);
    host.notices.clear();
    single->Tick(1099);
    EXPECT_TRUE(host.notices.empty());
    single->Tick(1100);
    ASSERT_EQ(host.notices.size(), 2u);
    EXPECT_EQ(host.notices[0].visibility, scene::Visibility::Hidden);
    EXPECT_EQ(host.notices[1].visibility, scene::Visibility::Shown);
    EXPECT_EQ(host.notices[1].top, single);
    for (OClip* clip : {still, moving, single}) OGraph::Release(clip);
}

TEST(OClipCommands, StopLoopAndStopAtSteerTheAnimation) {
    FakeHost host;
    OClip* stopping = Attached(host, 10, {{}, {1}, {}});
    OClip* looping = Attached(host, 10, {{}, {3, 0}, {}, {}});
    OClip* stopAt = Attached(host, 10, {{}, {4, 2}, {}, {}});
    ASSERT_TRUE(stopping && looping && stopAt);
    EXPECT_EQ(ShownFrames(stopping, 4), (std::vector<int>{0, 1, 1, 1}));
    EXPECT_EQ(ShownFrames(looping, 5), (std::vector<int>{0, 1, 0, 1, 0}));
    EXPECT_EQ(ShownFrames(stopAt, 5), (std::vector<int>{0, 1, 2, 2, 2}));
    stopping->PlayFromFrame(2);
    EXPECT_EQ(ShownFrames(stopping, 2), (std::vector<int>{2, 0}));
    for (OClip* clip : {stopping, looping, stopAt}) OGraph::Release(clip);
}

TEST(OClipCommands, TheRemoveCommandReleasesTheClipFromItsOwnTick) {
    FakeHost host;
    OClip* clip = Attached(host, 10, {{}, {2, 1}, {}});
    ASSERT_NE(clip, nullptr);
    OGraph* frame = clip->Frame(1);
    EXPECT_EQ(ShownFrames(clip, 3), (std::vector<int>{0}));
    EXPECT_FALSE(OGraph::IsLive(clip));
    EXPECT_FALSE(OGraph::IsLive(frame));
    EXPECT_TRUE(host.graphs.empty());

    // On the first frame the command runs while the clip is being attached; the clip must
    // outlive the call that attaches it and goes at its next tick.
    clip = Attached(host, 10, {{2}, {}});
    ASSERT_TRUE(OGraph::IsLive(clip));
    EXPECT_EQ(clip->Window(), &host);
    clip->Tick(1000);
    EXPECT_FALSE(OGraph::IsLive(clip));
}

TEST(OClipChildren, OnlyTheFirstChildStartsVisibleAndClipsRaiseTheFrameRate) {
    auto* clip = new OClip;
    auto* first = new OBitmap;
    auto* fast = new OClip;
    fast->SetFramesPerSecond(60);
    first->SetPosition(5, 0, 0);
    first->CreateBlank(10, 30);
    clip->AddChild(first);
    clip->AddChild(fast);
    EXPECT_FALSE(fast->IsVisible());
    EXPECT_EQ(clip->FramesPerSecond(), 60);
    EXPECT_EQ(clip->Width(), 15);
    clip->RemoveChild(first);
    EXPECT_EQ(clip->FrameCount(), 1);
    EXPECT_EQ(first->Parent(), nullptr);
    OGraph::Release(clip);
    EXPECT_FALSE(OGraph::IsLive(fast));
    EXPECT_TRUE(OGraph::Release(first));
}

TEST(OClipChildren, RemovingFramesNeverLeavesTheCountersOutOfRange) {
    FakeHost host(16, 16);
    OClip* clip = Attached(host, 10, {{}, {}, {}});
    ASSERT_NE(clip, nullptr);
    ShownFrames(clip, 2);
    ASSERT_EQ(clip->ShownFrame(), 1);
    ASSERT_EQ(clip->NextFrame(), 2);
    for (int index : {2, 1}) {
        OGraph* frame = clip->Frame(index);
        clip->RemoveChild(frame);
        OGraph::Release(frame);
    }
    // Shown frame 1 and next frame 2 now both lie past the single remaining frame.
    Rect all{0, 0, 16, 16};
    clip->Draw(&all);
    clip->Tick(5000);
    EXPECT_EQ(clip->ShownFrame(), 0);
    clip->Draw(&all);
    EXPECT_EQ(host.Pixel(0, 0), 0x10u);
    OGraph::Release(clip);
}

TEST(OClipDraw, DrawsOnlyTheShownFrameAndHidingSilencesTheChildren) {
    FakeHost host(10, 10);
    OClip* clip = LoadClip(SequenceClip(10, {{}, {}}));
    ASSERT_NE(clip, nullptr);
    clip->SetPosition(2, 3, 0);
    host.AddObject(clip);
    Rect all{0, 0, 10, 10};
    clip->Draw(&all);
    EXPECT_EQ(host.Pixel(5, 6), 0x10u);
    EXPECT_EQ(host.Pixel(6, 7), 0u);
    ShownFrames(clip, 2);
    all = {0, 0, 10, 10};
    clip->Draw(&all);
    EXPECT_EQ(host.Pixel(2, 3), 0x20u);

    host.notices.clear();
    clip->SetVisible(false);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].visibility, scene::Visibility::Hidden);
    EXPECT_EQ(host.notices[0].origin, clip->Frame(1));
    EXPECT_EQ(host.notices[0].rect, (Rect{2, 3, 6, 7}));
    host.notices.clear();
    ShownFrames(clip, 3);
    EXPECT_TRUE(host.notices.empty());
    OGraph::Release(clip);
}

TEST(OClipGeometry, FramesFollowTheClipWhenItMovesOrIsAlignedInAParent) {
    OClip* clip = LoadClip(SequenceClip(0, {{}, {}}));
    ASSERT_NE(clip, nullptr);
    clip->SetPosition(7, 8, 0);
    clip->MoveWindowBy(1, 1, 0);
    EXPECT_EQ(clip->Frame(1)->X(), 8);
    auto* parent = new OClip;
    parent->SetPosition(20, 30, 0);
    parent->SetSize(100, 50, 0);
    clip->SetAlignment(15);
    parent->AddChild(clip);
    EXPECT_EQ(clip->RelativeX(), 48);
    // Parent position plus the centred relative position, moved once and not twice.
    EXPECT_EQ(clip->Frame(0)->X(), 68);
    EXPECT_EQ(clip->Frame(1)->Y(), 53);
    OGraph::Release(parent);
    EXPECT_FALSE(OGraph::IsLive(clip));
}

TEST(OClipClone, ClonesOfAStaticPrototypeShareItsPixels) {
    OClip* prototype = LoadClip(SequenceClip(24, {{}, {}}));
    ASSERT_NE(prototype, nullptr);
    prototype->SetStatic(true);
    auto* ball = dynamic_cast<OClip*>(prototype->Clone());
    ASSERT_NE(ball, nullptr);
    EXPECT_EQ(ball->FramesPerSecond(), 24);
    auto* original = dynamic_cast<OBitmap*>(prototype->Frame(1));
    auto* copy = dynamic_cast<OBitmap*>(ball->Frame(1));
    ASSERT_TRUE(original && copy);
    EXPECT_EQ(copy->Pixels(), original->Pixels());
    OGraph::Release(ball);
    EXPECT_EQ(prototype->FrameCount(), 2);
    EXPECT_EQ(original->ShareCount(), 0);
    prototype->SetStatic(false);
    OGraph::Release(prototype);
    EXPECT_FALSE(OGraph::IsLive(original));
}
