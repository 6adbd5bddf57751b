#include "PlatformContract.hpp"

#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "platform/KeyCodes.hpp"
#include "platform/sdl/Conversions.hpp"
#include "platform/sdl/SdlPlatform.hpp"
#include "X11Focus.hpp"

namespace {

using namespace platform;

SDL_Keycode sdlKey(int code) {
    switch (code) {
    case 'A':
        return SDLK_a;
    case Key_Backspace:
        return SDLK_BACKSPACE;
    case Key_Tab:
        return SDLK_TAB;
    case Key_Return:
        return SDLK_RETURN;
    case Key_Escape:
        return SDLK_ESCAPE;
    case Key_F12:
        return SDLK_F12;
    default:
        return SDLK_UNKNOWN;
    }
}

std::uint8_t sdlButton(int code) {
    switch (code) {
    case Key_LButton:
        return SDL_BUTTON_LEFT;
    case Key_RButton:
        return SDL_BUTTON_RIGHT;
    default:
        return SDL_BUTTON_MIDDLE;
    }
}

// The SDL game controller button or axis behind the program's, or -1.
int sdlPadButton(PadButton button) {
    for (int i = 0; i < SDL_CONTROLLER_BUTTON_MAX; ++i)
        if (PadButtonFromSdl(i) == button) return i;
    return -1;
}

int sdlPadAxis(PadAxis axis) {
    for (int i = 0; i < SDL_CONTROLLER_AXIS_MAX; ++i)
        if (PadAxisFromSdl(i) == axis) return i;
    return -1;
}

// The user's input goes into SDL's queue as the X server's would arrive, a game controller's
// through SDL's virtual controller; the screen is read back from the X server.
class SdlBackend : public platformtest::Backend {
public:
    SdlBackend() : m_os(std::make_unique<SdlPlatform>(m_lockPath)) {
        m_os->ScreenSize(); // Starts SDL's video, which the pointer needs.
        // Plugged in now; the driver opens it when it reads that, before the first test's input.
        SDL_VirtualJoystickDesc pad{};
        pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        pad.naxes = SDL_CONTROLLER_AXIS_MAX;
        pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        pad.name = "Contract pad";
        const int index = SDL_JoystickAttachVirtualEx(&pad);
        m_pad = index < 0 ? nullptr : SDL_JoystickOpen(index);
    }
    ~SdlBackend() override {
        if (m_pad != nullptr) {
            const SDL_JoystickID id = SDL_JoystickInstanceID(m_pad);
            SDL_JoystickClose(m_pad);
            for (int i = 0; i < SDL_NumJoysticks(); ++i)
                if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        }
        m_os.reset();
        std::filesystem::remove(m_lockPath);
    }

    Platform& Os() override { return *m_os; }

    // X reports the pointer from the borderless window's outer corner, outside the frame.
    void UserMouseMove(WindowId window, int x, int y) override {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = window;
        e.motion.x = x + clientOffset(window);
        e.motion.y = y + clientOffset(window);
        SDL_PushEvent(&e);
    }
    void UserButton(WindowId window, bool down, int code, int x, int y) override {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = window;
        e.button.button = sdlButton(code);
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x + clientOffset(window);
        e.button.y = y + clientOffset(window);
        SDL_PushEvent(&e);
    }
    // X reports the pointer from the window's outer corner.
    void UserMouseMoveAt(WindowId window, int x, int y) override {
        const Rect area = ScreenArea(window);
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = window;
        e.motion.x = x - area.left;
        e.motion.y = y - area.top;
        SDL_PushEvent(&e);
    }
    void UserButtonAt(WindowId window, bool down, int code, int x, int y) override {
        const Rect area = ScreenArea(window);
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = window;
        e.button.button = sdlButton(code);
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x - area.left;
        e.button.y = y - area.top;
        SDL_PushEvent(&e);
    }
    void UserKey(WindowId window, bool down, int code) override {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = window;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = sdlKey(code);
        SDL_PushEvent(&e);
    }
    void UserText(WindowId window, const std::string& text) override {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = window;
        const std::string utf8 = CodePage1252ToUtf8(text);
        std::strncpy(e.text.text, utf8.c_str(), sizeof e.text.text - 1);
        SDL_PushEvent(&e);
    }
    void UserClose(WindowId window) override {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = window;
        e.window.event = SDL_WINDOWEVENT_CLOSE;
        SDL_PushEvent(&e);
    }
    void MovePointer(int x, int y) override { SDL_WarpMouseGlobal(x, y); }
    // The virtual controller's state takes effect, and its events are queued, on an update.
    void UserPadButton(PadButton button, bool down) override {
        ASSERT_NE(m_pad, nullptr) << SDL_GetError();
        SDL_JoystickSetVirtualButton(m_pad, sdlPadButton(button), down ? SDL_PRESSED : SDL_RELEASED);
        SDL_JoystickUpdate();
    }
    void UserPadAxis(PadAxis axis, int value) override {
        ASSERT_NE(m_pad, nullptr) << SDL_GetError();
        SDL_JoystickSetVirtualAxis(m_pad, sdlPadAxis(axis), Sint16(value));
        SDL_JoystickUpdate();
    }
    void UserFocusElsewhere() override { ASSERT_TRUE(GiveTheFocusToNobody()); }

    void Flush() override {
        // A round trip: every event the server made for our earlier requests is then
        // in hand, and the pump moves it into SDL's queue.
        SDL_GetGlobalMouseState(nullptr, nullptr);
        SDL_PumpEvents();
    }
    WindowId FocusedWindow() override {
        SDL_Window* focus = SDL_GetKeyboardFocus();
        return focus != nullptr ? WindowId(SDL_GetWindowID(focus)) : 0;
    }
    std::string Title(WindowId window) override {
        SDL_Window* w = SDL_GetWindowFromID(window);
        return w != nullptr ? Utf8ToCodePage1252(SDL_GetWindowTitle(w)) : std::string();
    }
    std::vector<std::uint32_t> Shown(WindowId window) override;
    Rect ScreenArea(WindowId window) override {
        SDL_Window* w = SDL_GetWindowFromID(window);
        if (w == nullptr) return {};
        int x = 0, y = 0, width = 0, height = 0;
        SDL_GetWindowPosition(w, &x, &y);
        SDL_GetWindowSize(w, &width, &height);
        return {x, y, x + width, y + height};
    }

private:
    // How many screen pixels the client corner lies inside the outer one: half of what the
    // outer window on the screen has beyond the client area at the window's scale.
    int clientOffset(WindowId window) {
        const Rect screen = ScreenArea(window);
        const Rect outer = m_os->WindowArea(window);
        if (outer.IsEmpty()) return 0;
        const int scale = int(screen.Width() / outer.Width());
        return int(screen.Width() - std::int64_t{m_os->ClientSize(window).width} * scale) / 2;
    }

    static std::string uniqueLockPath() {
        static std::atomic<int> count{0};
        return (std::filesystem::temp_directory_path() /
                ("contract-" + std::to_string(::getpid()) + "-" + std::to_string(count++) + ".lock"))
            .string();
    }

    std::string m_lockPath = uniqueLockPath();
    std::unique_ptr<SdlPlatform> m_os;
    SDL_Joystick* m_pad = nullptr; // the virtual controller, as the user's hand holds it
};

// The X server's root window through ImageMagick, cut down to the window's client area.
std::vector<std::uint32_t> SdlBackend::Shown(WindowId window) {
    const std::string path = m_lockPath + ".ppm";
    const std::string command = "import -window root -depth 8 ppm:" + path + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    in >> magic >> width >> height >> maximum;
    in.get();
    std::vector<std::uint8_t> rgb(std::size_t(width) * height * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()));
    const bool read = in.good();
    in.close();
    std::filesystem::remove(path);
    if (magic != "P6" || maximum != 255 || !read) return {};

    const Rect area = ScreenArea(window);
    std::vector<std::uint32_t> shown;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            if (x < 0 || y < 0 || x >= width || y >= height) return {};
            const std::uint8_t* p = rgb.data() + (std::size_t(y) * width + x) * 3;
            shown.push_back(std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2]);
        }
    return shown;
}

std::unique_ptr<platformtest::Backend> makeSdl() {
    return std::make_unique<SdlBackend>();
}

} // namespace

namespace platformtest {

INSTANTIATE_TEST_SUITE_P(Sdl, PlatformContract, ::testing::Values(&makeSdl), BackendName);
INSTANTIATE_TEST_SUITE_P(Sdl, ScaledPlatformContract, ::testing::Values(&makeSdl), BackendName);

} // namespace platformtest
