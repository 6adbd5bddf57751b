#include "EngineFixture.hpp"

#include <chrono>
#include <thread>

#include "engine/MessageLoop.hpp"
#include "engine/ShellOpen.hpp"
#include "engine/Messages.hpp"
#include "engine/ControlEvents.hpp"
#include "platform/KeyCodes.hpp"

namespace {

using engine::OWindow;
using platform::EventKind;
using platform::Key_LButton;
using platform::Key_Return;
using platform::Key_RButton;
using platform::Key_Tab;

using Input = EngineTest;

// A window that records the operations the window procedure calls.
class RecordingWindow : public OWindow {
public:
    using OWindow::OWindow;
    void KeyDown(int code, int x, int y) override {
        log.push_back("down " + std::to_string(code) + " " + std::to_string(x) + "," + std::to_string(y));
        OWindow::KeyDown(code, x, y);
    }
    void KeyUp(int code, int x, int y) override {
        log.push_back("up " + std::to_string(code) + " " + std::to_string(x) + "," + std::to_string(y));
        OWindow::KeyUp(code, x, y);
    }
    void MouseMove(int x, int y) override {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
        OWindow::MouseMove(x, y);
    }
    void QueryClose(bool& allow) override { allow = allowClose; }
    void ControlEvent(engine::WindowControl* sender, int code) override {
        log.push_back("event " + std::to_string(code) + (sender ? " from control" : ""));
    }
    void Tick(std::uint32_t time) override {
        ++ticks;
        if (closeInTick) Close();
        OWindow::Tick(time);
    }
    std::vector<std::string> log;
    bool allowClose = true;
    bool closeInTick = false;
    int ticks = 0;
};

// A window that records its focus changes and the game controller input it gets.
class PadRecordingWindow : public OWindow {
public:
    using OWindow::OWindow;
    void FocusChanged(bool gained) override { log.push_back(gained ? "focus gained" : "focus lost"); }
    void PadButtonDown(platform::PadButton button) override {
        log.push_back("pad down " + std::to_string(int(button)));
    }
    void PadButtonUp(platform::PadButton button) override {
        log.push_back("pad up " + std::to_string(int(button)));
    }
    void PadAxisMoved(platform::PadAxis axis, int value) override {
        log.push_back("axis " + std::to_string(int(axis)) + " " + std::to_string(value));
    }
    std::vector<std::string> log;
};

using platform::PadAxis;
using platform::PadButton;

TEST_F(Input, PadInputAndFocusChangesReachTheHooksOfTheFocusedWindowOnly) {
    auto* first = Make<PadRecordingWindow>();
    auto* second = Make<PadRecordingWindow>();
    Pump();
    // The newest window has the focus; the first one had it before.
    EXPECT_EQ(first->log, (std::vector<std::string>{"focus gained", "focus lost"}));
    EXPECT_EQ(second->log, (std::vector<std::string>{"focus gained"}));
    first->log.clear();
    second->log.clear();

    headless->InjectPadButton(PadButton::A, true);
    headless->InjectPadAxis(PadAxis::LeftY, 32767);
    headless->InjectPadAxis(PadAxis::LeftTrigger, 0);
    headless->InjectPadButton(PadButton::A, false);
    Pump();
    EXPECT_EQ(second->log, (std::vector<std::string>{"pad down 1", "axis 2 32767", "axis 5 0", "pad up 1"}));
    EXPECT_TRUE(first->log.empty());

    second->log.clear();
    headless->ActivateWindow(first->PlatformWindow());
    headless->InjectPadButton(PadButton::Down, true);
    Pump();
    EXPECT_EQ(first->log, (std::vector<std::string>{"focus gained", "pad down 13"}));
    EXPECT_EQ(second->log, (std::vector<std::string>{"focus lost"}));

    // Another program's window takes the focus: the game stands still.
    first->log.clear();
    second->log.clear();
    platform::Event away;
    away.kind = EventKind::FocusLost;
    away.window = first->PlatformWindow();
    headless->Inject(away);
    headless->InjectPadButton(PadButton::Down, false);
    headless->InjectPadAxis(PadAxis::RightX, -32768);
    Pump();
    EXPECT_EQ(first->log, (std::vector<std::string>{"focus lost"}));
    EXPECT_TRUE(second->log.empty());
}

TEST_F(Input, ABlockedOwnersPadInputReachesItsDialogAndNeverTheOwner) {
    auto* owner = Make<PadRecordingWindow>();
    auto* dialog = Make<PadRecordingWindow>(owner);
    Pump();
    ASSERT_TRUE(owner->IsBlocked());
    owner->log.clear();
    dialog->log.clear();
    // The owner is activated (its taskbar entry, say) and pad input follows at once.
    headless->ActivateWindow(owner->PlatformWindow());
    headless->InjectPadButton(PadButton::Start, true);
    headless->InjectPadButton(PadButton::Start, false);
    Pump();
    EXPECT_EQ(dialog->log,
              (std::vector<std::string>{"focus lost", "pad down 7", "pad up 7", "focus gained"}));
    EXPECT_EQ(owner->log, (std::vector<std::string>{"focus gained", "focus lost"}));

    // Pad input already on its way to the owner when its dialog opened is dropped too.
    owner->log.clear();
    platform::Event late;
    late.kind = EventKind::PadDown;
    late.window = owner->PlatformWindow();
    late.pad = PadButton::B;
    procedure.Dispatch(late);
    late.kind = EventKind::PadAxis;
    late.axis = PadAxis::LeftX;
    late.code = 100;
    procedure.Dispatch(late);
    EXPECT_TRUE(owner->log.empty());
}

TEST_F(Input, AClosingWindowGetsNoPadInputAndNoFocusChange) {
    auto* other = Make<PadRecordingWindow>();
    auto* w = Make<PadRecordingWindow>();
    Pump();
    w->log.clear();
    other->log.clear();
    w->Close();
    headless->InjectPadButton(PadButton::X, true);
    headless->InjectPadAxis(PadAxis::RightY, 5);
    headless->ActivateWindow(other->PlatformWindow());
    headless->InjectPadButton(PadButton::X, false);
    Pump();
    EXPECT_TRUE(w->log.empty());
    EXPECT_EQ(other->log, (std::vector<std::string>{"focus gained", "pad up 3"}));
}

TEST_F(Input, ButtonsReportTheirEventsPositionAndKeysTheCursorsWhenPressed) {
    auto* w = Make<RecordingWindow>();
    headless->SetCursor(w->PlatformWindow(), {7, 8});
    Inject(EventKind::MouseDown, w, Key_LButton, 100, 100);
    Inject(EventKind::MouseUp, w, Key_LButton, 30, 40);
    Inject(EventKind::MouseDown, w, Key_RButton, 11, 12);
    Inject(EventKind::KeyDown, w, 'A');
    EXPECT_EQ(w->log,
              (std::vector<std::string>{"down 1 100,100", "up 1 30,40", "down 2 11,12", "down 65 7,8"}));
}

TEST_F(Input, CapturedMousePositionsLeftOfAndAboveTheWindowAreNegative) {
    std::vector<std::string> log;
    auto* w = Make<RecordingWindow>();
    auto* a = new Probe("a", 10, 10, 20, 20, true, log);
    w->AddObject(a);
    w->SetCaptureControl(a);
    Pump();
    log.clear();
    Inject(EventKind::MouseMove, w, 0, -3, -4);
    Inject(EventKind::MouseUp, w, Key_LButton, -5, 6);
    EXPECT_EQ(w->log, (std::vector<std::string>{"move -3,-4", "up 1 -5,6"}));
    EXPECT_EQ(log, (std::vector<std::string>{"a.move -13,-14", "a.up 1 -15,-4"}));
}

TEST_F(Input, MouseMovesGoToTheControlUnderTheMouseInLocalCoordinates) {
    std::vector<std::string> log;
    OWindow* w = Make();
    auto* a = new Probe("a", 10, 10, 20, 20, true, log);
    auto* b = new Probe("b", 20, 20, 20, 20, true, log);
    w->AddObject(a);
    w->AddObject(b);
    w->MouseMove(25, 25);
    EXPECT_EQ(log, (std::vector<std::string>{"a.move 15,15", "b.move 5,5"}));

    log.clear();
    w->SetCaptureControl(a);
    w->MouseMove(25, 25);
    w->MouseMove(5, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"a.capture:me", "a.move 15,15", "a.move -5,-5"}));
    EXPECT_EQ(headless->CaptureWindow(), w->PlatformWindow());
}

TEST_F(Input, ButtonsGoToTheCaptureAndKeysToTheFocus) {
    std::vector<std::string> log;
    OWindow* w = Make();
    auto* a = new Probe("a", 10, 10, 20, 20, true, log);
    auto* b = new Probe("b", 40, 10, 20, 20, true, log);
    w->AddObject(a);
    w->AddObject(b);
    w->KeyDown(Key_LButton, 15, 15);  // no capture: dropped
    w->KeyDown('A', 0, 0);            // no focus: dropped
    EXPECT_TRUE(log.empty());
    w->SetCaptureControl(a);
    w->SetFocusControl(b);
    log.clear();
    w->KeyDown(Key_LButton, 15, 15);
    w->KeyUp(Key_LButton, 16, 16);
    w->KeyDown(Key_Return, 45, 12);
    w->Char('x');
    EXPECT_EQ(log, (std::vector<std::string>{"a.down 1 5,5", "a.up 1 6,6", "b.down 13 5,2", "b.char x"}));
}

TEST_F(Input, TabMovesTheFocusThroughFocusableControlsAndWraps) {
    std::vector<std::string> log;
    OWindow* w = Make();
    auto* a = new Probe("a", 0, 0, 5, 5, true, log);
    auto* skip = new Probe("skip", 0, 0, 5, 5, false, log);
    auto* b = new Probe("b", 0, 0, 5, 5, true, log);
    w->AddObject(a);
    w->AddObject(skip);
    w->AddObject(b);
    w->KeyDown(Key_Tab, 0, 0);
    EXPECT_EQ(w->FocusControl(), a);
    w->FocusNext();
    EXPECT_EQ(w->FocusControl(), b);
    w->FocusNext();
    EXPECT_EQ(w->FocusControl(), nullptr);
    w->SetFocusControl(skip);
    EXPECT_EQ(w->FocusControl(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"a.focus:me", "a.focus:other", "b.focus:me", "b.focus:none"}));

    OWindow* empty = Make();
    empty->KeyDown(Key_Tab, 0, 0);
    EXPECT_EQ(empty->FocusControl(), nullptr);
}

TEST_F(Input, RemovingAControlDropsItsCaptureAndFocus) {
    std::vector<std::string> log;
    OWindow* w = Make();
    auto* a = new Probe("a", 0, 0, 5, 5, true, log);
    w->AddObject(a);
    w->SetCaptureControl(a);
    w->SetFocusControl(a);
    scene::OGraph::Release(a);
    EXPECT_EQ(w->CaptureControl(), nullptr);
    EXPECT_EQ(w->FocusControl(), nullptr);
    Pump();
    EXPECT_EQ(headless->CaptureWindow(), 0u);
}

TEST_F(Input, DragRectangleMovesTheWindowUnlessAControlIsHit) {
    std::vector<std::string> log;
    auto* w = Make<RecordingWindow>();
    w->SetDragRect(0, 0, 300, 30);
    auto* button = new Probe("button", 250, 5, 20, 20, true, log);
    w->AddObject(button);
    const auto id = w->PlatformWindow();
    const auto start = headless->WindowArea(id);

    headless->SetCursor(id, {100, 10});
    Inject(EventKind::KeyDown, w, Key_LButton, 100, 10);
    Inject(EventKind::MouseMove, w, 0, 130, 25);
    Inject(EventKind::KeyUp, w, Key_LButton, 130, 25);
    const auto moved = headless->WindowArea(id);
    EXPECT_EQ(moved.left, start.left + 30);
    EXPECT_EQ(moved.top, start.top + 15);
    EXPECT_TRUE(w->log.empty());
    EXPECT_EQ(headless->CaptureWindow(), 0u);

    headless->SetCursor(id, {255, 10});
    Inject(EventKind::KeyDown, w, Key_LButton, 255, 10);
    EXPECT_EQ(w->log, (std::vector<std::string>{"down 1 255,10"}));
    EXPECT_EQ(headless->WindowArea(id).left, moved.left);
}

TEST_F(Input, DialogBlocksItsOwnerUntilItIsClosed) {
    auto* owner = Make<RecordingWindow>();
    ASSERT_TRUE(owner->Start());
    OWindow* dialog = Make(owner);
    Pump();
    EXPECT_TRUE(owner->IsBlocked());
    EXPECT_FALSE(headless->Window(owner->PlatformWindow()).enabled);

    int sleep = 0;
    owner->RunFrame(sleep);
    EXPECT_EQ(owner->ticks, 0);
    Inject(EventKind::KeyDown, owner, 'A');
    EXPECT_TRUE(owner->log.empty());

    dialog->ControlEvent(nullptr, 0x10000 | engine::Event_Click);
    EXPECT_EQ(owner->log, (std::vector<std::string>{"event 1024"}));

    // Closed by the user: the owner is re-enabled and activated at once.
    Inject(EventKind::CloseRequest, dialog);
    EXPECT_FALSE(owner->IsBlocked());
    EXPECT_TRUE(headless->Window(owner->PlatformWindow()).enabled);
    EXPECT_EQ(headless->ActiveWindow(), owner->PlatformWindow());
    owner->RunFrame(sleep);
    EXPECT_EQ(owner->ticks, 1);
    EXPECT_TRUE(dialog->IsClosing());
    OWindow::Destroy(dialog);
}

TEST_F(Input, QueryCloseCanRefuseAndPostedCloseAsks) {
    auto* w = Make<RecordingWindow>();
    w->allowClose = false;
    Inject(EventKind::CloseRequest, w);
    EXPECT_TRUE(headless->Exists(w->PlatformWindow()));
    EXPECT_FALSE(w->IsClosing());
    w->allowClose = true;
    w->PostClose();
    Pump();
    EXPECT_FALSE(headless->Exists(w->PlatformWindow()));
    EXPECT_TRUE(w->IsClosing());
}

TEST_F(Input, PostedMouseMoveReachesTheWindowAtTheOriginUnlessItIsClosing) {
    auto* w = Make<RecordingWindow>();
    Pump();
    w->PostMouseMove();
    platform::Event e;
    ASSERT_TRUE(headless->PollEvent(e));
    EXPECT_EQ(e.kind, EventKind::Posted);
    EXPECT_EQ(e.code, engine::kPostedMouseMove);
    EXPECT_EQ(e.window, w->PlatformWindow());
    procedure.Dispatch(e);
    EXPECT_EQ(w->log, (std::vector<std::string>{"move 0,0"}));
    // A closing window takes no more input, and the wake-up is input.
    w->Close();
    w->PostMouseMove();
    Pump();
    EXPECT_EQ(w->log.size(), 1u);
}

TEST_F(Input, DestroyingADialogDirectlyStillUnblocksItsOwner) {
    OWindow* owner = Make();
    OWindow* dialog = Make(owner);
    EXPECT_TRUE(owner->IsBlocked());
    dialog->Close();
    OWindow::Destroy(dialog);
    Pump();
    EXPECT_FALSE(owner->IsBlocked());
    EXPECT_TRUE(headless->Window(owner->PlatformWindow()).enabled);
}

// With real frame threads: the window ticks by itself, a Close from inside
// Tick ends the thread, which destroys the window and posts the quit.
TEST_F(Input, FrameThreadDestroysTheWindowAndEndsTheLoop) {
    params.frameThread = true;
    auto* w = new RecordingWindow(nullptr, params);
    w->SetQuitOnDestroy(true);
    w->closeInTick = true;
    const auto id = w->PlatformWindow();
    ASSERT_TRUE(w->Start());
    const int code = engine::RunMessageLoop(procedure, nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(OWindow::IsLiveWindow(w));
    Pump();
    EXPECT_FALSE(headless->Exists(id));
}

// Waits, with a generous bound, until the condition holds; false when it never did.
template <class Condition>
bool WaitUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST_F(Input, BlockedWindowKeepsItsThreadButDoesNotTick) {
    params.frameThread = true;
    auto* w = new RecordingWindow(nullptr, params);
    w->SetFramesPerSecond(500);
    ASSERT_TRUE(w->Start());
    w->SetBlocked(true);
    // A frame that began before the block may still tick; count from the next one on.
    const std::uint64_t blockedAt = w->FramesRun() + 1;
    {
        std::lock_guard lock(w->Lock());
        w->ticks = 0;
    }
    ASSERT_TRUE(WaitUntil([&] { return w->FramesRun() >= blockedAt + 5; }));
    {
        std::lock_guard lock(w->Lock());
        EXPECT_EQ(w->ticks, 0);
    }
    w->SetBlocked(false);
    EXPECT_TRUE(WaitUntil([&] {
        std::lock_guard lock(w->Lock());
        return w->ticks > 0;
    }));
    w->Close();
    // The thread destroys the window; keep the main thread serving it until then.
    EXPECT_TRUE(WaitUntil([&] {
        Pump();
        return !OWindow::IsLiveWindow(w);
    }));
}

} // namespace

namespace {

TEST_F(Input, ShellOpenHandsTheAddressToTheDesktop) {
    EXPECT_TRUE(engine::ShellOpen("https://example.org/more"));
    EXPECT_EQ(headless->Urls(), (std::vector<std::string>{"https://example.org/more"}));
}

} // namespace
