#include "EngineFixture.hpp"

#include "engine/ControlRouter.hpp"
#include "platform/KeyCodes.hpp"

namespace {

using engine::ControlRouter;
using platform::Key_LButton;
using platform::Key_Tab;

// Records what the router asks of the platform's pointer capture.
class PointerLog : public engine::PointerCapture {
public:
    void TakePointer() override { log.push_back("take"); }
    void ReleasePointer() override { log.push_back("release"); }
    std::vector<std::string> log;
};

class ControlRouterTest : public ::testing::Test {
protected:
    void TearDown() override {
        router.TakeAll();
        for (scene::OGraph* g : made) scene::OGraph::Release(g);
    }
    Probe* Add(const std::string& name, float x, float y, bool focusable = true) {
        auto* p = new Probe(name, x, y, 20, 20, focusable, log);
        made.push_back(p);
        p->SetOrder(router.Add(p));
        return p;
    }

    PointerLog pointer;
    ControlRouter router{pointer};
    std::vector<std::string> log;
    std::vector<scene::OGraph*> made;
};

TEST_F(ControlRouterTest, ControlsAreNumberedAfterTheSceneObjectsAndMoveUpWhenOneLeaves) {
    Probe* a = Add("a", 0, 0);
    Probe* b = Add("b", 0, 0);
    Probe* c = Add("c", 0, 0);
    EXPECT_EQ(a->Order(), 10001);
    EXPECT_EQ(c->Order(), 10003);
    router.Remove(b);
    EXPECT_EQ(router.Controls(), (std::vector<scene::OGraph*>{a, c}));
    EXPECT_EQ(c->Order(), 10002);
}

TEST_F(ControlRouterTest, TheCaptureTellsTheOldHolderThenThePlatformThenTheNewHolder) {
    Probe* a = Add("a", 0, 0);
    Probe* b = Add("b", 30, 0);
    router.SetCapture(a);
    router.SetCapture(a); // already held: nothing
    router.SetCapture(b);
    router.SetCapture(nullptr);
    EXPECT_EQ(
        log, (std::vector<std::string>{"a.capture:me", "a.capture:other", "b.capture:me", "b.capture:none"}));
    EXPECT_EQ(pointer.log, (std::vector<std::string>{"take", "take", "release"}));
}

TEST_F(ControlRouterTest, RemovingTheHolderDropsCaptureAndFocus) {
    Probe* a = Add("a", 0, 0);
    router.SetCapture(a);
    router.SetFocus(a);
    router.Remove(a);
    EXPECT_EQ(router.Capture(), nullptr);
    EXPECT_EQ(router.Focus(), nullptr);
    EXPECT_EQ(pointer.log, (std::vector<std::string>{"take", "release"}));
}

TEST_F(ControlRouterTest, MovesGoToTheCaptureOrElseToWhatIsHitUntilOneCaptures) {
    Probe* a = Add("a", 0, 0);
    Add("b", 10, 10);
    router.MouseMove(15, 15);
    EXPECT_EQ(log, (std::vector<std::string>{"a.move 15,15", "b.move 5,5"}));
    log.clear();
    router.SetCapture(a);
    log.clear();
    router.MouseMove(-3, 100);
    EXPECT_EQ(log, (std::vector<std::string>{"a.move -3,100"}));
}

TEST_F(ControlRouterTest, ButtonsNeedTheCaptureKeysTheFocusAndTabStartsTheFocus) {
    Probe* a = Add("a", 0, 0, false);
    Probe* b = Add("b", 40, 0);
    router.KeyDown(Key_LButton, 1, 1);
    router.KeyDown('A', 1, 1);
    router.Char('a');
    EXPECT_TRUE(log.empty());
    router.KeyDown(Key_Tab, 0, 0);
    EXPECT_EQ(router.Focus(), b) << "the unfocusable control is passed over";
    router.SetFocus(a);
    EXPECT_EQ(router.Focus(), b);
    router.SetCapture(a);
    log.clear();
    router.KeyDown(Key_LButton, 5, 6);
    router.KeyUp('A', 45, 2);
    router.Char('z');
    EXPECT_EQ(log, (std::vector<std::string>{"a.down 1 5,6", "b.up 65 5,2", "b.char z"}));
    router.FocusNext();
    EXPECT_EQ(router.Focus(), nullptr) << "past the last control the focus is none";
}

TEST_F(ControlRouterTest, KeyStepsWalkTheFocusableControlsBothWaysAndWrapAround) {
    using engine::FocusStep;
    using engine::SteppedFocus;
    Probe* a = Add("a", 0, 0);
    Probe* skip = Add("skip", 0, 0, false);
    Probe* b = Add("b", 0, 0);
    Probe* hidden = Add("hidden", 0, 0);
    Probe* c = Add("c", 0, 0);
    hidden->SetVisible(false);
    const std::vector<scene::OGraph*>& order = router.Controls();
    EXPECT_EQ(SteppedFocus(order, nullptr, FocusStep::Forward), a);
    EXPECT_EQ(SteppedFocus(order, nullptr, FocusStep::Backward), c);
    EXPECT_EQ(SteppedFocus(order, a, FocusStep::Forward), b) << "the unfocusable one is passed over";
    EXPECT_EQ(SteppedFocus(order, b, FocusStep::Forward), c) << "and so is the hidden one";
    EXPECT_EQ(SteppedFocus(order, c, FocusStep::Forward), a);
    EXPECT_EQ(SteppedFocus(order, a, FocusStep::Backward), c);
    EXPECT_EQ(SteppedFocus(order, c, FocusStep::Backward), b);
    // A focus outside the list starts the walk afresh; a focus on an entry that cannot take it
    // goes on from that entry's place.
    Probe outside("outside", 0, 0, 5, 5, true, log);
    EXPECT_EQ(SteppedFocus(order, &outside, FocusStep::Forward), a);
    EXPECT_EQ(SteppedFocus(order, skip, FocusStep::Forward), b);
    EXPECT_EQ(SteppedFocus(order, hidden, FocusStep::Backward), b);
    // The only control that can take the focus keeps it; with none, no control is named.
    EXPECT_EQ(SteppedFocus({skip, a, hidden}, a, FocusStep::Forward), a);
    EXPECT_EQ(SteppedFocus({skip, hidden}, nullptr, FocusStep::Backward), nullptr);
    EXPECT_EQ(SteppedFocus({}, a, FocusStep::Forward), nullptr);
    EXPECT_EQ(engine::FocusEntry(order, b), b);
    EXPECT_EQ(engine::FocusEntry(order, &outside), nullptr);
    EXPECT_EQ(engine::FocusEntry(order, nullptr), nullptr);
    // A control released meanwhile is passed over.
    std::vector<scene::OGraph*> withDead{a, b, c};
    router.Remove(b);
    made.erase(std::find(made.begin(), made.end(), b));
    scene::OGraph::Release(b);
    EXPECT_EQ(SteppedFocus(withDead, a, FocusStep::Forward), c);
    EXPECT_TRUE(log.empty()) << "stepping tells no control anything";
}

TEST_F(ControlRouterTest, ForgettingClearsHoldersWithoutTellingThem) {
    Probe* a = Add("a", 0, 0);
    router.SetCapture(a);
    router.SetFocus(a);
    log.clear();
    router.Forget();
    EXPECT_EQ(router.Capture(), nullptr);
    EXPECT_EQ(router.Focus(), nullptr);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(router.Claims(5, 5));
    EXPECT_FALSE(router.Claims(25, 5));
}

} // namespace
