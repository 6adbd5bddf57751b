#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "FakeHost.hpp"
#include "scene/OClip.hpp"
#include "scene/OGraph.hpp"

using scene::OClip;
using scene::OGraph;
using scene::Rect;

TEST(OGraphLiveSet, ManyThreadsCreateTestAndReleaseAtOnce) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&failures] {
            for (int i = 0; i < 2000; ++i) {
                auto* object = new OGraph;
                failures +=
                    OGraph::IsLive(object) && OGraph::Release(object) && !OGraph::IsLive(object) ? 0 : 1;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_FALSE(OGraph::IsLive(nullptr));
}

TEST(OGraphMotion, HorizontalVelocityWaitsForTheFirstTickOthersDoNot) {
    OGraph sideways, falling;
    sideways.SetVelocity(2, 0, 0);
    falling.SetVelocity(1, 0, -3);
    sideways.Tick(100);
    falling.Tick(100);
    EXPECT_EQ(sideways.RelativeX(), 0);
    EXPECT_EQ(falling.RelativeX(), 1);
    EXPECT_EQ(falling.RelativeZ(), -3);
    sideways.Tick(120);
    EXPECT_EQ(sideways.RelativeX(), 2);
}

TEST(OGraphSharing, ASharedSourceLivesAsLongAsItsLastUserOrItsOwner) {
    auto* source = new OGraph;
    auto* first = new OGraph;
    auto* second = new OGraph;
    ASSERT_TRUE(first->CopyFrom(source));
    ASSERT_TRUE(second->CopyFrom(first)); // A copy of a copy shares the original.
    EXPECT_EQ(second->Source(), source);
    EXPECT_EQ(source->ShareCount(), 2);
    EXPECT_FALSE(source->CopyFrom(first)); // A source cannot become a copy itself.
    EXPECT_FALSE(OGraph::Release(source));
    OGraph::Release(first);
    EXPECT_TRUE(OGraph::IsLive(source));
    OGraph::Release(second);
    EXPECT_FALSE(OGraph::IsLive(source));

    // While its owner still holds it, a source outlives all of its users.
    auto* kept = new OGraph;
    auto* user = new OGraph;
    ASSERT_TRUE(user->CopyFrom(kept));
    OGraph::Release(user);
    EXPECT_TRUE(OGraph::Release(kept));
}

TEST(OGraphSharing, StaticObjectsSurviveReleaseAndLeaveADyingParent) {
    auto* parent = new OClip;
    auto* child = new OGraph;
    parent->AddChild(child);
    child->SetStatic(true);
    EXPECT_FALSE(OGraph::Release(child));
    EXPECT_EQ(child->Parent(), parent);
    OGraph::Release(parent);
    EXPECT_EQ(child->Parent(), nullptr);
    child->SetStatic(false);
    EXPECT_TRUE(OGraph::Release(child));
}

TEST(OGraphParents, AlignmentPlacesAChildInsideItsParent) {
    for (const auto& [alignment, x, y] : {std::tuple{13, 0, 10}, {14, 150, 10}, {15, 75, 10}, {8, 7, 20}}) {
        auto* parent = new OClip;
        parent->SetSize(200, 40, 0);
        auto* child = new OGraph;
        child->SetPosition(7, 3, 0);
        child->SetSize(50, 20, 0);
        child->SetAlignment(static_cast<uint8_t>(alignment));
        parent->AddChild(child);
        EXPECT_EQ(child->RelativeX(), x) << alignment;
        EXPECT_EQ(child->RelativeY(), y) << alignment;
        OGraph::Release(parent);
    }
}

TEST(OGraphParents, WindowPositionsAddEveryAncestorAndCyclesAreRefused) {
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
    EXPECT_EQ(leaf->Z(), 6);
    inner->AddChild(outer);
    outer->SetParent(leaf);
    EXPECT_EQ(outer->Parent(), nullptr);
    EXPECT_EQ(inner->FrameCount(), 1);
    OGraph::Release(outer);
    EXPECT_FALSE(OGraph::IsLive(leaf));
}

TEST(OGraphWindow, NotificationsAreClippedAndReleaseLeavesTheWindowUnlessItCloses) {
    FakeHost host;
    std::vector<OGraph*> objects{new OGraph, new OGraph, new OGraph};
    for (OGraph* object : objects) host.AddObject(object);
    objects[0]->SetSize(20, 20, 0);
    const Rect outside{100, 100, 120, 120}, partly{-5, 0, 15, 15};
    // Outside the object's bounds a notification reaches nobody; across them it reaches the
    // window clipped to them, as shown or hidden as it was sent.
    objects[0]->NotifyDisplay(objects[0], scene::Visibility::Shown, &outside);
    EXPECT_TRUE(host.notices.empty());
    objects[0]->NotifyDisplay(objects[0], scene::Visibility::Hidden, &partly);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].visibility, scene::Visibility::Hidden);
    EXPECT_EQ(host.notices[0].rect, (Rect{0, 0, 15, 15}));

    OGraph::Release(objects[1]);
    EXPECT_EQ(host.graphs, (std::vector<OGraph*>{objects[0], objects[2]}));
    EXPECT_EQ(objects[2]->Order(), 2);
    host.closing = true;
    OGraph::Release(objects[2]);
    EXPECT_EQ(host.graphs.size(), 2u);
    host.graphs.pop_back(); // A closing window drops its whole list itself.
    host.closing = false;
    OGraph::Release(objects[0]);
}
