// Dialogs over one owner, closing windows, the drag area, objects that outlive their window
// and windows whose creation failed.
#include "EngineFixture.hpp"

#include "platform/KeyCodes.hpp"

namespace {

using engine::OWindow;
using platform::EventKind;
using platform::Key_LButton;
using platform::Key_MButton;
using platform::Key_RButton;

using WindowLifetime = EngineTest;

class TickCounter : public OWindow {
public:
    using OWindow::OWindow;
    void Tick(std::uint32_t time) override {
        ++ticks;
        OWindow::Tick(time);
    }
    void MouseMove(int x, int y) override {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
        OWindow::MouseMove(x, y);
    }
    void KeyDown(int code, int x, int y) override {
        log.push_back("down " + std::to_string(code));
        OWindow::KeyDown(code, x, y);
    }
    void KeyUp(int code, int x, int y) override {
        log.push_back("up " + std::to_string(code));
        OWindow::KeyUp(code, x, y);
    }
    void Char(std::uint8_t ch) override {
        log.push_back("char");
        OWindow::Char(ch);
    }
    int ticks = 0;
    std::vector<std::string> log;
};

TEST_F(WindowLifetime, OwnerStaysBlockedWhileAnyOfItsDialogsIsOpen) {
    auto* owner = Make<TickCounter>();
    ASSERT_TRUE(owner->Start());
    // The first dialog opens the second on the same owner, then closes itself.
    OWindow* first = Make(owner);
    OWindow* second = Make(owner);
    Pump();
    Inject(EventKind::CloseRequest, first);
    EXPECT_TRUE(owner->IsBlocked());
    EXPECT_FALSE(headless->Window(owner->PlatformWindow()).enabled);
    OWindow::Destroy(first);
    Pump();
    EXPECT_TRUE(owner->IsBlocked());
    EXPECT_NE(headless->ActiveWindow(), owner->PlatformWindow());
    EXPECT_EQ(OWindow::DialogOf(owner), second);
    int sleep = 0;
    owner->RunFrame(sleep);
    EXPECT_EQ(owner->ticks, 0);
    Inject(EventKind::KeyDown, owner, 'A');
    EXPECT_TRUE(owner->log.empty());

    Inject(EventKind::CloseRequest, second);
    EXPECT_FALSE(owner->IsBlocked());
    EXPECT_EQ(headless->ActiveWindow(), owner->PlatformWindow());
    owner->RunFrame(sleep);
    EXPECT_EQ(owner->ticks, 1);

    // Closed in the other order, the owner still waits for the last one.
    OWindow* third = Make(owner);
    OWindow* fourth = Make(owner);
    Pump();
    Inject(EventKind::CloseRequest, fourth);
    EXPECT_TRUE(owner->IsBlocked());
    Inject(EventKind::CloseRequest, third);
    EXPECT_FALSE(owner->IsBlocked());
    for (OWindow* dialog : {second, third, fourth}) OWindow::Destroy(dialog);
}

TEST_F(WindowLifetime, DestroyingTheObjectAfterItsPlatformWindowDoesNotActivateTheOwnerAgain) {
    OWindow* owner = Make();
    OWindow* dialog = Make(owner);
    OWindow* other = Make();
    Pump();
    Inject(EventKind::CloseRequest, dialog);
    EXPECT_EQ(headless->ActiveWindow(), owner->PlatformWindow());
    EXPECT_EQ(dialog->Owner(), nullptr);
    headless->ActivateWindow(other->PlatformWindow());
    OWindow::Destroy(dialog);
    Pump();
    EXPECT_EQ(headless->ActiveWindow(), other->PlatformWindow());
}

TEST_F(WindowLifetime, ClosingWindowTakesNoInputAndNoNewCaptureOrFocus) {
    std::vector<std::string> log;
    auto* w = Make<TickCounter>();
    auto* control = new Probe("c", 0, 0, 100, 100, true, log);
    w->AddObject(control);
    w->Close();
    headless->SetCursor(w->PlatformWindow(), {10, 10});
    Inject(EventKind::MouseMove, w, 0, 10, 10);
    Inject(EventKind::KeyDown, w, Key_LButton, 10, 10);
    Inject(EventKind::KeyUp, w, Key_LButton, 10, 10);
    Inject(EventKind::KeyDown, w, 'A');
    Inject(EventKind::Character, w, 'a');
    EXPECT_TRUE(w->log.empty());

    w->MouseMove(10, 10);
    w->KeyDown(Key_LButton, 10, 10);
    w->Char('a');
    w->SetCaptureControl(control);
    w->SetFocusControl(control);
    EXPECT_EQ(w->CaptureControl(), nullptr);
    EXPECT_EQ(w->FocusControl(), nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(WindowLifetime, DragAreaOnlyDragsUnlessAControlIsThereOrHasTheMouse) {
    std::vector<std::string> log;
    auto* w = Make<TickCounter>();
    w->SetDragRect(0, 0, 300, 30);
    auto* button = new Probe("button", 250, 5, 20, 20, true, log);
    w->AddObject(button);
    const auto id = w->PlatformWindow();

    Inject(EventKind::MouseMove, w, 0, 100, 10);
    Inject(EventKind::KeyDown, w, Key_RButton, 100, 10);
    Inject(EventKind::KeyUp, w, Key_RButton, 100, 10);
    Inject(EventKind::KeyDown, w, Key_MButton, 100, 10);
    Inject(EventKind::KeyUp, w, Key_MButton, 100, 10);
    Inject(EventKind::KeyUp, w, Key_LButton, 100, 10);
    EXPECT_TRUE(w->log.empty());
    EXPECT_TRUE(log.empty());

    // Over a control, or below the area, the window gets the input as usual.
    Inject(EventKind::MouseMove, w, 0, 255, 10);
    Inject(EventKind::MouseMove, w, 0, 100, 50);
    EXPECT_EQ(w->log, (std::vector<std::string>{"move 255,10", "move 100,50"}));
    EXPECT_EQ(log, (std::vector<std::string>{"button.move 5,5"}));

    // A control holding the mouse follows it across the area.
    w->log.clear();
    log.clear();
    w->SetCaptureControl(button);
    Pump();
    Inject(EventKind::MouseMove, w, 0, 100, 10);
    headless->SetCursor(id, {100, 10});
    Inject(EventKind::KeyUp, w, Key_LButton, 100, 10);
    EXPECT_EQ(w->log, (std::vector<std::string>{"move 100,10", "up 1"}));
    EXPECT_EQ(log, (std::vector<std::string>{"button.capture:me", "button.move -150,5", "button.up 1 -150,5"}));
}

TEST_F(WindowLifetime, StaticObjectForgetsTheWindowThatDied) {
    auto* shared = new Sprite(0, 0, 10, 10, 0, 0x102030);
    shared->SetStatic(true);
    OWindow* first = Make();
    first->AddObject(shared);
    ASSERT_EQ(shared->Window(), first);
    OWindow::Destroy(first);
    EXPECT_EQ(shared->Window(), nullptr);

    OWindow* second = Make();
    second->AddObject(shared);
    EXPECT_EQ(shared->Window(), second);
    shared->SetStatic(false);
    EXPECT_TRUE(scene::OGraph::Release(shared));
    EXPECT_TRUE(second->Graphs().empty());
}

class UnloadableWindow : public OWindow {
public:
    using OWindow::OWindow;
    bool Start() override {
        SetContentMissing();
        return false;
    }
};

class CountedWindow : public OWindow {
public:
    using OWindow::OWindow;
    static inline int destroyed = 0;

protected:
    ~CountedWindow() override { ++destroyed; }
};

TEST_F(WindowLifetime, FailedWindowsReportWhyAndAreFreedByClose) {
    auto* unloadable = Make<UnloadableWindow>();
    EXPECT_FALSE(unloadable->Start());
    EXPECT_EQ(unloadable->Creation(), engine::CreateResult::ContentMissing);

    // A window whose platform window could not be made does not start, and Close frees it.
    params.frameThread = true;
    CountedWindow::destroyed = 0;
    headless->FailNextCreate();
    auto* failed = new CountedWindow(nullptr, params);
    ASSERT_EQ(failed->Creation(), engine::CreateResult::NoPlatformWindow);
    EXPECT_FALSE(failed->Start());
    failed->Close();
    EXPECT_EQ(CountedWindow::destroyed, 1);

    // Closed by the user between its construction and its Start: the opener still holds it.
    OWindow* owner = Make();
    auto* early = new CountedWindow(owner, params);
    Inject(EventKind::CloseRequest, early);
    EXPECT_EQ(CountedWindow::destroyed, 1);
    EXPECT_FALSE(owner->IsBlocked());
    EXPECT_FALSE(early->Start());
    early->Close();
    EXPECT_EQ(CountedWindow::destroyed, 2);
}

} // namespace
