#include <gtest/gtest.h>

#include <vector>

#include "engine/MainThread.hpp"
#include "game/FullScreenKeys.hpp"
#include "game/OGameWindow.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "rules/BoardRules.hpp"
#include "tools/driver/HeadlessDriver.hpp"

using namespace game;

namespace {

using platform::Key_Alt;
using platform::Key_F11;
using platform::Key_Return;

TEST(FullScreenKeys, F11AndAltEnterSwitchOnceAPressEvenWhileTheKeyboardRepeatsThem) {
    FullScreenKeys keys;
    EXPECT_TRUE(keys.KeyDown(Key_F11));
    EXPECT_FALSE(keys.KeyDown(Key_F11)); // The keyboard repeating a held key.
    keys.KeyUp(Key_F11);
    EXPECT_TRUE(keys.KeyDown(Key_F11));
    keys.KeyUp(Key_F11);

    EXPECT_FALSE(keys.KeyDown(Key_Return)); // Enter alone is the court's.
    keys.KeyUp(Key_Return);
    EXPECT_FALSE(keys.KeyDown(Key_Alt));
    EXPECT_TRUE(keys.KeyDown(Key_Return));
    EXPECT_FALSE(keys.KeyDown(Key_Alt)); // Alt repeats too.
    EXPECT_FALSE(keys.KeyDown(Key_Return));
    keys.KeyUp(Key_Return);
    EXPECT_TRUE(keys.KeyDown(Key_Return)); // Alt still held: a second switch.
    keys.KeyUp(Key_Return);
    keys.KeyUp(Key_Alt);
    EXPECT_FALSE(keys.KeyDown(Key_Return));
    keys.KeyUp(Key_Return);

    // Alt held when the focus went is not held afterwards: its release went elsewhere.
    EXPECT_FALSE(keys.KeyDown(Key_Alt));
    keys.Release();
    EXPECT_FALSE(keys.KeyDown(Key_Return));
    EXPECT_FALSE(keys.KeyDown('A'));
    EXPECT_FALSE(keys.KeyDown(platform::Key_F1));
}

class FullScreenWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        driver.DestroyWindows({window});
        engine::MainThread::Reset();
    }
    void Open() {
        rules::Settings() = {};
        GameWindowSetup setup;
        setup.seed = 7;
        setup.fullScreenSwitched = [this](bool full) { switched.push_back(full); };
        window = new OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, setup);
        ASSERT_EQ(window->CreateFailed(), 0);
        ASSERT_TRUE(window->Start());
        driver.Pump();
        driver.Frame(window);
    }
    platform::HeadlessPlatform& os() { return driver.Platform(); }
    bool Full() { return os().IsFullScreen(window->PlatformWindow()); }

    driver::HeadlessDriver driver{platform::Size{2560, 1440}};
    OGameWindow* window = nullptr;
    std::vector<bool> switched;
};

TEST_F(FullScreenWindowTest, F11AndAltEnterSwitchTheGameWindowAndSayWhichWayWithoutTouchingTheCourt) {
    Open();
    const std::size_t inputs = window->Game()->Replay()->inputs.size();
    driver.Press(window, Key_F11);
    EXPECT_TRUE(Full());
    EXPECT_EQ(os().ScaleOf(window->PlatformWindow()), 2);
    // The game's client stays 750 x 600: its pixels and its mouse are as in the window.
    EXPECT_EQ(os().ClientSize(window->PlatformWindow()).width, 750);
    driver.Click(window, 300, 200);
    driver.Press(window, Key_F11);
    EXPECT_FALSE(Full());
    driver.Send(window, platform::EventKind::KeyDown, Key_Alt);
    driver.Press(window, Key_Return);
    EXPECT_TRUE(Full());
    driver.Press(window, Key_Return);
    EXPECT_FALSE(Full());
    driver.Send(window, platform::EventKind::KeyUp, Key_Alt);
    EXPECT_EQ(switched, (std::vector<bool>{true, false, true, false}));
    // Alt+Enter clicked nothing on the court: the one input is the mouse's click.
    EXPECT_EQ(window->Game()->Replay()->inputs.size(), inputs + 1);
    EXPECT_FALSE(window->Keys()->Visible());
}

TEST_F(FullScreenWindowTest, ADialogOpenedOnTheFullScreenTakesItsScaleAndSwitchesItWithItsOwnKeys) {
    Open();
    driver.Press(window, Key_F11);
    ASSERT_TRUE(Full());
    driver.FollowDialogs(window);
    driver.Press(window, 'O');
    engine::OWindow* dialog = driver.TopDialog();
    ASSERT_NE(dialog, nullptr);
    const platform::WindowId id = dialog->PlatformWindow();
    EXPECT_EQ(os().ScaleOf(id), 2);
    // Centred on the game's client, the frame's width right of and below the exact centre.
    const platform::Rect game = os().WindowArea(window->PlatformWindow());
    const platform::Rect area = os().WindowArea(id);
    const platform::Size size = os().ClientSize(id);
    EXPECT_NEAR(area.left + platform::kFrameWidth + size.width / 2.0, game.left + 375 + platform::kFrameWidth,
                1);
    EXPECT_NEAR(area.top + platform::kFrameWidth + size.height / 2.0, game.top + 300 + platform::kFrameWidth,
                1);
    // The owner switches back while the dialog is open; the dialog comes along at scale 1.
    EXPECT_TRUE(os().SetFullScreen(window->PlatformWindow(), false));
    EXPECT_EQ(os().ScaleOf(id), 1);
    const platform::Rect back = os().WindowArea(window->PlatformWindow());
    EXPECT_EQ(os().WindowArea(id).left - back.left, area.left - game.left + platform::kFrameWidth);
    // F11 and Alt+Enter work in the dialog too, and Enter with Alt presses none of its buttons.
    driver.Press(dialog, Key_F11);
    EXPECT_TRUE(Full());
    EXPECT_EQ(os().ScaleOf(id), 2);
    driver.Send(dialog, platform::EventKind::KeyDown, Key_Alt);
    driver.Press(dialog, Key_Return);
    driver.Send(dialog, platform::EventKind::KeyUp, Key_Alt);
    EXPECT_FALSE(Full());
    EXPECT_EQ(driver.TopDialog(), dialog);
    EXPECT_EQ(switched, (std::vector<bool>{true, true, false}));
    // Once more, back on the full screen.
    driver.Press(dialog, Key_F11);
    EXPECT_TRUE(Full());
    // Its input is as in the window: Escape answers it.
    driver.Press(dialog, platform::Key_Escape);
    EXPECT_EQ(driver.TopDialog(), nullptr);
    // Closing the game window on the full screen leaves nothing behind.
    ASSERT_TRUE(Full());
    const platform::WindowId gone = window->PlatformWindow();
    driver.DestroyWindows({window});
    window = nullptr;
    EXPECT_FALSE(os().IsFullScreen(gone));
    EXPECT_TRUE(os().WindowArea(gone).IsEmpty());
}

} // namespace
