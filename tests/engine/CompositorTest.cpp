#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Compositor.hpp"

namespace {

using engine::Compositor;
using engine::OGraphNotify;
using scene::Rect;

// A scene object, attached to no window, that records the areas it is asked to draw.
class Painted : public scene::OGraph {
public:
    Painted(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) {}
    void Draw(Rect* clip) override {
        m_log.push_back(m_name + " " + std::to_string(clip->left) + "," + std::to_string(clip->top) + "," +
                        std::to_string(clip->right) + "," + std::to_string(clip->bottom));
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

class CompositorTest : public ::testing::Test {
protected:
    void SetUp() override { compositor.Allocate(100, 80, 0x0099CCFF); }
    void TearDown() override {
        for (scene::OGraph* g : made) scene::OGraph::Release(g);
    }
    Painted* Make(const std::string& name) {
        auto* p = new Painted(name, log);
        made.push_back(p);
        return p;
    }
    static OGraphNotify Shown(scene::OGraph* o, Rect r, float depth = 0, int order = 0) {
        return {o, order, o, r, depth, scene::Visibility::Shown};
    }
    static OGraphNotify Hidden(scene::OGraph* o, Rect r) {
        return {o, 0, o, r, 0, scene::Visibility::Hidden};
    }

    Compositor compositor;
    std::vector<std::string> log;
    std::vector<scene::OGraph*> made;
};

TEST_F(CompositorTest, UnusableNotificationsAreDropped) {
    Painted* a = Make("a");
    compositor.Notify(Shown(a, {}));
    compositor.Notify(Shown(nullptr, {0, 0, 5, 5}));
    EXPECT_TRUE(compositor.Pending().empty());
    EXPECT_TRUE(compositor.Compose().empty());
}

TEST_F(CompositorTest, AShownObjectIsPaintedWhereItIsAndFarOnesFirst) {
    Painted* near = Make("near");
    Painted* far = Make("far");
    compositor.Notify(Shown(near, {0, 0, 10, 10}, 1));
    compositor.Notify(Shown(far, {0, 0, 10, 10}, 5));
    EXPECT_EQ(compositor.Compose(), (std::vector<Rect>{{0, 0, 10, 10}}));
    EXPECT_EQ(log, (std::vector<std::string>{"far 0,0,10,10", "near 0,0,10,10"}));
    EXPECT_EQ(compositor.ShownCount(), 2u);
    log.clear();
    EXPECT_TRUE(compositor.Compose().empty()) << "nothing changed, nothing painted";
    EXPECT_TRUE(log.empty());
}

TEST_F(CompositorTest, AMovedObjectLeavesItsOldPlaceInTheSameFrame) {
    Painted* a = Make("a");
    compositor.Notify(Shown(a, {0, 0, 10, 10}));
    compositor.Compose();
    log.clear();
    compositor.Notify(Shown(a, {50, 50, 60, 60}));
    EXPECT_EQ(compositor.Compose(), (std::vector<Rect>{{0, 0, 10, 10}, {50, 50, 60, 60}}));
    EXPECT_EQ(log, (std::vector<std::string>{"a 50,50,60,60"}));
    compositor.Notify(Hidden(a, {50, 50, 60, 60}));
    log.clear();
    EXPECT_EQ(compositor.Compose(), (std::vector<Rect>{{50, 50, 60, 60}}));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(compositor.ShownCount(), 0u);
}

TEST_F(CompositorTest, AForgottenObjectIsNeverDrawnAgainAndItsPlaceIsRepainted) {
    Painted* a = Make("a");
    Painted* b = Make("b");
    compositor.Notify(Shown(a, {0, 0, 10, 10}));
    compositor.Compose();
    compositor.Notify(Shown(b, {20, 20, 30, 30}));
    compositor.Forget(a);
    compositor.Forget(b);
    log.clear();
    EXPECT_EQ(compositor.Compose(), (std::vector<Rect>{{0, 0, 10, 10}, {20, 20, 30, 30}}));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(compositor.ShownCount(), 0u);
}

TEST_F(CompositorTest, DirtyAreasAreClearedToTheBackgroundBeforeTheyArePainted) {
    const scene::BackBufferView view = compositor.View();
    view.row(5)[5 * 3] = 0;
    compositor.AddDirty({0, 0, 10, 10});
    EXPECT_EQ(compositor.Compose(), (std::vector<Rect>{{0, 0, 10, 10}}));
    EXPECT_EQ(view.row(5)[5 * 3], 0x99);
    EXPECT_TRUE(compositor.Dirty().Empty());
}

TEST_F(CompositorTest, DroppedNotificationsShowNothing) {
    Painted* a = Make("a");
    compositor.Notify(Shown(a, {0, 0, 10, 10}));
    compositor.DropPending();
    EXPECT_TRUE(compositor.Compose().empty());
    EXPECT_EQ(compositor.ShownCount(), 0u);
}

} // namespace
