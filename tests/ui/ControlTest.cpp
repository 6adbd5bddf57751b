#include "UiFixture.hpp"

#include "engine/ControlEvents.hpp"
#include "platform/KeyCodes.hpp"
#include "ui/OButton.hpp"
#include "ui/OGroup.hpp"
#include "scene/OBitmap.hpp"

namespace {

using engine::Event_Captured;
using engine::Event_Click;
using engine::Event_EnterPressed;
using engine::Event_EnterReleased;
using engine::Event_FocusGained;
using engine::Event_FocusLost;
using engine::Event_MouseEntered;
using engine::Event_MouseLeft;
using engine::Event_MousePressed;
using engine::Event_MouseReleased;
using engine::Event_Released;
using platform::Key_LButton;
using platform::Key_Return;
using platform::Key_Tab;
using ui::OButton;
using ui::OControl;
using uitest::EventWindow;
using Codes = std::vector<int>;

class Control : public uitest::UiTest {
protected:
    // A focusable button over the default skin (80 x 30) at (x, y).
    OButton* AddButton(EventWindow* w, float x, float y, bool focusable = true) {
        auto* b = new OButton("OK", "", "", "", focusable, "CLP\\def_btn.clp");
        b->SetPosition(x, y, b->RelativeZ());
        w->AddObject(b);
        return b;
    }
};

TEST_F(Control, MouseOntoAFocusableControlCapturesFocusesAndEntersAndOffLeavesAndReleases) {
    EventWindow* w = MakeWindow();
    OButton* b = AddButton(w, 50, 50);
    w->MouseMove(60, 60);
    EXPECT_EQ(w->Codes(b), (Codes{Event_Captured, Event_FocusGained, Event_MouseEntered}));
    EXPECT_EQ(w->CaptureControl(), b);
    EXPECT_EQ(w->FocusControl(), b);

    w->events.clear();
    w->MouseMove(10, 10);
    EXPECT_EQ(w->Codes(b), (Codes{Event_MouseLeft, Event_Released}));
    EXPECT_EQ(w->CaptureControl(), nullptr);
    EXPECT_EQ(w->FocusControl(), b) << "the focus stays where the mouse left it";
}

TEST_F(Control, PressDragOutReleaseIsNoClickButReleaseInsideIs) {
    EventWindow* w = MakeWindow();
    OButton* b = AddButton(w, 50, 50);
    w->MouseMove(60, 60);
    w->events.clear();
    w->KeyDown(Key_LButton, 60, 60);
    w->MouseMove(200, 200);
    w->KeyUp(Key_LButton, 200, 200);
    EXPECT_EQ(w->Codes(b), (Codes{Event_MousePressed, Event_MouseLeft, Event_MouseReleased}));
    EXPECT_EQ(w->CaptureControl(), b) << "the capture ends with the next move outside";
    w->MouseMove(201, 200);
    EXPECT_EQ(w->CaptureControl(), nullptr);

    w->MouseMove(60, 60);
    w->events.clear();
    w->KeyDown(Key_LButton, 60, 60);
    w->KeyUp(Key_LButton, 61, 60);
    EXPECT_EQ(w->Codes(b), (Codes{Event_MousePressed, Event_MouseReleased, Event_Click}));
}

TEST_F(Control, EnterOnTheFocusedButtonClicksOnRelease) {
    EventWindow* w = MakeWindow();
    OButton* b = AddButton(w, 50, 50);
    w->FocusNext();
    ASSERT_EQ(w->FocusControl(), b);
    w->events.clear();
    w->KeyDown(Key_Return, 0, 0);
    EXPECT_EQ(w->Codes(b), (Codes{Event_EnterPressed}));
    w->KeyUp(Key_Return, 0, 0);
    EXPECT_EQ(w->Codes(b), (Codes{Event_EnterPressed, Event_EnterReleased, Event_Click}));
}

TEST_F(Control, InputThroughTheWindowProcedureReachesTheButton) {
    EventWindow* w = MakeWindow();
    OButton* b = AddButton(w, 50, 50);
    driver.Click(w, 70, 60);
    EXPECT_EQ(w->Codes(b), (Codes{Event_Captured, Event_FocusGained, Event_MouseEntered, Event_MousePressed,
                                  Event_MouseReleased, Event_Click}));
}

TEST_F(Control, TabWalksTheFocusableControlsInListOrderThenNone) {
    EventWindow* w = MakeWindow();
    OButton* a = AddButton(w, 0, 0);
    AddButton(w, 0, 40, false);
    OButton* c = AddButton(w, 0, 80);
    w->KeyDown(Key_Tab, 0, 0);
    EXPECT_EQ(w->FocusControl(), a);
    w->KeyDown(Key_Tab, 0, 0);
    EXPECT_EQ(w->FocusControl(), c) << "the control that is not focusable is skipped";
    w->KeyDown(Key_Tab, 0, 0);
    EXPECT_EQ(w->FocusControl(), nullptr);
    w->KeyDown(Key_Tab, 0, 0);
    EXPECT_EQ(w->FocusControl(), a);
    EXPECT_EQ(w->Codes(a), (Codes{Event_FocusGained, Event_FocusLost, Event_FocusGained}));
    EXPECT_EQ(w->Codes(c), (Codes{Event_FocusGained, Event_FocusLost}));
}

TEST_F(Control, HidingAControlClearsFocusAndCaptureWhoeverHeldThem) {
    EventWindow* w = MakeWindow();
    OButton* a = AddButton(w, 0, 0);
    OButton* b = AddButton(w, 0, 100);
    w->MouseMove(10, 10);
    ASSERT_EQ(w->CaptureControl(), a);
    ASSERT_EQ(w->FocusControl(), a);
    b->SetVisible(false);
    EXPECT_EQ(w->CaptureControl(), nullptr);
    EXPECT_EQ(w->FocusControl(), nullptr);
    EXPECT_EQ(a->State(), 0) << "the old holder was told";

    w->MouseMove(10, 110);
    EXPECT_EQ(w->CaptureControl(), nullptr) << "a hidden control is not hit";
}

TEST_F(Control, MovingAFocusedControlKeepsItsFocusAndCapture) {
    EventWindow* w = MakeWindow();
    OButton* a = AddButton(w, 0, 0);
    w->MouseMove(10, 10);
    w->events.clear();
    a->MoveBy(5, 0, 0);
    EXPECT_EQ(w->FocusControl(), a);
    EXPECT_EQ(w->CaptureControl(), a);
    EXPECT_TRUE(w->events.empty());
}

TEST_F(Control, AHandlerThatHidesTheControlOnAClickGetsEachEventOnce) {
    EventWindow* w = MakeWindow();
    OButton* b = AddButton(w, 50, 50);
    w->onEvent = [&](engine::WindowControl*, int code) {
        if (code == Event_Click) b->SetVisible(false);
    };
    w->MouseMove(60, 60);
    w->KeyDown(Key_LButton, 60, 60);
    w->KeyUp(Key_LButton, 60, 60);
    EXPECT_EQ(w->Codes(b),
              (Codes{Event_Captured, Event_FocusGained, Event_MouseEntered, Event_MousePressed,
                     Event_MouseReleased, Event_Click, Event_MouseLeft, Event_Released, Event_FocusLost}));
}

TEST_F(Control, AHandlerThatReleasesTheControlOnAClickEndsItsEventsSafely) {
    EventWindow* w = MakeWindow();
    OButton* b = AddButton(w, 50, 50);
    w->onEvent = [&](engine::WindowControl*, int code) {
        if (code == Event_Click) scene::OGraph::Release(b);
    };
    w->MouseMove(60, 60);
    w->KeyDown(Key_LButton, 60, 60);
    w->KeyUp(Key_LButton, 60, 60);
    EXPECT_FALSE(scene::OGraph::IsLive(b));
    EXPECT_EQ(w->CaptureControl(), nullptr);
    EXPECT_EQ(w->FocusControl(), nullptr);
    EXPECT_TRUE(w->Controls().empty());
    EXPECT_EQ(w->events.back().second, Event_Click) << "a control being released sends nothing more";
}

TEST_F(Control, SoundsPlayOnEnteringAndOnClickingOnly) {
    EventWindow* w = MakeWindow();
    OButton* b = AddButton(w, 50, 50);
    b->SetSounds("WAV\\over.wav", "WAV\\click.wav");
    w->MouseMove(60, 60);
    w->KeyDown(Key_LButton, 60, 60);
    w->KeyUp(Key_LButton, 60, 60);
    w->MouseMove(300, 300);
    const std::string wav = folder.string() + "/WAV/";
    EXPECT_EQ(headless->Sounds(), (std::vector<std::string>{wav + "over.wav", wav + "click.wav"}));

    b->SetSounds(std::nullopt, std::nullopt);
    w->MouseMove(60, 60);
    EXPECT_EQ(headless->Sounds().size(), 2u);
}

TEST_F(Control, EventsOfAChildControlReachTheWindowThroughItsParentControl) {
    EventWindow* w = MakeWindow();
    auto* outer = new OControl;
    auto* inner = new OButton("", "", "", "", true, "CLP\\def_btn.clp");
    outer->AddChild(inner);
    w->AddObject(outer);
    inner->OnFocusChange(inner);
    EXPECT_EQ(w->Codes(inner), (Codes{Event_FocusGained})) << "the sender stays the control that changed";

    auto* group = new ui::OGroup;
    auto* orphan = new OButton("", "", "", "", true, "CLP\\def_btn.clp");
    group->AddChild(orphan);
    w->AddObject(group);
    orphan->OnFocusChange(orphan);
    EXPECT_EQ(w->Codes(orphan), Codes{}) << "a parent that is no control ends the event";
}

TEST_F(Control, GroupsShowEveryChildGrowToCoverThemAndTickAtTheFastestChildRate) {
    EventWindow* w = MakeWindow();
    auto* group = new ui::OGroup;
    auto* a = new scene::OBitmap;
    a->CreateBlank(30, 20);
    auto* clip = new scene::OClip;
    clip->SetFramesPerSecond(10);
    auto* b = new scene::OClip;
    b->SetFramesPerSecond(4);
    a->SetPosition(10, 5, 0);
    b->SetPosition(50, 0, 0);
    b->SetSize(10, 40, 0);
    b->SetVisible(false);
    group->AddChild(a);
    group->AddChild(clip);
    group->AddChild(b);
    EXPECT_TRUE(a->IsVisible());
    EXPECT_TRUE(clip->IsVisible());
    EXPECT_FALSE(b->IsVisible()) << "adding keeps the child's visibility";
    EXPECT_EQ(group->Width(), 60);
    EXPECT_EQ(group->Height(), 40);
    EXPECT_EQ(group->FramesPerSecond(), 10);
    w->AddObject(group);
    EXPECT_EQ(a->Window(), w);
    EXPECT_EQ(b->Window(), w);

    group->Tick(1000);
    EXPECT_EQ(a->LastTick(), 1000u);
    group->Tick(1050);
    EXPECT_EQ(a->LastTick(), 1000u) << "50 ms is less than a tenth of a second";
    group->Tick(1100);
    EXPECT_EQ(a->LastTick(), 1100u);
    EXPECT_EQ(group->LastTick(), 1100u);
}

TEST_F(Control, AHiddenGroupDrawsNothingAndShowingItRedrawsItsChildren) {
    EventWindow* w = MakeWindow();
    auto* group = new ui::OGroup;
    auto* b = new OButton("", "", "", "", false, "CLP\\def_btn.clp");
    group->AddChild(b);
    group->SetPosition(100, 100, 0);
    w->AddObject(group);
    EXPECT_EQ(Pixel(w, 110, 110), uitest::kRed);
    group->SetVisible(false);
    EXPECT_EQ(Pixel(w, 110, 110), uitest::kBackground);
    scene::Rect all{0, 0, 400, 300};
    group->Draw(&all);
    EXPECT_EQ(Pixel(w, 110, 110), uitest::kBackground);
    group->SetVisible(true);
    EXPECT_EQ(Pixel(w, 110, 110), uitest::kRed);
}

} // namespace
