#include "UiFixture.hpp"

#include "engine/ControlEvents.hpp"
#include "platform/KeyCodes.hpp"
#include "ui/OButton.hpp"
#include "ui/OCheckbox.hpp"

namespace {

using engine::Event_Click;
using platform::Key_LButton;
using platform::Key_Tab;
using ui::OButton;
using ui::OCheckbox;
using uitest::EventWindow;
using Codes = std::vector<int>;

class Checkbox : public uitest::UiTest {
protected:
    OCheckbox* AddCheckbox(EventWindow* w, float x, float y) {
        auto* box = new OCheckbox(nullptr, nullptr, true);
        box->SetPosition(x, y, box->RelativeZ());
        w->AddObject(box);
        return box;
    }
    void Click(EventWindow* w, int x, int y) {
        w->MouseMove(x, y);
        w->KeyDown(Key_LButton, x, y);
        w->KeyUp(Key_LButton, x, y);
    }
};

TEST_F(Checkbox, FourClicksReturnToTheFirstStateAndTheWindowSeesEachClickFirst) {
    EventWindow* w = MakeWindow();
    OCheckbox* box = AddCheckbox(w, 50, 50);
    std::vector<int> indexAtClick;
    w->onEvent = [&](engine::WindowControl* sender, int code) {
        if (code == Event_Click && sender == box) indexAtClick.push_back(box->CurrentIndex());
    };
    std::vector<int> after;
    for (int i = 0; i < 4; ++i) {
        Click(w, 55, 55);
        after.push_back(box->CurrentIndex());
    }
    EXPECT_EQ(indexAtClick, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(after, (std::vector<int>{1, 0, 1, 0}));
    EXPECT_TRUE(box->Frame(0)->IsVisible());
    EXPECT_FALSE(box->Frame(1)->IsVisible());
    for (const auto& [sender, code] : w->events) EXPECT_EQ(sender, box) << "code " << code;
}

TEST_F(Checkbox, TheDefaultStatesShowFramesZeroToTwoAndThreeToFive) {
    EventWindow* w = MakeWindow();
    OCheckbox* box = AddCheckbox(w, 50, 50);
    EXPECT_EQ(box->StateCount(), 2);
    EXPECT_EQ(box->Width(), 20);
    EXPECT_EQ(Pixel(w, 55, 55), 0x101010u);
    w->MouseMove(55, 55);
    EXPECT_EQ(Pixel(w, 55, 55), 0x202020u);
    w->KeyDown(Key_LButton, 55, 55);
    EXPECT_EQ(Pixel(w, 55, 55), 0x303030u);
    w->KeyUp(Key_LButton, 55, 55);
    EXPECT_EQ(Pixel(w, 55, 55), 0x505050u) << "the second state, focused";
    w->MouseMove(300, 200);
    w->SetFocusControl(nullptr);
    EXPECT_EQ(Pixel(w, 55, 55), 0x404040u);
}

TEST_F(Checkbox, AnAnimatedDefaultSkinKeepsEachStateToItsOwnThreeFrames) {
    WriteSkin("def_cbox.clp", 20, 20, {0x101010, 0x202020, 0x303030, 0x404040, 0x505050, 0x606060}, 10);
    EventWindow* w = MakeWindow();
    OCheckbox* box = AddCheckbox(w, 50, 50);
    auto* first = dynamic_cast<OButton*>(box->Frame(0));
    auto* second = dynamic_cast<OButton*>(box->Frame(1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    for (OButton* state : {first, second})
        for (scene::OClip* image : {state->NormalImage(), state->HoverImage(), state->PressedImage()})
            EXPECT_EQ(image->FrameCount(), 1);

    // Pressed and held through a whole second of frames, the unchecked box shows frame 2 only.
    w->MouseMove(55, 55);
    w->KeyDown(Key_LButton, 55, 55);
    std::vector<std::uint32_t> shown;
    for (std::uint32_t time = 1000; time <= 2000; time += 100) {
        w->Tick(time);
        shown.push_back(Pixel(w, 55, 55));
    }
    EXPECT_EQ(shown, std::vector<std::uint32_t>(shown.size(), 0x303030u));
    w->KeyUp(Key_LButton, 55, 55);
    EXPECT_EQ(box->CurrentIndex(), 1);
    w->MouseMove(56, 56);
    w->KeyDown(Key_LButton, 56, 56);
    w->Tick(2100);
    w->Tick(2200);
    EXPECT_EQ(Pixel(w, 55, 55), 0x606060u) << "the checked box pressed";
}

TEST_F(Checkbox, FocusAndCaptureAreHandedToTheCurrentState) {
    EventWindow* w = MakeWindow();
    OCheckbox* box = AddCheckbox(w, 50, 50);
    w->MouseMove(55, 55);
    EXPECT_EQ(w->CaptureControl(), box->CurrentStateControl());
    EXPECT_EQ(w->FocusControl(), box->CurrentStateControl());

    box->SetState(1);
    ASSERT_EQ(box->CurrentStateControl(), dynamic_cast<ui::OControl*>(box->Frame(1)));
    EXPECT_EQ(w->FocusControl(), box->CurrentStateControl());
    EXPECT_EQ(w->CaptureControl(), box->CurrentStateControl());
    EXPECT_EQ(box->CurrentStateControl()->State() & ui::OControl::kFocused, ui::OControl::kFocused);

    w->SetFocusControl(nullptr);
    w->SetFocusControl(box);
    EXPECT_EQ(w->FocusControl(), box->CurrentStateControl()) << "focusing the box focuses its state";
    w->SetCaptureControl(box);
    EXPECT_EQ(w->CaptureControl(), box->CurrentStateControl()) << "capturing the box captures its state";
}

TEST_F(Checkbox, TabLeavesTheBoxForTheNextControl) {
    EventWindow* w = MakeWindow();
    OCheckbox* box = AddCheckbox(w, 50, 50);
    auto* after = new OButton("", "", "", "", true, "CLP\\def_btn.clp");
    after->SetPosition(50, 100, after->RelativeZ());
    w->AddObject(after);
    w->KeyDown(Key_Tab, 0, 0);
    EXPECT_EQ(w->FocusControl(), box->CurrentStateControl());
    w->KeyDown(Key_Tab, 0, 0);
    EXPECT_EQ(w->FocusControl(), after);
}

TEST_F(Checkbox, IndicesOutsideTheStatesMeanTheFirstAndTextGoesToEveryState) {
    auto* first = new OButton("", "", "", "", false, "CLP\\def_btn.clp");
    auto* second = new OButton("", "", "", "", false, "CLP\\def_btn.clp");
    auto* box = new OCheckbox(first, second, false);
    EXPECT_EQ(box->Frame(0), first);
    EXPECT_EQ(box->Frame(1), second);
    box->SetState(1);
    EXPECT_EQ(box->CurrentIndex(), 1);
    box->SetState(7);
    EXPECT_EQ(box->CurrentIndex(), 0);
    box->SetState(-3);
    EXPECT_EQ(box->CurrentIndex(), 0);
    box->SetText("Fast");
    EXPECT_EQ(first->GetText(), "Fast");
    EXPECT_EQ(second->GetText(), "Fast");
    EXPECT_EQ(box->GetText(), "Fast");
    box->SetState(1);
    auto* copy = dynamic_cast<OCheckbox*>(box->Clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->CurrentIndex(), 1);
    EXPECT_EQ(copy->StateCount(), 2);
    EXPECT_NE(copy->Frame(1), second);
    scene::OGraph::Release(box);
    scene::OGraph::Release(copy);
}

TEST_F(Checkbox, AHalfGivenPairIsReplacedByTheDefaultStates) {
    // A button that reports its own destruction.
    struct Tracked : OButton {
        explicit Tracked(bool& gone) : OButton("", "", "", "", false, "CLP\\def_btn.clp"), m_gone(gone) {}
        ~Tracked() override { m_gone = true; }
        bool& m_gone;
    };
    bool gone = false;
    auto* given = new Tracked(gone);
    auto* box = new OCheckbox(given, nullptr, false);
    EXPECT_TRUE(gone) << "the unused state is released, not leaked";
    EXPECT_EQ(box->StateCount(), 2);
    scene::OGraph::Release(box);
}

} // namespace
