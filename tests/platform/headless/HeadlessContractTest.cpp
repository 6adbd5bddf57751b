#include "PlatformContract.hpp"

#include "platform/headless/HeadlessPlatform.hpp"

namespace {

using namespace platform;

// The user's input is injected as the window system would report it; the screen
// is each window's recorded image.
class HeadlessBackend : public platformtest::Backend {
public:
    Platform& Os() override { return m_os; }

    void UserMouseMove(WindowId window, int x, int y) override {
        inject(EventKind::MouseMove, window, 0, x, y);
    }
    void UserButton(WindowId window, bool down, int code, int x, int y) override {
        Event e;
        e.kind = down ? EventKind::MouseDown : EventKind::MouseUp;
        e.window = window;
        e.button = platform::ButtonOf(code);
        e.x = x;
        e.y = y;
        m_os.Inject(e);
    }
    // Injected input is in client coordinates, from where the window shows its client.
    void UserMouseMoveAt(WindowId window, int x, int y) override {
        const Point origin = m_os.Window(window).ClientOrigin();
        UserMouseMove(window, x - origin.x, y - origin.y);
    }
    void UserButtonAt(WindowId window, bool down, int code, int x, int y) override {
        const Point origin = m_os.Window(window).ClientOrigin();
        UserButton(window, down, code, x - origin.x, y - origin.y);
    }
    void UserKey(WindowId window, bool down, int code) override {
        inject(down ? EventKind::KeyDown : EventKind::KeyUp, window, code, 0, 0);
    }
    void UserText(WindowId window, const std::string& text) override {
        for (const char c : text) {
            Event e;
            e.kind = EventKind::Character;
            e.window = window;
            e.character = std::uint8_t(c);
            m_os.Inject(e);
        }
    }
    void UserClose(WindowId window) override { inject(EventKind::CloseRequest, window, 0, 0, 0); }
    void MovePointer(int x, int y) override { m_os.SetCursor(0, {x, y}); }
    void UserPadButton(PadButton button, bool down) override { m_os.InjectPadButton(button, down); }
    void UserPadAxis(PadAxis axis, int value) override { m_os.InjectPadAxis(axis, value); }
    void UserFocusElsewhere() override { inject(EventKind::FocusLost, m_os.ActiveWindow(), 0, 0, 0); }

    void Flush() override {}
    WindowId FocusedWindow() override { return m_os.ActiveWindow(); }
    std::string Title(WindowId window) override { return m_os.Window(window).title; }
    std::vector<std::uint32_t> Shown(WindowId window) override {
        const Surface screen = m_os.Screen(window);
        std::vector<std::uint32_t> shown;
        for (int y = 0; y < screen.height; ++y)
            for (int x = 0; x < screen.width; ++x) {
                const std::uint8_t* p = screen.row(y) + x * 3;
                shown.push_back(std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]);
            }
        return shown;
    }
    Rect ScreenArea(WindowId window) override { return m_os.ScreenArea(window); }

private:
    void inject(EventKind kind, WindowId window, int code, int x, int y) {
        Event e;
        e.kind = kind;
        e.window = window;
        e.code = code;
        e.x = x;
        e.y = y;
        m_os.Inject(e);
    }

    HeadlessPlatform m_os{Size{1024, 768}};
};

std::unique_ptr<platformtest::Backend> makeHeadless() {
    return std::make_unique<HeadlessBackend>();
}

} // namespace

namespace platformtest {

INSTANTIATE_TEST_SUITE_P(Headless, PlatformContract, ::testing::Values(&makeHeadless), BackendName);
INSTANTIATE_TEST_SUITE_P(Headless, ScaledPlatformContract, ::testing::Values(&makeHeadless), BackendName);

} // namespace platformtest
