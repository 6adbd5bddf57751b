#include "platform/WindowTable.hpp"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/KeyCodes.hpp"

using namespace platform;

namespace {

// A window system reduced to what the table asks of it: rectangles, a focus, a pointer and a
// queue of native events the test fills. It logs the calls that change something.
class FakeDriver : public NativeDriver {
public:
    bool ready = true;
    std::map<WindowId, Rect> areas; // screen pixels
    std::vector<std::string> log;
    Point cursor;
    Size screen{800, 600};
    int wakes = 0;

    void Queue(const NativeEvent& event) {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(event);
        m_cv.notify_all();
    }

    bool Ready() override { return ready; }
    WindowId Create(const NativeWindowSpec& request) override {
        const WindowId id = m_next++;
        areas[id] = Rect{request.corner.x, request.corner.y, request.corner.x + request.outer.width, request.corner.y + request.outer.height};
        log.push_back("create " + std::to_string(id));
        return id;
    }
    void Destroy(WindowId window) override {
        areas.erase(window);
        log.push_back("destroy " + std::to_string(window));
    }
    void SetTitle(WindowId window, std::string_view title) override {
        log.push_back("title " + std::to_string(window) + " " + std::string(title));
    }
    void Show(WindowId, ShowMode) override {}
    void Move(WindowId window, Point corner) override {
        Rect& r = areas[window];
        r = Rect{corner.x, corner.y, corner.x + int(r.Width()), corner.y + int(r.Height())};
    }
    Rect Area(WindowId window) override { return areas[window]; }
    Size Screen(bool) override { return screen; }
    void Raise(WindowId window) override { log.push_back("raise " + std::to_string(window)); }
    void CaptureMouse(bool captured) override { log.push_back(captured ? "capture" : "release"); }
    Point Cursor() override { return cursor; }
    void Present(WindowId window, const Surface&, const Rect&, const Rect& clipped) override {
        log.push_back("present " + std::to_string(window) + " " + std::to_string(clipped.left) + "," +
                      std::to_string(clipped.top) + "," + std::to_string(clipped.right) + "," +
                      std::to_string(clipped.bottom));
    }
    bool CanWait() override { return true; }
    Pumped WaitNative(std::vector<NativeEvent>& out, bool block) override {
        std::unique_lock lock(m_mutex);
        if (block) m_cv.wait(lock, [&] { return !m_queue.empty() || m_woken; });
        m_woken = false;
        if (m_queue.empty()) return Pumped::Nothing;
        out.push_back(m_queue.front());
        m_queue.pop_front();
        return Pumped::Events;
    }
    void Wake() override {
        std::lock_guard lock(m_mutex);
        ++wakes;
        m_woken = true;
        m_cv.notify_all();
    }
    std::uint32_t Milliseconds() override { return 0; }
    void ShowMessage(std::string_view, std::string_view) override {}
    bool OpenUrl(std::string_view) override { return true; }
    bool SetClipboardText(std::string_view) override { return true; }
    void PlaySound(const std::string&, bool) override {}
    void SetIcon(WindowId, const Surface&, std::uint32_t) override {}
    bool Place(WindowId window, const Rect& outer, const WindowLayout& layout) override {
        if (refusePlace) return false;
        areas[window] = outer;
        log.push_back("place " + std::to_string(window) + " scale " + std::to_string(layout.scale) +
                      (layout.fullScreen ? " full" : ""));
        return true;
    }
    void SetBorderTile(const ConstSurface&) override {}
    bool refusePlace = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<NativeEvent> m_queue;
    bool m_woken = false;
    WindowId m_next = 1;
};

NativeEvent native(NativeEvent::Kind kind, WindowId window, int code = 0, int x = 0, int y = 0) {
    NativeEvent event;
    event.kind = kind;
    event.window = window;
    event.code = code;
    event.x = x;
    event.y = y;
    return event;
}

using NK = NativeEvent::Kind;

class WindowTableTest : public ::testing::Test {
protected:
    static std::unique_ptr<FakeDriver> Made(FakeDriver*& kept) {
        auto made = std::make_unique<FakeDriver>();
        kept = made.get();
        return made;
    }

    WindowId Make(WindowId owner = 0, int styleKind = 0, int width = 100, int height = 80) {
        WindowSpec request;
        request.width = width;
        request.height = height;
        request.owner = owner;
        request.styleKind = styleKind;
        return table.CreateWindow(request);
    }
    // Every event the table has ready, without waiting.
    std::vector<Event> Drain() {
        std::vector<Event> events;
        Event e;
        while (table.PollEvent(e)) events.push_back(e);
        return events;
    }
    static std::vector<EventKind> Kinds(const std::vector<Event>& events) {
        std::vector<EventKind> kinds;
        for (const Event& e : events) kinds.push_back(e.kind);
        return kinds;
    }

    FakeDriver* fake = nullptr;
    WindowTable table{Made(fake)};
    FakeDriver& driver = *fake;
};

} // namespace

TEST(WindowRules, KeysThatTypeACharacter) {
    EXPECT_EQ(CharacterForKey(Key_Backspace), '\b');
    EXPECT_EQ(CharacterForKey(Key_Tab), '\t');
    EXPECT_EQ(CharacterForKey(Key_Return), '\r');
    EXPECT_EQ(CharacterForKey(Key_Escape), '\x1b');
    EXPECT_EQ(CharacterForKey('A'), 0);  // Letters come as text input instead.
    EXPECT_EQ(CharacterForKey(Key_Delete), 0);
}

TEST(WindowRules, ButtonCodesAndButtonsMapBothWays) {
    EXPECT_EQ(ButtonOf(Key_LButton), MouseButton::Left);
    EXPECT_EQ(ButtonOf(Key_RButton), MouseButton::Right);
    EXPECT_EQ(ButtonOf(Key_MButton), MouseButton::Middle);
    EXPECT_EQ(ButtonOf(0), MouseButton::None);
    EXPECT_EQ(ButtonOf(Key_Tab), MouseButton::None);
    for (const MouseButton b : {MouseButton::Left, MouseButton::Right, MouseButton::Middle})
        EXPECT_EQ(ButtonOf(KeyCodeOf(b)), b);
    EXPECT_EQ(KeyCodeOf(MouseButton::None), 0);
}

TEST(WindowRules, ClipAreaKeepsTheInsideOnly) {
    EXPECT_EQ(ClipArea(Rect{-5, -5, 10, 10}, 8, 20), (Rect{0, 0, 8, 10}));
    EXPECT_EQ(ClipArea(Rect{2, 3, 4, 5}, 8, 8), (Rect{2, 3, 4, 5}));
    EXPECT_TRUE(ClipArea(Rect{10, 0, 20, 5}, 8, 8).IsEmpty());
    EXPECT_TRUE(ClipArea(Rect{5, 5, 2, 8}, 8, 8).IsEmpty());
}

TEST(WindowRules, DialogIsCentredOnItsOwner) {
    const Point corner = CentreOn(Rect{100, 50, 850, 650}, Size{300, 200});
    EXPECT_EQ(corner.x, 325);
    EXPECT_EQ(corner.y, 250);
    const Point larger = CentreOn(Rect{0, 0, 100, 100}, Size{300, 101});
    EXPECT_EQ(larger.x, -100);
    EXPECT_EQ(larger.y, 0);
}

TEST_F(WindowTableTest, ANewWindowIsCentredRaisedAndReportsItsSizeFirst) {
    const WindowId main = Make(0, 4, 200, 100); // framed: outer 200 + 2 frame
    ASSERT_NE(main, 0u);
    const Rect area = table.WindowArea(main);
    EXPECT_EQ(area.left, (800 - area.Width()) / 2);
    EXPECT_EQ(table.ClientSize(main).width, 200);
    const WindowId dialog = Make(main, 0, 50, 20);
    EXPECT_EQ(table.WindowArea(dialog).left, area.left + (area.Width() - 50) / 2);
    EXPECT_EQ(driver.log, (std::vector<std::string>{"create 1", "raise 1", "create 2", "raise 2"}));
    const auto events = Drain();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventKind::Resized);
    EXPECT_EQ(events[0].area, (Rect{0, 0, 200, 100}));
}

TEST_F(WindowTableTest, ACreationTheSystemRefusesGivesNoWindow) {
    driver.ready = false;
    EXPECT_EQ(Make(), 0u);
    EXPECT_TRUE(driver.log.empty());
    EXPECT_TRUE(Drain().empty());
    // Nothing was made, so the scale may still change.
    table.SetScale(2);
    EXPECT_EQ(table.Scale(), 2);
}

TEST_F(WindowTableTest, TheScaleIsFixedByTheFirstWindowAndOutOfRangeValuesChangeNothing) {
    table.SetScale(0);
    table.SetScale(kMaxScale + 1);
    EXPECT_EQ(table.Scale(), 1);
    table.SetScale(2);
    const WindowId w = Make(0, 0, 100, 80);
    table.SetScale(3);
    EXPECT_EQ(table.Scale(), 2);
    EXPECT_EQ(driver.areas[w].Width(), 200);
    EXPECT_EQ(table.ClientSize(w).width, 100);
    EXPECT_EQ(table.ScreenSize().width, 400);
    table.MoveWindow(w, 10, 20);
    EXPECT_EQ(driver.areas[w].left, 20);
    EXPECT_EQ(table.WindowArea(w), (Rect{10, 20, 110, 100}));
}

TEST_F(WindowTableTest, DestroyingAnOwnerDestroysItsDialogsInnermostFirst) {
    const WindowId main = Make();
    const WindowId dialog = Make(main);
    const WindowId inner = Make(dialog);
    const WindowId other = Make();
    Drain();
    table.SetCapture(inner);
    driver.log.clear();
    table.DestroyWindow(main);
    EXPECT_EQ(driver.log, (std::vector<std::string>{"release", "destroy 3", "destroy 2", "destroy 1"}));
    const auto events = Drain();
    EXPECT_EQ(Kinds(events), (std::vector<EventKind>{EventKind::CaptureLost, EventKind::Destroyed,
                                                     EventKind::Destroyed, EventKind::Destroyed}));
    EXPECT_EQ(events[0].window, inner);
    EXPECT_EQ(events[1].window, inner);
    EXPECT_EQ(events[3].window, main);
    EXPECT_TRUE(table.Exists(other));
    EXPECT_FALSE(table.Exists(dialog));
    // A second destruction, and calls on a gone window, do nothing.
    driver.log.clear();
    table.DestroyWindow(main);
    table.SetTitle(main, "x");
    table.ActivateWindow(main);
    table.EnableWindow(main, false);
    table.SetCapture(main);
    EXPECT_TRUE(driver.log.empty());
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(table.CaptureWindow(), 0u);
}

TEST_F(WindowTableTest, AnOwnerThatIsNoWindowMakesNoDialog) {
    const WindowId lone = Make(77);
    const WindowId main = Make();
    table.DestroyWindow(main);
    EXPECT_TRUE(table.Exists(lone));
}

TEST_F(WindowTableTest, ADisabledWindowGetsNoInputAndAPressBringsItsInnermostDialogForward) {
    const WindowId main = Make();
    const WindowId first = Make(main);
    const WindowId newest = Make(main);
    const WindowId inner = Make(newest);
    table.EnableWindow(main, false);
    Drain();
    driver.log.clear();
    driver.Queue(native(NK::KeyDown, main, 'A'));
    driver.Queue(native(NK::KeyUp, main, 'A'));
    driver.Queue(native(NK::Character, main));
    driver.Queue(native(NK::MouseMove, main, 0, 5, 5));
    driver.Queue(native(NK::ButtonDown, main, Key_LButton, 5, 5));
    driver.Queue(native(NK::ButtonDown, main, 0, 5, 5));       // a button the program has no code for
    driver.Queue(native(NK::ButtonDown, main, Key_LButton, -3, 5)); // off the client
    driver.Queue(native(NK::CloseRequest, main));
    EXPECT_TRUE(Drain().empty());
    const std::string raise = "raise " + std::to_string(inner);
    EXPECT_EQ(driver.log, (std::vector<std::string>(5, raise)));
    // The dialogs themselves take input; the older one's owner is enabled again later.
    driver.Queue(native(NK::KeyDown, first, 'A'));
    EXPECT_EQ(Drain().size(), 1u);
    table.EnableWindow(main, true);
    driver.Queue(native(NK::CloseRequest, main));
    EXPECT_EQ(Kinds(Drain()), (std::vector<EventKind>{EventKind::CloseRequest}));
}

TEST_F(WindowTableTest, AnOwnerGainingTheFocusHandsItToItsDialog) {
    const WindowId main = Make();
    const WindowId dialog = Make(main);
    Drain();
    driver.log.clear();
    driver.Queue(native(NK::FocusGained, main));
    const auto events = Drain();
    EXPECT_EQ(Kinds(events), (std::vector<EventKind>{EventKind::FocusGained}));
    EXPECT_EQ(driver.log, (std::vector<std::string>{"raise " + std::to_string(dialog)}));
    EXPECT_EQ(table.FocusedWindow(), main);
    driver.Queue(native(NK::FocusLost, main));
    EXPECT_EQ(Kinds(Drain()), (std::vector<EventKind>{EventKind::FocusLost}));
    EXPECT_EQ(table.FocusedWindow(), 0u);
}

namespace {

NativeEvent tablePadButton(PadButton button, bool down) {
    NativeEvent event = native(down ? NK::PadDown : NK::PadUp, 0);
    event.pad = button;
    return event;
}

NativeEvent tablePadAxis(PadAxis axis, int value) {
    NativeEvent event = native(NK::PadAxis, 0, value);
    event.axis = axis;
    return event;
}

// The pad events among `events` as "window kind button-or-axis value".
std::vector<std::string> tablePadText(const std::vector<Event>& events) {
    std::vector<std::string> out;
    for (const Event& e : events) {
        const std::string at = std::to_string(e.window) + " ";
        if (e.kind == EventKind::PadDown || e.kind == EventKind::PadUp)
            out.push_back(at + (e.kind == EventKind::PadDown ? "down " : "up ") + std::to_string(int(e.pad)));
        else if (e.kind == EventKind::PadAxis)
            out.push_back(at + "axis " + std::to_string(int(e.axis)) + " " + std::to_string(e.code));
        else if (e.kind == EventKind::FocusGained || e.kind == EventKind::FocusLost)
            out.push_back(at + (e.kind == EventKind::FocusGained ? "gained" : "lost"));
    }
    return out;
}

} // namespace

TEST_F(WindowTableTest, PadInputGoesToTheFocusedWindowAndNowhereWithoutOne) {
    const WindowId a = Make();
    const WindowId b = Make();
    Drain();
    // Nobody has the focus yet: a game in the background must not move.
    driver.Queue(tablePadButton(PadButton::A, true));
    driver.Queue(tablePadAxis(PadAxis::LeftX, -32768));
    EXPECT_TRUE(Drain().empty());

    driver.Queue(native(NK::FocusGained, a));
    driver.Queue(tablePadButton(PadButton::A, true));
    driver.Queue(tablePadAxis(PadAxis::LeftX, -32768));
    driver.Queue(tablePadAxis(PadAxis::RightTrigger, 32767));
    driver.Queue(tablePadButton(PadButton::A, false));
    // The window system names b gaining the focus before a losing it: a hears first.
    driver.Queue(native(NK::FocusGained, b));
    driver.Queue(native(NK::FocusLost, a));
    driver.Queue(tablePadButton(PadButton::Right, true));
    const std::string sa = std::to_string(a) + " ", sb = std::to_string(b) + " ";
    EXPECT_EQ(
        tablePadText(Drain()),
        (std::vector<std::string>{sa + "gained", sa + "down 1", sa + "axis 1 -32768", sa + "axis 6 32767",
                                  sa + "up 1", sa + "lost", sb + "gained", sb + "down 15"}));

    // The focus left for another program's window: b hears it once, and pads reach nobody.
    driver.Queue(native(NK::FocusLost, b));
    driver.Queue(native(NK::FocusLost, b));
    driver.Queue(native(NK::FocusLost, a));
    driver.Queue(tablePadButton(PadButton::Right, false));
    driver.Queue(tablePadAxis(PadAxis::LeftY, 5));
    EXPECT_EQ(tablePadText(Drain()), (std::vector<std::string>{sb + "lost"}));
    EXPECT_EQ(table.FocusedWindow(), 0u);

    // A focused window that goes takes its focus along; no loss follows its Destroyed.
    driver.Queue(native(NK::FocusGained, b));
    Drain();
    table.DestroyWindow(b);
    driver.Queue(native(NK::FocusLost, b));
    driver.Queue(tablePadButton(PadButton::B, true));
    EXPECT_EQ(Kinds(Drain()), (std::vector<EventKind>{EventKind::Destroyed}));
}

TEST_F(WindowTableTest, PadInputOfABlockedOwnerGoesToItsInnermostDialogAndAPressBringsItForward) {
    const WindowId main = Make();
    const WindowId first = Make(main);
    const WindowId dialog = Make(main);
    const WindowId inner = Make(dialog);
    const WindowId lone = Make();
    (void)first;
    Drain();
    table.EnableWindow(main, false);
    driver.Queue(native(NK::FocusGained, main));
    Drain();
    driver.log.clear();
    driver.Queue(tablePadButton(PadButton::Start, true));
    driver.Queue(tablePadAxis(PadAxis::RightY, 32767));
    driver.Queue(tablePadButton(PadButton::Start, false));
    const std::string si = std::to_string(inner) + " ";
    EXPECT_EQ(tablePadText(Drain()),
              (std::vector<std::string>{si + "down 7", si + "axis 4 32767", si + "up 7"}));
    EXPECT_EQ(driver.log, (std::vector<std::string>{"raise " + std::to_string(inner)}));

    // A dialog that is disabled too takes nothing, nor does a disabled window without one.
    table.EnableWindow(inner, false);
    driver.Queue(tablePadButton(PadButton::Start, true));
    table.EnableWindow(lone, false);
    driver.Queue(native(NK::FocusGained, lone));
    driver.Queue(tablePadButton(PadButton::Start, true));
    driver.Queue(tablePadAxis(PadAxis::LeftX, 1));
    EXPECT_EQ(tablePadText(Drain()),
              (std::vector<std::string>{std::to_string(main) + " lost", std::to_string(lone) + " gained"}));
}

TEST_F(WindowTableTest, PadEventsWithoutAButtonOrAxisAreDroppedAndAFloodKeepsItsOrder) {
    const WindowId w = Make();
    driver.Queue(native(NK::FocusGained, w));
    Drain();
    driver.Queue(tablePadButton(PadButton::None, true));
    driver.Queue(tablePadButton(PadButton::None, false));
    driver.Queue(tablePadAxis(PadAxis::None, 100));
    NativeEvent named = tablePadButton(PadButton::X, true);
    named.window = 12345; // A controller names no window; the focus decides.
    driver.Queue(named);
    const std::vector<Event> events = Drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, w);
    EXPECT_EQ(events[0].pad, PadButton::X);
    EXPECT_EQ(events[0].axis, PadAxis::None);

    for (int i = 0; i < 10000; ++i) driver.Queue(tablePadAxis(PadAxis::LeftX, i - 5000));
    const std::vector<Event> flood = Drain();
    ASSERT_EQ(flood.size(), 10000u);
    for (int i = 0; i < 10000; ++i) {
        EXPECT_EQ(flood[i].code, i - 5000);
        if (flood[i].code != i - 5000) break;
    }
}

TEST_F(WindowTableTest, TheCaptureEndsWithALossEventExceptWhenTheProgramReleasesIt) {
    const WindowId a = Make();
    const WindowId b = Make();
    Drain();
    table.SetCapture(a);
    table.SetCapture(b); // a loses it
    table.SetCapture(0); // no loss
    table.SetCapture(a);
    table.EnableWindow(a, false);
    table.EnableWindow(b, false);
    table.EnableWindow(b, true);
    table.SetCapture(b);
    driver.Queue(native(NK::FocusLost, a)); // not the holder
    driver.Queue(native(NK::FocusLost, b));
    const auto events = Drain();
    ASSERT_EQ(Kinds(events), (std::vector<EventKind>(3, EventKind::CaptureLost)));
    EXPECT_EQ(events[0].window, a);
    EXPECT_EQ(events[1].window, a);
    EXPECT_EQ(events[2].window, b);
    EXPECT_EQ(table.CaptureWindow(), 0u);
}

TEST_F(WindowTableTest, MouseInputGoesToTheCaptureInItsClientCoordinates) {
    const WindowId a = Make(0, 4, 100, 80); // framed
    const WindowId b = Make(0, 0, 50, 50);
    table.MoveWindow(a, 100, 100);
    table.MoveWindow(b, 300, 100);
    const int frame = FrameWidth(4);
    Drain();
    // Without the capture the frame is not the client's.
    driver.Queue(native(NK::ButtonDown, a, Key_LButton, frame - 1, 10));
    driver.Queue(native(NK::MouseMove, a, 0, frame + 5, frame + 6));
    auto events = Drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].x, 5);
    EXPECT_EQ(events[0].y, 6);
    // With it, input over b is a's, left of a's client area.
    table.SetCapture(a);
    driver.Queue(native(NK::ButtonUp, b, Key_LButton, 10, 20));
    // Over none of ours: from the pointer.
    driver.cursor = {90, 100};
    driver.Queue(native(NK::MouseMove, 0, 0, 1, 1));
    events = Drain();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].window, a);
    EXPECT_EQ(events[0].kind, EventKind::MouseUp);
    EXPECT_EQ(events[0].button, MouseButton::Left);
    EXPECT_EQ(events[0].x, 300 + 10 - 100 - frame);
    EXPECT_EQ(events[0].y, 20 - frame);
    EXPECT_EQ(events[1].kind, EventKind::MouseMove);
    EXPECT_EQ(events[1].x, -10 - frame);
    EXPECT_EQ(events[1].y, -frame);
    // A button the program has no code for is nothing.
    driver.Queue(native(NK::ButtonDown, a, 0, frame + 1, frame + 1));
    EXPECT_TRUE(Drain().empty());
}

TEST_F(WindowTableTest, MousePositionsAreScaledDownToTheProgramsPixels) {
    table.SetScale(2);
    const WindowId w = Make();
    Drain();
    driver.Queue(native(NK::MouseMove, w, 0, 21, 9));
    const auto events = Drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].x, 10);
    EXPECT_EQ(events[0].y, 4);
    driver.cursor = {driver.areas[w].left - 1, driver.areas[w].top + 7};
    EXPECT_EQ(table.CursorPosition(w).x, -1);
    EXPECT_EQ(table.CursorPosition(w).y, 3);
    EXPECT_EQ(table.CursorPosition(99).x, 0);
}

TEST_F(WindowTableTest, KeysCarryThePointerAndSomeTypeTheirCharacter) {
    const WindowId w = Make();
    Drain();
    driver.cursor = {driver.areas[w].left + 7, driver.areas[w].top + 8};
    driver.Queue(native(NK::KeyDown, w, Key_Return));
    driver.Queue(native(NK::KeyUp, w, Key_Return));
    driver.Queue(native(NK::KeyDown, w, 0)); // a key without a code
    driver.Queue(native(NK::KeyDown, 42, 'A')); // no such window
    NativeEvent typed = native(NK::Character, w);
    typed.character = 0xE9;
    driver.Queue(typed);
    const auto events = Drain();
    ASSERT_EQ(Kinds(events), (std::vector<EventKind>{EventKind::KeyDown, EventKind::Character, EventKind::KeyUp,
                                                     EventKind::Character}));
    EXPECT_EQ(events[0].x, 7);
    EXPECT_EQ(events[0].y, 8);
    EXPECT_EQ(events[1].character, 13);
    EXPECT_EQ(events[3].character, 0xE9);
}

TEST_F(WindowTableTest, MadeEventsComeFirstThenPostedOnesInOrderThenNativeOnes) {
    const WindowId w = Make();
    driver.Queue(native(NK::CloseRequest, w));
    Event posted;
    posted.kind = EventKind::Posted;
    for (int i = 1; i <= 3; ++i) {
        posted.value = std::uint64_t(i);
        table.PostEvent(posted);
    }
    table.SetCapture(w);
    table.SetCapture(Make()); // w loses it: a made event
    const auto events = Drain();
    ASSERT_EQ(Kinds(events), (std::vector<EventKind>{EventKind::Resized, EventKind::Resized, EventKind::CaptureLost,
                                                     EventKind::Posted, EventKind::Posted, EventKind::Posted,
                                                     EventKind::CloseRequest}));
    EXPECT_EQ(events[3].value, 1u);
    EXPECT_EQ(events[5].value, 3u);
}

TEST_F(WindowTableTest, APostFromAnotherThreadWakesTheWaiter) {
    Make();
    Drain();
    std::thread poster([&] {
        Event posted;
        posted.kind = EventKind::Posted;
        posted.value = 7;
        table.PostEvent(posted);
    });
    const Event event = table.WaitEvent();
    poster.join();
    EXPECT_EQ(event.kind, EventKind::Posted);
    EXPECT_EQ(event.value, 7u);
}

TEST_F(WindowTableTest, ACallFromAnotherThreadWakesTheWaiterForTheEventItMade) {
    const WindowId w = Make();
    Drain();
    table.SetCapture(w);
    std::thread caller([&] { table.EnableWindow(w, false); });
    const Event event = table.WaitEvent();
    caller.join();
    EXPECT_EQ(event.kind, EventKind::CaptureLost);
}

TEST_F(WindowTableTest, PresentingIsClippedToThePixelsAndTheClient) {
    const WindowId w = Make(0, 0, 100, 80);
    std::vector<std::uint8_t> bits(std::size_t(60) * 200 * 3);
    const Surface pixels{bits.data(), 200, 60, 600, false};
    driver.log.clear();
    table.Present(w, pixels, Rect{-5, 10, 150, 90});
    table.Present(w, Surface{}, Rect{0, 0, 10, 10});
    table.Present(9, pixels, Rect{0, 0, 10, 10});
    EXPECT_EQ(driver.log, (std::vector<std::string>{"present 1 0,10,100,60", "present 1 0,0,0,0"}));
}
