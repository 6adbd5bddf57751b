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
    void PlaySound(const std::string&, bool) override {}
    void SetIcon(WindowId, const Surface&, std::uint32_t) override {}

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
    Drain();
    EXPECT_EQ(table.FocusedWindow(), 0u);
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
