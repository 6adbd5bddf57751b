#include "scene/OGraph.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "FakeHost.hpp"
#include "scene/OClip.hpp"

using scene::OClip;
using scene::OGraph;
using scene::Rect;

TEST(OGraphLiveSet, ObjectsAreLiveFromConstructionUntilReleased) {
  EXPECT_FALSE(OGraph::IsLive(nullptr));
  auto* object = new OGraph;
  EXPECT_TRUE(OGraph::IsLive(object));
  EXPECT_TRUE(OGraph::Release(object));
  EXPECT_FALSE(OGraph::IsLive(object));
  // Releasing a freed pointer again is ignored rather than freeing twice.
  EXPECT_FALSE(OGraph::Release(object));
}

TEST(OGraphLiveSet, ManyThreadsCreateTestAndReleaseAtOnce) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures] {
      std::vector<OGraph*> mine;
      for (int i = 0; i < 2000; ++i) {
        mine.push_back(new OGraph);
        if (!OGraph::IsLive(mine.back())) ++failures;
        if (i % 3 == 0) {
          OGraph* gone = mine.front();
          mine.erase(mine.begin());
          OGraph::Release(gone);
        }
      }
      for (OGraph* object : mine) {
        if (!OGraph::IsLive(object)) ++failures;
        OGraph::Release(object);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

TEST(OGraphMotion, HorizontalVelocityWaitsForTheFirstTickOthersDoNot) {
  OGraph sideways;
  sideways.SetVelocity(2, 0, 0);
  sideways.Tick(100);
  EXPECT_EQ(sideways.RelativeX(), 0);
  sideways.Tick(120);
  sideways.Tick(140);
  EXPECT_EQ(sideways.RelativeX(), 4);
  EXPECT_EQ(sideways.LastTick(), 140u);

  OGraph falling;
  falling.SetVelocity(1, 3, 0);
  falling.Tick(100);
  EXPECT_EQ(falling.RelativeX(), 1);
  EXPECT_EQ(falling.RelativeY(), 3);

  OGraph sinking;
  sinking.SetVelocity(0, 0, -1);
  sinking.Tick(7);
  EXPECT_EQ(sinking.RelativeZ(), -1);
}

TEST(OGraphMotion, PositionsMoveWindowCoordinatesByTheRelativeChange) {
  OGraph object;
  object.MoveWindowBy(100, 50, 0);
  EXPECT_EQ(object.X(), 100);
  EXPECT_EQ(object.RelativeX(), 0);
  object.SetPosition(10, 5, 2);
  EXPECT_EQ(object.X(), 110);
  EXPECT_EQ(object.Y(), 55);
  EXPECT_EQ(object.Z(), 2);
  object.MoveBy(1, 1, 1);
  EXPECT_EQ(object.RelativeX(), 11);
  EXPECT_EQ(object.X(), 111);
  object.RestoreGeometry();
  EXPECT_EQ(object.RelativeX(), 10);
  EXPECT_EQ(object.X(), 110);
}

TEST(OGraphSharing, ASharedSourceLivesAsLongAsItsLastUser) {
  auto* source = new OGraph;
  auto* first = new OGraph;
  auto* second = new OGraph;
  ASSERT_TRUE(first->CopyFrom(source));
  ASSERT_TRUE(second->CopyFrom(source));
  EXPECT_EQ(source->ShareCount(), 2);

  EXPECT_FALSE(OGraph::Release(source));
  EXPECT_TRUE(OGraph::IsLive(source));
  OGraph::Release(first);
  EXPECT_TRUE(OGraph::IsLive(source));
  EXPECT_EQ(source->ShareCount(), 1);
  OGraph::Release(second);
  EXPECT_FALSE(OGraph::IsLive(source));
}

TEST(OGraphSharing, CopiesTakeTheOriginalSourceAndItsState) {
  auto* source = new OGraph;
  source->SetPosition(3, 4, 5);
  source->SetSize(20, 10, 1);
  source->SetColourKey(0xFF00FF);
  source->SetBlend(77);
  source->SetAlignment(15);
  source->Items() = {1, 2, 3};
  auto* copy = new OGraph;
  auto* copyOfCopy = new OGraph;
  ASSERT_TRUE(copy->CopyFrom(source));
  ASSERT_TRUE(copyOfCopy->CopyFrom(copy));

  EXPECT_EQ(copyOfCopy->Source(), source);
  EXPECT_EQ(source->ShareCount(), 2);
  EXPECT_EQ(copy->ShareCount(), 0);
  EXPECT_EQ(copyOfCopy->RelativeY(), 4);
  EXPECT_EQ(copyOfCopy->Width(), 20);
  EXPECT_EQ(copyOfCopy->ColourKey(), 0xFF00FFu);
  EXPECT_EQ(copyOfCopy->BlendLevel(), 77);
  EXPECT_EQ(copyOfCopy->Items(), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(copyOfCopy->Alignment(), 15);

  // An object others share from cannot itself become a copy, nor copy from a missing object.
  auto* other = new OGraph;
  EXPECT_FALSE(source->CopyFrom(other));
  EXPECT_FALSE(other->CopyFrom(nullptr));
  EXPECT_FALSE(other->CopyFrom(other));

  OGraph::Release(other);
  OGraph::Release(copy);
  OGraph::Release(copyOfCopy);
  EXPECT_FALSE(OGraph::IsLive(source));
}

TEST(OGraphSharing, StaticObjectsSurviveReleaseAndLeaveADyingParent) {
  auto* parent = new OClip;
  auto* child = new OGraph;
  parent->AddChild(child);
  child->SetStatic(true);
  EXPECT_FALSE(OGraph::Release(child));
  EXPECT_TRUE(OGraph::IsLive(child));
  EXPECT_EQ(child->Parent(), parent);

  OGraph::Release(parent);
  EXPECT_TRUE(OGraph::IsLive(child));
  EXPECT_EQ(child->Parent(), nullptr);
  EXPECT_FALSE(child->IsVisible());
  child->SetStatic(false);
  EXPECT_TRUE(OGraph::Release(child));
}

TEST(OGraphAlignment, AlignedChildrenSitInsideTheirParent) {
  struct Case {
    uint8_t alignment;
    float x;
    float y;
  };
  for (const Case& c : {Case{13, 0, 10}, Case{14, 150, 10}, Case{15, 75, 10}, Case{8, 7, 20}}) {
    auto* parent = new OClip;
    parent->SetSize(200, 40, 0);
    auto* child = new OGraph;
    child->SetPosition(7, 3, 0);
    child->SetSize(50, 20, 0);
    child->SetAlignment(c.alignment);
    parent->AddChild(child);
    EXPECT_EQ(child->RelativeX(), c.x) << int{c.alignment};
    EXPECT_EQ(child->RelativeY(), c.y) << int{c.alignment};
    OGraph::Release(parent);
  }
}

TEST(OGraphAlignment, NothingMovesWithoutParentOrSize) {
  OGraph lone;
  lone.SetPosition(5, 5, 0);
  lone.SetAlignment(15);
  lone.SetSize(10, 10, 0);
  EXPECT_EQ(lone.RelativeX(), 5);

  auto* parent = new OClip;
  parent->SetSize(100, 100, 0);
  auto* flat = new OGraph;
  flat->SetPosition(5, 5, 0);
  flat->SetAlignment(15);
  flat->SetSize(10, 0, 0);
  parent->AddChild(flat);
  EXPECT_EQ(flat->RelativeX(), 5);
  OGraph::Release(parent);
}

TEST(OGraphParents, WindowPositionAddsEveryAncestor) {
  FakeHost host;
  auto* outer = new OClip;
  auto* inner = new OClip;
  auto* leaf = new OGraph;
  outer->SetPosition(100, 200, 1);
  inner->SetPosition(10, 20, 2);
  leaf->SetPosition(1, 2, 3);
  inner->AddChild(leaf);
  outer->AddChild(inner);
  host.AddObject(outer);
  EXPECT_EQ(leaf->X(), 111);
  EXPECT_EQ(leaf->Y(), 222);
  EXPECT_EQ(leaf->Z(), 6);
  OGraph::Release(outer);
  EXPECT_FALSE(OGraph::IsLive(leaf));
}

TEST(OGraphParents, AParentCycleIsRefused) {
  auto* outer = new OClip;
  auto* inner = new OClip;
  outer->AddChild(inner);
  inner->AddChild(outer);
  inner->AddChild(inner);
  EXPECT_EQ(outer->Parent(), nullptr);
  EXPECT_EQ(inner->FrameCount(), 0);
  outer->SetParent(inner);
  EXPECT_EQ(outer->Parent(), nullptr);
  OGraph::Release(outer);
}

TEST(OGraphNotify, NotificationsAreClippedToTheObjectAndReachTheWindow) {
  FakeHost host;
  auto* object = new OGraph;
  object->SetPosition(10, 10, 0);
  object->SetSize(20, 20, 0);
  host.AddObject(object);
  host.notices.clear();

  bool done = false;
  const Rect outside{100, 100, 120, 120};
  object->NotifyDisplay(object, done, 0, &outside);
  EXPECT_FALSE(done);
  EXPECT_TRUE(host.notices.empty());

  const Rect partly{0, 0, 15, 15};
  object->NotifyDisplay(object, done, 1, &partly);
  EXPECT_TRUE(done);
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0].rect, (Rect{10, 10, 15, 15}));
  EXPECT_EQ(host.notices[0].mode, 1);
  EXPECT_EQ(host.notices[0].top, object);

  // Without a window or parent the notification simply ends.
  OGraph lone;
  done = false;
  lone.NotifyDisplay(&lone, done, 0, nullptr);
  EXPECT_TRUE(done);
  OGraph::Release(object);
}

TEST(OGraphWindow, ReleaseLeavesTheWindowUnlessItIsClosing) {
  FakeHost host;
  auto* first = new OGraph;
  auto* second = new OGraph;
  auto* third = new OGraph;
  host.AddObject(first);
  host.AddObject(second);
  host.AddObject(third);
  EXPECT_EQ(third->Order(), 3);
  OGraph::Release(second);
  EXPECT_EQ(host.graphs, (std::vector<OGraph*>{first, third}));
  EXPECT_EQ(third->Order(), 2);

  host.closing = true;
  const int callsBefore = host.removeCalls;
  OGraph::Release(third);
  EXPECT_EQ(host.removeCalls, callsBefore);
  // A closing window drops its whole list itself.
  host.graphs.pop_back();
  host.closing = false;
  OGraph::Release(first);
}

TEST(OGraphWindow, MovingToAnotherWindowLeavesTheFirst) {
  FakeHost a;
  FakeHost b;
  auto* object = new OGraph;
  a.AddObject(object);
  b.AddObject(object);
  EXPECT_TRUE(a.graphs.empty());
  EXPECT_EQ(object->Window(), &b);
  OGraph::Release(object);
  EXPECT_TRUE(b.graphs.empty());
}
