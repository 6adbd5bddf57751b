#include "EngineFixture.hpp"

#include "engine/SceneList.hpp"

namespace {

using engine::SceneList;

// A scene object that counts its ticks.
class Ticking : public scene::OGraph {
public:
    void Tick(std::uint32_t) override { ++ticks; }
    int ticks = 0;
};

TEST(SceneList, ObjectsAreNumberedFromOneAndMoveUpWhenOneLeaves) {
    SceneList list;
    auto* a = new Ticking;
    auto* b = new Ticking;
    auto* c = new Ticking;
    for (Ticking* t : {a, b, c}) t->SetOrder(list.Add(t));
    EXPECT_EQ(c->Order(), 3);
    EXPECT_TRUE(list.Remove(b));
    EXPECT_FALSE(list.Remove(b)) << "no longer listed";
    EXPECT_EQ(list.Objects(), (std::vector<scene::OGraph*>{a, c}));
    EXPECT_EQ(a->Order(), 1);
    EXPECT_EQ(c->Order(), 2);
    list.Tick(0);
    EXPECT_EQ(a->ticks, 1);
    EXPECT_EQ(b->ticks, 0);
    EXPECT_EQ(c->ticks, 1);
    const std::vector<scene::OGraph*> taken = list.TakeAll();
    EXPECT_EQ(taken.size(), 2u);
    EXPECT_TRUE(list.Objects().empty());
    for (scene::OGraph* g :
         {static_cast<scene::OGraph*>(a), static_cast<scene::OGraph*>(b), static_cast<scene::OGraph*>(c)})
        SceneList::ReleaseFromWindow(g);
    EXPECT_FALSE(scene::OGraph::IsLive(a));
    EXPECT_FALSE(scene::OGraph::IsLive(b));
}

} // namespace
