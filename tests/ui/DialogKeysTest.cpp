// A dialog played with keys alone: focus traversal, presses, the text field's own keys and
// the focus ring, read from the back buffer.
#include "UiFixture.hpp"

#include <algorithm>

#include "platform/KeyCodes.hpp"
#include "scene/OBitmap.hpp"
#include "ui/FocusRing.hpp"
#include "ui/OButton.hpp"
#include "ui/OCheckbox.hpp"
#include "ui/ODialog.hpp"
#include "ui/OEdit.hpp"

namespace {

using namespace platform;
using engine::Event_Click;
using engine::Event_EnterPressed;
using engine::Event_EnterReleased;
using engine::Event_FocusGained;
using engine::Event_FocusLost;
using ui::FocusRing;
using Codes = std::vector<int>;

// A name field, a check box and two buttons, in that order; it records every control event.
class KeyDialog : public ui::ODialog {
public:
    KeyDialog(engine::OWindow* owner, const engine::CreationParams& params) : ODialog(owner, params) {}
    bool Start() override {
        name = new ui::OEdit("Al", "", 0, 1, 2, true, "CLP\\def_btn.clp");
        name->SetPosition(20, 20, name->RelativeZ());
        AddObject(name);
        box = new ui::OCheckbox(nullptr, nullptr, true);
        box->SetPosition(20, 70, box->RelativeZ());
        AddObject(box);
        first = MakeButton("A");
        second = MakeButton("B");
        AddButtonPair(first, second, 20);
        SetDefaultControl(second);
        return OWindow::Start();
    }
    void ControlEvent(engine::WindowControl* sender, int code) override { events.emplace_back(sender, code); }
    void Cancel() override { ++cancels; }
    Codes CodesOf(const engine::WindowControl* sender) const {
        Codes out;
        for (const auto& [from, code] : events)
            if (from == sender) out.push_back(code);
        return out;
    }
    // The top-level control that holds the focus.
    scene::OGraph* Focused() const { return engine::FocusEntry(Controls(), FocusControl()); }
    using ODialog::MakeButton;
    using ODialog::SetKeyOrder;

    ui::OEdit* name = nullptr;
    ui::OCheckbox* box = nullptr;
    ui::OButton* first = nullptr;
    ui::OButton* second = nullptr;
    std::vector<std::pair<engine::WindowControl*, int>> events;
    int cancels = 0;
};

class DialogKeys : public uitest::UiTest {
protected:
    KeyDialog* Open() {
        owner = MakeWindow();
        auto* dialog = ui::ODialog::Open<KeyDialog>(owner, 300, 200);
        EXPECT_NE(dialog, nullptr);
        // Torn down before its owner.
        windows.insert(windows.begin(), dialog);
        Pump();
        return dialog;
    }
    // Presses and releases a key as the window system reports it.
    void Press(KeyDialog* d, int key) { driver.Press(d, key); }
    void Down(KeyDialog* d, int key) { driver.Send(d, EventKind::KeyDown, key); }
    void Up(KeyDialog* d, int key) { driver.Send(d, EventKind::KeyUp, key); }

    // The client area as composed now, one 0xRRGGBB value per pixel.
    static std::vector<std::uint32_t> Snapshot(engine::OWindow* w) {
        w->Render();
        const scene::BackBufferView view = w->BackBuffer();
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < w->Height(); ++y) {
            const std::uint8_t* row = view.row(y);
            for (int x = 0; x < w->Width(); ++x)
                pixels.push_back(std::uint32_t(row[x * 3 + 2]) << 16 | std::uint32_t(row[x * 3 + 1]) << 8 |
                                 row[x * 3]);
        }
        return pixels;
    }
    // The bounding box of every pixel that differs between two snapshots; empty for none.
    static scene::Rect Changed(engine::OWindow* w, const std::vector<std::uint32_t>& a,
                               const std::vector<std::uint32_t>& b) {
        scene::Rect box{w->Width(), w->Height(), 0, 0};
        for (int y = 0; y < w->Height(); ++y)
            for (int x = 0; x < w->Width(); ++x)
                if (a[std::size_t(y * w->Width() + x)] != b[std::size_t(y * w->Width() + x)]) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box.IsEmpty() ? scene::Rect{} : box;
    }
    static bool Inside(const scene::Rect& inner, const scene::Rect& outer) {
        return inner.IsEmpty() || (inner.left >= outer.left && inner.top >= outer.top &&
                                   inner.right <= outer.right && inner.bottom <= outer.bottom);
    }
    static scene::Rect Around(const scene::OGraph* control) {
        const scene::Rect b = control->Bounds();
        return {b.left - FocusRing::kMargin, b.top - FocusRing::kMargin, b.right + FocusRing::kMargin,
                b.bottom + FocusRing::kMargin};
    }

    uitest::EventWindow* owner = nullptr;
};

TEST_F(DialogKeys, TabAndTheArrowsWalkTheControlsBothWaysAndWrapAround) {
    KeyDialog* d = Open();
    ASSERT_EQ(d->FocusControl(), nullptr);
    std::vector<scene::OGraph*> seen;
    for (int i = 0; i < 5; ++i) {
        Press(d, Key_Tab);
        seen.push_back(d->Focused());
    }
    EXPECT_EQ(seen, (std::vector<scene::OGraph*>{d->name, d->box, d->first, d->second, d->name}));
    // Shift+Tab goes back, and wraps from the first to the last.
    Down(d, Key_Shift);
    Press(d, Key_Tab);
    EXPECT_EQ(d->Focused(), d->second);
    Press(d, Key_Tab);
    EXPECT_EQ(d->Focused(), d->first);
    Up(d, Key_Shift);
    Press(d, Key_Tab);
    EXPECT_EQ(d->Focused(), d->second) << "Shift was let go";
    // Right and Down forward, Left and Up backward.
    Press(d, Key_Right);
    EXPECT_EQ(d->Focused(), d->name);
    Press(d, Key_Down);
    EXPECT_EQ(d->Focused(), d->box);
    Press(d, Key_Left);
    EXPECT_EQ(d->Focused(), d->name);
    // In the name field Left and Right are the caret's; Up and Down move the focus.
    Press(d, Key_Left);
    EXPECT_EQ(d->Focused(), d->name);
    EXPECT_EQ(d->name->CaretPosition(), 1);
    Press(d, Key_Right);
    EXPECT_EQ(d->name->CaretPosition(), 2);
    Press(d, Key_Up);
    EXPECT_EQ(d->Focused(), d->second);
    // The controls hear of each move as of a Tab: the old holder loses, the new one gains.
    EXPECT_EQ(d->CodesOf(d->first),
              (Codes{Event_FocusGained, Event_FocusLost, Event_FocusGained, Event_FocusLost}));
}

TEST_F(DialogKeys, BackwardFromNoFocusStartsAtTheLastAndHiddenOrUnfocusableControlsArePassedOver) {
    KeyDialog* d = Open();
    Press(d, Key_Up);
    EXPECT_EQ(d->Focused(), d->second);
    d->SetFocusControl(nullptr);
    d->box->SetVisible(false);
    d->first->SetFocusable(false);
    Press(d, Key_Tab);
    Press(d, Key_Tab);
    EXPECT_EQ(d->Focused(), d->second);
    Press(d, Key_Tab);
    EXPECT_EQ(d->Focused(), d->name);
    // A key order of its own, with a control that is gone, is walked as it is given.
    auto* gone = KeyDialog::MakeButton("gone");
    d->AddObject(gone);
    d->SetKeyOrder({d->second, gone, d->name});
    d->RemoveObject(gone);
    Press(d, Key_Tab);
    EXPECT_EQ(d->Focused(), d->second);
    Press(d, Key_Tab);
    EXPECT_EQ(d->Focused(), d->name);
    scene::OGraph::Release(gone);
}

TEST_F(DialogKeys, SpacePressesAsEnterDoesButTypesInTheNameField) {
    KeyDialog* d = Open();
    Press(d, Key_Tab);
    ASSERT_EQ(d->FocusControl(), d->name);
    // The window system follows a Space with its character.
    Down(d, Key_Space);
    driver.Type(d, " ");
    Up(d, Key_Space);
    driver.Type(d, "Bo");
    EXPECT_EQ(d->name->GetText(), "Al Bo");
    EXPECT_TRUE(d->CodesOf(d->name).empty() || d->CodesOf(d->name) == Codes{Event_FocusGained});

    Press(d, Key_Tab);
    const int before = d->box->CurrentIndex();
    Down(d, Key_Space);
    driver.Type(d, " ");
    Up(d, Key_Space);
    EXPECT_NE(d->box->CurrentIndex(), before) << "Space toggles the check box";
    EXPECT_EQ(d->Focused(), d->box) << "and the focus stays on it";

    Press(d, Key_Tab);
    d->events.clear();
    Down(d, Key_Space);
    EXPECT_EQ(d->CodesOf(d->first), (Codes{Event_EnterPressed}));
    Up(d, Key_Space);
    const Codes bySpace = d->CodesOf(d->first);
    d->events.clear();
    Press(d, Key_Return);
    EXPECT_EQ(bySpace, d->CodesOf(d->first));
    EXPECT_EQ(bySpace, (Codes{Event_EnterPressed, Event_EnterReleased, Event_Click}));
}

TEST_F(DialogKeys, ASpaceLetGoElsewhereClicksNothing) {
    KeyDialog* d = Open();
    Press(d, Key_Up);
    Down(d, Key_Space);
    // The focus moves on while Space is down: the button it left lets go without a click.
    Press(d, Key_Tab);
    Up(d, Key_Space);
    Up(d, Key_Space);
    for (const auto& [sender, code] : d->events) EXPECT_NE(code, Event_Click);
    // Without a focus control Space and Enter do nothing at all.
    d->SetFocusControl(nullptr);
    d->events.clear();
    Press(d, Key_Space);
    Press(d, Key_Return);
    EXPECT_TRUE(d->events.empty());
}

TEST_F(DialogKeys, TheRingAppearsAroundTheFocusAfterAKeyAndGoesAtTheNextMove) {
    KeyDialog* d = Open();
    driver.MoveTo(d, 290, 10);
    const std::vector<std::uint32_t> before = Snapshot(d);
    // A focus the mouse gave shows no ring.
    d->SetFocusControl(d->first);
    const std::vector<std::uint32_t> mouseFocus = Snapshot(d);
    EXPECT_FALSE(d->Ring().Shown());

    // A key that moves nothing brings the ring around the focus, and changes nothing else.
    Pump();
    std::size_t presented = headless->Window(d->PlatformWindow()).presented.size();
    Press(d, Key_End);
    ASSERT_TRUE(d->Ring().Shown());
    EXPECT_EQ(d->Ring().Area(), Around(d->first));
    const std::vector<std::uint32_t> firstRinged = Snapshot(d);
    const scene::Rect firstChanges = Changed(d, mouseFocus, firstRinged);
    EXPECT_EQ(firstChanges, Around(d->first));
    for (int y = 0; y < d->Height(); ++y) {
        for (int x = 0; x < d->Width(); ++x) {
            if (d->first->Bounds().Contains(x, y)) {
                ASSERT_EQ(firstRinged[std::size_t(y * d->Width() + x)],
                          mouseFocus[std::size_t(y * d->Width() + x)]);
            }
        }
    }
    Pump();
    std::vector<scene::Rect> areas = headless->Window(d->PlatformWindow()).presented;
    ASSERT_GT(areas.size(), presented);
    for (std::size_t i = presented; i < areas.size(); ++i) EXPECT_TRUE(Inside(areas[i], Around(d->first)));

    // Tab moves it on: only the two buttons and their rings are repainted.
    presented = areas.size();
    Press(d, Key_Tab);
    ASSERT_EQ(d->Focused(), d->second);
    EXPECT_EQ(d->Ring().Area(), Around(d->second));
    const std::vector<std::uint32_t> ringed = Snapshot(d);
    Pump();
    const scene::Rect both{Around(d->first).left, Around(d->first).top, Around(d->second).right,
                           Around(d->second).bottom};
    areas = headless->Window(d->PlatformWindow()).presented;
    ASSERT_GT(areas.size(), presented);
    for (std::size_t i = presented; i < areas.size(); ++i) EXPECT_TRUE(Inside(areas[i], both));
    EXPECT_TRUE(Inside(Changed(d, firstRinged, ringed), both));
    // The first button looks as before the ring, outside and in.
    for (int y = 0; y < d->Height(); ++y) {
        for (int x = 0; x < d->Width(); ++x) {
            if (Around(d->first).Contains(x, y)) {
                ASSERT_EQ(ringed[std::size_t(y * d->Width() + x)], before[std::size_t(y * d->Width() + x)]);
            }
        }
    }

    // On the ring, the dark line outside and the light one inside.
    const scene::Rect ring = Around(d->second);
    const int middleX = int((ring.left + ring.right) / 2);
    const int middleY = int((ring.top + ring.bottom) / 2);
    constexpr int kDark = FocusRing::kDarkWidth, kLight = FocusRing::kLightWidth;
    for (int i = 0; i < kDark; ++i) {
        EXPECT_EQ(Pixel(d, middleX, ring.top + i), 0x182840u) << i;
        EXPECT_EQ(Pixel(d, ring.left + i, middleY), 0x182840u) << i;
        EXPECT_EQ(Pixel(d, ring.right - 1 - i, middleY), 0x182840u) << i;
    }
    for (int i = kDark; i < kDark + kLight; ++i) {
        EXPECT_EQ(Pixel(d, middleX, ring.bottom - 1 - i), 0xFFCC99u) << i;
        EXPECT_EQ(Pixel(d, ring.right - 1 - i, middleY), 0xFFCC99u) << i;
    }
    // The rounded corner shows what lies below.
    EXPECT_EQ(Pixel(d, ring.left, ring.top), before[std::size_t(ring.top * d->Width() + ring.left)]);

    // The mouse where the key found it is no move; anywhere else the ring goes.
    driver.MoveTo(d, 290, 10);
    EXPECT_TRUE(d->Ring().Shown());
    driver.MoveTo(d, 291, 10);
    EXPECT_FALSE(d->Ring().Shown());
    const std::vector<std::uint32_t> after = Snapshot(d);
    EXPECT_TRUE(Inside(Changed(d, before, after), d->second->Bounds()))
        << "only the focused button's own look differs from before";
}

TEST_F(DialogKeys, AModifierAloneShowsNoRingAndAClickTakesItAway) {
    KeyDialog* d = Open();
    d->SetFocusControl(d->first);
    Press(d, Key_Shift);
    Press(d, Key_Control);
    EXPECT_FALSE(d->Ring().Shown());
    Press(d, Key_End);
    EXPECT_TRUE(d->Ring().Shown()) << "any other key is a key in use";
    EXPECT_EQ(d->Ring().Area(), Around(d->first));
    driver.Send(d, EventKind::KeyDown, Key_LButton, 0, 0);
    driver.Send(d, EventKind::KeyUp, Key_LButton, 0, 0);
    EXPECT_FALSE(d->Ring().Shown());
    EXPECT_FALSE(d->KeysInUse());
}

TEST_F(DialogKeys, TheRingFollowsTheFocusAndFitsEachControl) {
    KeyDialog* d = Open();
    for (int i = 0; i < 4; ++i) {
        Press(d, Key_Down);
        EXPECT_EQ(d->Ring().Area(), Around(d->Focused())) << i;
    }
    // A control that hides takes the focus with it, and the ring goes at the next key.
    d->second->SetVisible(false);
    Press(d, Key_Shift);
    EXPECT_FALSE(d->Ring().Shown());
}

TEST_F(DialogKeys, UseKeysFocusesTheDefaultControlAndShowsTheRing) {
    KeyDialog* d = Open();
    d->UseKeys();
    EXPECT_EQ(d->Focused(), d->second);
    EXPECT_TRUE(d->Ring().Shown());
    // A focus already held is kept.
    d->SetFocusControl(d->name);
    d->UseKeys();
    EXPECT_EQ(d->Focused(), d->name);
    EXPECT_EQ(d->Ring().Area(), Around(d->name));
}

TEST_F(DialogKeys, AFloodOfKeysKeepsOneFocusAndOneRing) {
    KeyDialog* d = Open();
    const int keys[] = {Key_Tab, Key_Shift, Key_Tab,  Key_Left,  Key_Space,
                        Key_Up,  Key_Right, Key_Down, Key_Return};
    for (int i = 0; i < 3000; ++i) {
        const int key = keys[std::size_t(i) % std::size(keys)];
        driver.Inject(d, (i / 7) % 2 ? EventKind::KeyUp : EventKind::KeyDown, key);
    }
    Pump();
    Up(d, Key_Shift);
    Press(d, Key_Tab);
    ASSERT_NE(d->Focused(), nullptr);
    EXPECT_EQ(d->Ring().Area(), Around(d->Focused()));
    int rings = 0;
    for (scene::OGraph* g : d->Graphs())
        if (dynamic_cast<scene::OBitmap*>(g) && g->IsVisible()) ++rings;
    EXPECT_EQ(rings, 1);
}

TEST_F(DialogKeys, RingPicturesOfEverySizeKeepTheirShape) {
    // Tiny and flat controls still get a closed outline, and nothing is drawn off the picture.
    for (const auto& [w, h] : {std::pair{1, 1}, {2, 9}, {9, 2}, {8, 8}, {300, 40}}) {
        EXPECT_EQ(ui::RingPartAt(w / 2, 0, w, h), ui::RingPart::Dark) << w << "x" << h;
        EXPECT_EQ(ui::RingPartAt(w / 2, h - 1, w, h), ui::RingPart::Dark) << w << "x" << h;
        EXPECT_EQ(ui::RingPartAt(0, h / 2, w, h), ui::RingPart::Dark) << w << "x" << h;
        EXPECT_EQ(ui::RingPartAt(-1, 0, w, h), ui::RingPart::None);
        EXPECT_EQ(ui::RingPartAt(w, h, w, h), ui::RingPart::None);
    }
    EXPECT_EQ(ui::RingPartAt(0, 0, 300, 40), ui::RingPart::None) << "the corner is round";
    EXPECT_EQ(ui::RingPartAt(150, FocusRing::kDarkWidth, 300, 40), ui::RingPart::Light);
    EXPECT_EQ(ui::RingPartAt(150, FocusRing::kMargin - 1, 300, 40), ui::RingPart::None)
        << "the gap to the control";
}

} // namespace

namespace {

// The keys a dialog hands on first (its owner's F11, say) see every press and release; a press
// they take reaches none of the dialog's controls, and a dialog opened from the dialog hands
// them on too.
TEST_F(DialogKeys, KeysHandedOnFirstAreSeenBeforeTheControlsAndByTheDialogsDialogs) {
    KeyDialog* dialog = Open();
    std::vector<std::pair<int, bool>> seen;
    dialog->SetKeysFirst([&seen](int code, bool down) {
        seen.emplace_back(code, down);
        return down && code == platform::Key_F11;
    });
    Press(dialog, platform::Key_Tab);
    Press(dialog, platform::Key_F11);
    EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{platform::Key_Tab, true},
                                                       {platform::Key_Tab, false},
                                                       {platform::Key_F11, true},
                                                       {platform::Key_F11, false}}));
    // Tab moved the focus; F11 went no further.
    EXPECT_EQ(dialog->Focused(), dialog->name);
    auto* inner = ui::ODialog::Open<KeyDialog>(dialog, 200, 100);
    ASSERT_NE(inner, nullptr);
    windows.insert(windows.begin(), inner);
    Pump();
    seen.clear();
    Press(inner, platform::Key_F11);
    EXPECT_EQ(seen,
              (std::vector<std::pair<int, bool>>{{platform::Key_F11, true}, {platform::Key_F11, false}}));
    EXPECT_EQ(inner->cancels, 0);
}

} // namespace
