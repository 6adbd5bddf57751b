// The shared headless driver: what a click, a key and typing put in, how followed dialogs
// are torn down, and how frames move the clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/MainThread.hpp"
#include "engine/OWindow.hpp"
#include "engine/WindowControl.hpp"
#include "platform/KeyCodes.hpp"
#include "scene/OGraph.hpp"
#include "tools/driver/HeadlessDriver.hpp"

namespace {

using engine::OWindow;
using platform::EventKind;

std::vector<std::string> g_freed;

// A window that records the input the window procedure hands it, the times of its frames
// and its own destruction.
class LogWindow : public OWindow {
public:
    LogWindow(OWindow* owner, std::string name)
        : OWindow(owner, {0x0099CCFF, platform::kFramedPopupStyle, 300, 200, false}),
          m_name(std::move(name)) {}
    ~LogWindow() override { g_freed.push_back(m_name); }
    void Tick(std::uint32_t time) override {
        ticks.push_back(time);
        OWindow::Tick(time);
    }
    void MouseMove(int x, int y) override {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
        OWindow::MouseMove(x, y);
    }
    void KeyDown(int code, int x, int y) override {
        log.push_back("down " + std::to_string(code) + " " + std::to_string(x) + "," + std::to_string(y));
        OWindow::KeyDown(code, x, y);
    }
    void KeyUp(int code, int x, int y) override {
        log.push_back("up " + std::to_string(code) + " " + std::to_string(x) + "," + std::to_string(y));
        OWindow::KeyUp(code, x, y);
    }
    void Char(std::uint8_t ch) override {
        log.push_back("char " + std::to_string(ch));
        OWindow::Char(ch);
    }
    std::vector<std::string> log;
    std::vector<std::uint32_t> ticks;

private:
    std::string m_name;
};

// A control that behaves as the real ones do with the mouse: it takes the capture when the
// mouse comes over it, gives it back when the mouse leaves, and so is the one that gets a
// press only while the mouse has been seen over it.
class HoverControl : public scene::OGraph, public engine::WindowControl {
public:
    HoverControl(OWindow& window, std::string name, float x, std::vector<std::string>& log)
        : m_window(window), m_name(std::move(name)), m_log(log) {
        SetPosition(x, 0, 0);
        SetSize(100, 100, 0);
    }
    scene::OGraph* Graph() override { return this; }
    bool IsFocusable() const override { return false; }
    bool HitTest(int x, int y) override {
        return x >= 0 && y >= 0 && static_cast<float>(x) < Width() && static_cast<float>(y) < Height();
    }
    void OnCaptureChange(engine::WindowControl* capture) override {
        if (capture != this) m_over = false;
    }
    void OnMouseMove(int x, int y) override {
        const bool over = HitTest(x, y);
        if (over && !m_over) m_window.SetCaptureControl(this);
        if (!over && m_over) m_window.SetCaptureControl(nullptr);
        m_over = over;
    }
    void OnFocusChange(engine::WindowControl*) override {}
    void OnKeyDown(int code, int, int) override { m_log.push_back(m_name + ".down " + std::to_string(code)); }
    void OnKeyUp(int code, int, int) override { m_log.push_back(m_name + ".up " + std::to_string(code)); }
    void OnChar(std::uint8_t) override {}

private:
    OWindow& m_window;
    std::string m_name;
    std::vector<std::string>& m_log;
    bool m_over = false;
};

class HeadlessDriverTest : public ::testing::Test {
protected:
    void SetUp() override { g_freed.clear(); }
    void TearDown() override {
        driver.DestroyDialogs();
        driver.DestroyWindows(windows);
    }
    LogWindow* Make(const std::string& name, OWindow* owner = nullptr) {
        auto* w = new LogWindow(owner, name);
        windows.push_back(w);
        return w;
    }

    driver::HeadlessDriver driver;
    std::vector<OWindow*> windows;
};

std::string Down(int code, int x, int y) {
    return "down " + std::to_string(code) + " " + std::to_string(x) + "," + std::to_string(y);
}
std::string Up(int code, int x, int y) {
    return "up " + std::to_string(code) + " " + std::to_string(x) + "," + std::to_string(y);
}

TEST_F(HeadlessDriverTest, ClickArrivesAsAMouseDoesThenPressesAndReleasesThere) {
    LogWindow* w = Make("w");
    driver.Pump();
    driver.Click(w, 30, 40);
    EXPECT_EQ(w->log,
              (std::vector<std::string>{"move 30,40", "move 30,40", Down(platform::Key_LButton, 30, 40),
                                        Up(platform::Key_LButton, 30, 40)}));
    // Another button, at the same place: the press takes the cursor's position.
    w->log.clear();
    driver.Click(w, 31, 41, platform::Key_RButton);
    EXPECT_EQ(w->log,
              (std::vector<std::string>{"move 31,41", "move 31,41", Down(platform::Key_RButton, 31, 41),
                                        Up(platform::Key_RButton, 31, 41)}));
}

TEST_F(HeadlessDriverTest, ClickFromOneControlOntoAnotherPressesTheOneUnderTheMouse) {
    LogWindow* w = Make("w");
    std::vector<std::string> log;
    auto* left = new HoverControl(*w, "left", 0, log);
    auto* right = new HoverControl(*w, "right", 100, log);
    w->AddObject(left);
    w->AddObject(right);
    driver.Pump();
    driver.MoveTo(w, 50, 50);
    ASSERT_EQ(w->CaptureControl(), left);
    // One reported move only takes the capture from the control the mouse left: a press
    // then would reach nobody. That is why a click arrives with two.
    driver.Platform().SetCursor(w->PlatformWindow(), {150, 50});
    driver.Send(w, EventKind::MouseMove, 0, 150, 50);
    EXPECT_EQ(w->CaptureControl(), nullptr);
    driver.MoveTo(w, 50, 50);
    ASSERT_EQ(w->CaptureControl(), left);

    driver.Click(w, 150, 50);
    EXPECT_EQ(log, (std::vector<std::string>{"right.down " + std::to_string(platform::Key_LButton),
                                             "right.up " + std::to_string(platform::Key_LButton)}));
    EXPECT_EQ(w->CaptureControl(), right);
}

TEST_F(HeadlessDriverTest, ClickOnAimsAtTheMiddleOfTheObject) {
    LogWindow* w = Make("w");
    std::vector<std::string> log;
    auto* control = new HoverControl(*w, "c", 100, log);
    w->AddObject(control);
    driver.Pump();
    driver.ClickOn(w, control);
    EXPECT_EQ(w->log.front(), "move 150,50");
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(HeadlessDriverTest, KeysAndTypedTextReachTheWindowAndInjectWaitsForThePump) {
    LogWindow* w = Make("w");
    driver.Pump();
    driver.Platform().SetCursor(w->PlatformWindow(), {5, 6});
    driver.Press(w, platform::Key_Return);
    // Enter is followed by its character, as the window system sends it.
    EXPECT_EQ(w->log, (std::vector<std::string>{Down(platform::Key_Return, 5, 6), "char 13",
                                                Up(platform::Key_Return, 5, 6)}));
    w->log.clear();
    driver.Type(w, "a\xE9");
    EXPECT_EQ(w->log, (std::vector<std::string>{"char 97", "char 233"}));
    w->log.clear();
    driver.Inject(w, EventKind::KeyDown, 'A');
    EXPECT_TRUE(w->log.empty());
    driver.Pump();
    EXPECT_EQ(w->log, (std::vector<std::string>{Down('A', 5, 6)}));
}

TEST_F(HeadlessDriverTest, AFollowedDialogThatClosedIsFreedByThePumpAnUnfollowedOneIsNot) {
    LogWindow* owner = Make("owner");
    auto* dialog = new LogWindow(owner, "dialog");
    driver.FollowDialogs(owner);
    driver.Pump();
    ASSERT_TRUE(owner->IsBlocked());
    EXPECT_EQ(driver.TopDialog(), dialog);
    driver.Send(dialog, EventKind::CloseRequest);
    EXPECT_FALSE(OWindow::IsLiveWindow(dialog));
    EXPECT_EQ(g_freed, (std::vector<std::string>{"dialog"}));
    EXPECT_FALSE(owner->IsBlocked());
    EXPECT_EQ(driver.TopDialog(), nullptr);

    // Without a frame thread nobody else frees it: a dialog of a window not followed stays.
    LogWindow* other = Make("other");
    LogWindow* kept = Make("kept", other);
    driver.Pump();
    driver.Send(kept, EventKind::CloseRequest);
    EXPECT_TRUE(OWindow::IsLiveWindow(kept));
    EXPECT_TRUE(kept->IsClosing());
}

TEST_F(HeadlessDriverTest, DestroyDialogsFreesTheChainTopFirst) {
    LogWindow* owner = Make("owner");
    auto* first = new LogWindow(owner, "first");
    auto* second = new LogWindow(first, "second");
    driver.FollowDialogs(owner);
    driver.Pump();
    ASSERT_EQ(OWindow::DialogOf(first), second);
    EXPECT_EQ(driver.TopDialog(), second);
    driver.DestroyDialogs();
    driver.Pump();
    EXPECT_EQ(g_freed, (std::vector<std::string>{"second", "first"}));
    EXPECT_FALSE(owner->IsBlocked());
    EXPECT_EQ(driver.TopDialog(), nullptr);
    // A dialog that opens later is followed as well.
    auto* later = new LogWindow(owner, "later");
    driver.Pump();
    EXPECT_EQ(driver.TopDialog(), later);
}

TEST_F(HeadlessDriverTest, DestroyWindowsFreesTheLiveOnesAndPassesOverTheGone) {
    LogWindow* first = Make("first");
    LogWindow* second = Make("second");
    driver.Pump();
    OWindow::Destroy(first);
    driver.DestroyWindows({first, second, nullptr});
    EXPECT_FALSE(OWindow::IsLiveWindow(second));
    EXPECT_EQ(g_freed, (std::vector<std::string>{"first", "second"}));
    // What the destruction queued has been served.
    platform::Event left;
    EXPECT_FALSE(driver.Platform().PollEvent(left));
}

TEST_F(HeadlessDriverTest, FramesRunAtTheClockWhichMovesByTheLastWindowsPeriod) {
    LogWindow* slow = Make("slow");
    LogWindow* fast = Make("fast");
    slow->SetFramesPerSecond(25);
    fast->SetFramesPerSecond(50);
    driver.Pump();
    EXPECT_EQ(driver.Time(), 1000u);
    driver.Frame(slow);
    EXPECT_EQ(driver.Time(), 1040u);
    driver.Frame({slow, fast});
    EXPECT_EQ(driver.Time(), 1060u);
    EXPECT_EQ(slow->ticks, (std::vector<std::uint32_t>{1000, 1040}));
    EXPECT_EQ(fast->ticks, (std::vector<std::uint32_t>{1040}));
    // A rate of none is taken as one frame a second, never a division by zero.
    fast->SetFramesPerSecond(0);
    driver.Frame(fast);
    EXPECT_EQ(driver.Time(), 2060u);
    driver.Frame(std::vector<OWindow*>{});
    EXPECT_EQ(driver.Time(), 2060u);
}

} // namespace
