#include "scene/OClip.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "ClipSamples.hpp"
#include "FakeHost.hpp"
#include "scene/OBitmap.hpp"

using scene::OBitmap;
using scene::OClip;
using scene::OGraph;
using scene::Rect;

namespace {

// Ticks the clip at 1000 ms, then every `step` ms, and records the frame shown after each.
std::vector<int> ShownFrames(OClip* clip, int ticks, uint32_t step = 100) {
  std::vector<int> shown;
  for (int i = 0; i < ticks && OGraph::IsLive(clip); ++i) {
    clip->Tick(1000 + step * static_cast<uint32_t>(i));
    if (OGraph::IsLive(clip)) shown.push_back(clip->ShownFrame());
  }
  return shown;
}

}  // namespace

TEST(OClipFrames, AClipWithoutFrameRateShowsItsFirstFrameForever) {
  FakeHost host;
  OClip* clip = LoadClip(SequenceClip(0, {{}, {}, {}}));
  ASSERT_NE(clip, nullptr);
  host.AddObject(clip);
  EXPECT_EQ(ShownFrames(clip, 6, 10000), (std::vector<int>{0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(clip->Frame(0)->IsVisible());
  EXPECT_FALSE(clip->Frame(1)->IsVisible());
  OGraph::Release(clip);
}

TEST(OClipFrames, FramesStepAtTheClipsOwnRateAndWrap) {
  FakeHost host;
  OClip* clip = LoadClip(SequenceClip(10, {{}, {}, {}}));
  ASSERT_NE(clip, nullptr);
  host.AddObject(clip);
  EXPECT_EQ(clip->NextFrame(), 1);
  EXPECT_EQ(ShownFrames(clip, 6), (std::vector<int>{0, 1, 2, 0, 1, 2}));
  // Only the shown frame is visible.
  EXPECT_FALSE(clip->Frame(0)->IsVisible());
  EXPECT_TRUE(clip->Frame(2)->IsVisible());
  OGraph::Release(clip);
}

TEST(OClipFrames, AOneFrameClipShowsItsFrameAgainAfterOneStep) {
  FakeHost host;
  OClip* clip = LoadClip(SequenceClip(10, {{}}));
  ASSERT_NE(clip, nullptr);
  host.AddObject(clip);
  clip->Tick(1000);
  host.notices.clear();
  clip->Tick(1099);
  EXPECT_TRUE(host.notices.empty());
  clip->Tick(1100);
  ASSERT_EQ(host.notices.size(), 2u);
  EXPECT_EQ(host.notices[0].mode, 1);
  EXPECT_EQ(host.notices[1].mode, 0);
  EXPECT_EQ(host.notices[1].origin, clip->Frame(0));
  EXPECT_EQ(host.notices[1].top, clip);
  OGraph::Release(clip);
}

TEST(OClipCommands, StopLoopAndStopAtSteerTheAnimation) {
  FakeHost host;
  OClip* stopping = LoadClip(SequenceClip(10, {{}, {1}, {}}));
  OClip* looping = LoadClip(SequenceClip(10, {{}, {3, 0}, {}, {}}));
  OClip* stopAt = LoadClip(SequenceClip(10, {{}, {4, 2}, {}, {}}));
  OClip* dangling = LoadClip(SequenceClip(10, {{}, {}, {3}}));  // Operand missing: ignored.
  ASSERT_TRUE(stopping && looping && stopAt && dangling);
  for (OClip* clip : {stopping, looping, stopAt, dangling}) host.AddObject(clip);

  EXPECT_EQ(ShownFrames(stopping, 5), (std::vector<int>{0, 1, 1, 1, 1}));
  EXPECT_TRUE(stopping->IsStopped());
  EXPECT_EQ(ShownFrames(looping, 5), (std::vector<int>{0, 1, 0, 1, 0}));
  EXPECT_EQ(ShownFrames(stopAt, 5), (std::vector<int>{0, 1, 2, 2, 2}));
  EXPECT_EQ(ShownFrames(dangling, 5), (std::vector<int>{0, 1, 2, 0, 1}));

  stopping->PlayFromFrame(2);
  EXPECT_EQ(ShownFrames(stopping, 2), (std::vector<int>{2, 0}));
  for (OClip* clip : {stopping, looping, stopAt, dangling}) OGraph::Release(clip);
}

TEST(OClipCommands, TheRemoveCommandReleasesTheClipFromItsOwnTick) {
  FakeHost host;
  OClip* clip = LoadClip(SequenceClip(10, {{}, {2, 1}, {}}));
  ASSERT_NE(clip, nullptr);
  host.AddObject(clip);
  OGraph* frame = clip->Frame(1);
  clip->Tick(1000);
  clip->Tick(1100);
  EXPECT_FALSE(OGraph::IsLive(clip));
  EXPECT_FALSE(OGraph::IsLive(frame));
  EXPECT_TRUE(host.graphs.empty());
}

TEST(OClipCommands, ARemoveCommandOnTheFirstFrameWaitsForTheNextTick) {
  FakeHost host;
  OClip* clip = LoadClip(SequenceClip(10, {{2}, {}}));
  ASSERT_NE(clip, nullptr);
  // Attaching runs the first frame's commands; the clip must outlive the call that attaches it.
  host.AddObject(clip);
  ASSERT_TRUE(OGraph::IsLive(clip));
  EXPECT_EQ(clip->Window(), &host);
  clip->Tick(1000);
  EXPECT_FALSE(OGraph::IsLive(clip));
  EXPECT_TRUE(host.graphs.empty());
}

TEST(OClipCommands, AStaticClipSurvivesItsRemoveCommand) {
  FakeHost host;
  OClip* clip = LoadClip(SequenceClip(10, {{}, {2, 1}}));
  ASSERT_NE(clip, nullptr);
  clip->SetStatic(true);
  host.AddObject(clip);
  ShownFrames(clip, 3);
  EXPECT_TRUE(OGraph::IsLive(clip));
  // Command 2 ends the list: the stop after it never ran.
  EXPECT_FALSE(clip->IsStopped());
  clip->SetStatic(false);
  OGraph::Release(clip);
}

TEST(OClipChildren, OnlyTheFirstChildStartsVisibleAndClipsRaiseTheFrameRate) {
  auto* clip = new OClip;
  auto* first = new OBitmap;
  auto* second = new OBitmap;
  auto* fast = new OClip;
  fast->SetFramesPerSecond(60);
  first->SetPosition(5, 0, 0);
  first->CreateBlank(10, 4);
  second->CreateBlank(3, 30);
  clip->AddChild(first);
  clip->AddChild(second);
  clip->AddChild(fast);
  EXPECT_TRUE(first->IsVisible());
  EXPECT_FALSE(second->IsVisible());
  EXPECT_FALSE(fast->IsVisible());
  EXPECT_EQ(clip->FrameCount(), 3);
  EXPECT_EQ(clip->FramesPerSecond(), 60);
  EXPECT_EQ(clip->Width(), 15);
  EXPECT_EQ(clip->Height(), 30);
  EXPECT_EQ(second->Parent(), clip);

  clip->RemoveChild(second);
  EXPECT_EQ(clip->FrameCount(), 2);
  EXPECT_EQ(second->Parent(), nullptr);
  EXPECT_EQ(clip->Frame(1), fast);
  OGraph::Release(clip);
  EXPECT_FALSE(OGraph::IsLive(fast));
  EXPECT_TRUE(OGraph::IsLive(second));
  OGraph::Release(second);
}

TEST(OClipChildren, RemovingFramesNeverLeavesTheCountersOutOfRange) {
  FakeHost host(16, 16);
  OClip* clip = LoadClip(SequenceClip(10, {{}, {}, {}}));
  ASSERT_NE(clip, nullptr);
  host.AddObject(clip);
  ShownFrames(clip, 2);
  ASSERT_EQ(clip->ShownFrame(), 1);
  ASSERT_EQ(clip->NextFrame(), 2);
  OGraph* last = clip->Frame(2);
  OGraph* shown = clip->Frame(1);
  clip->RemoveChild(last);
  clip->RemoveChild(shown);
  OGraph::Release(last);
  OGraph::Release(shown);
  // Shown frame 1 and next frame 2 now both lie past the single remaining frame.
  Rect all{0, 0, 16, 16};
  clip->Draw(&all);
  clip->Tick(5000);
  EXPECT_EQ(clip->ShownFrame(), 0);
  clip->Draw(&all);
  EXPECT_EQ(host.Pixel(0, 0), 0x10u);
  OGraph::Release(clip);
}

TEST(OClipDraw, DrawsOnlyTheShownFrame) {
  FakeHost host(10, 10);
  OClip* clip = LoadClip(SequenceClip(10, {{}, {}}));
  ASSERT_NE(clip, nullptr);
  clip->SetPosition(2, 3, 0);
  host.AddObject(clip);
  Rect all{0, 0, 10, 10};
  clip->Draw(&all);
  EXPECT_EQ(host.Pixel(2, 3), 0x10u);
  EXPECT_EQ(host.Pixel(5, 6), 0x10u);
  EXPECT_EQ(host.Pixel(6, 7), 0u);
  ShownFrames(clip, 2);
  all = {0, 0, 10, 10};
  clip->Draw(&all);
  EXPECT_EQ(host.Pixel(2, 3), 0x20u);
  OGraph::Release(clip);
}

TEST(OClipDraw, HidingAClipRepaintsItsShownFrameAndSilencesItsChildren) {
  FakeHost host;
  OClip* clip = LoadClip(SequenceClip(10, {{}, {}}));
  ASSERT_NE(clip, nullptr);
  clip->SetPosition(20, 0, 0);
  host.AddObject(clip);
  host.notices.clear();
  clip->SetVisible(false);
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0].mode, 1);
  EXPECT_EQ(host.notices[0].origin, clip->Frame(0));
  EXPECT_EQ(host.notices[0].rect, (Rect{20, 0, 24, 4}));

  host.notices.clear();
  ShownFrames(clip, 3);
  EXPECT_TRUE(host.notices.empty());
  clip->SetVisible(true);
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0].mode, 0);
  OGraph::Release(clip);
}

TEST(OClipGeometry, FramesFollowTheClipWhenItMovesOrIsAlignedInAParent) {
  OClip* clip = LoadClip(SequenceClip(0, {{}, {}}));
  ASSERT_NE(clip, nullptr);
  clip->SetPosition(7, 8, 0);
  EXPECT_EQ(clip->Frame(1)->X(), 7);
  clip->MoveWindowBy(1, 1, 0);
  EXPECT_EQ(clip->Frame(0)->Y(), 9);

  auto* parent = new OClip;
  parent->SetPosition(20, 30, 0);
  parent->SetSize(100, 50, 0);
  clip->SetAlignment(15);
  parent->AddChild(clip);
  EXPECT_EQ(clip->RelativeX(), 48);
  EXPECT_EQ(clip->RelativeY(), 23);
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
  EXPECT_EQ(ball->FrameCount(), 2);
  EXPECT_EQ(ball->FramesPerSecond(), 24);
  auto* original = dynamic_cast<OBitmap*>(prototype->Frame(1));
  auto* copy = dynamic_cast<OBitmap*>(ball->Frame(1));
  ASSERT_TRUE(original && copy);
  EXPECT_EQ(copy->Pixels(), original->Pixels());
  EXPECT_FALSE(copy->IsVisible());

  OGraph::Release(ball);
  EXPECT_TRUE(OGraph::IsLive(prototype));
  EXPECT_TRUE(OGraph::IsLive(original));
  EXPECT_EQ(prototype->FrameCount(), 2);
  EXPECT_EQ(original->ShareCount(), 0);

  prototype->SetStatic(false);
  OGraph::Release(prototype);
  EXPECT_FALSE(OGraph::IsLive(original));
}
