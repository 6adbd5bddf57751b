#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "X11Focus.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/sdl/SdlPlatform.hpp"

using namespace platform;

namespace {

std::string padLockPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            ("pad-" + std::string(name) + "-" + std::to_string(::getpid()) + ".lock"))
        .string();
}

WindowSpec padWindow() {
    WindowSpec s;
    s.name = "Pad";
    s.width = 120;
    s.height = 90;
    return s;
}

// A virtual controller plugged into SDL as a user plugs one in, with the hand that holds it.
class VirtualPad {
public:
    // `controller`: a game controller, or else a plain joystick that SDL has no mapping for.
    explicit VirtualPad(bool controller = true) {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = controller ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_THROTTLE;
        desc.naxes = controller ? SDL_CONTROLLER_AXIS_MAX : 2;
        desc.nbuttons = controller ? SDL_CONTROLLER_BUTTON_MAX : 3;
        desc.name = "Test pad";
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        m_hand = index < 0 ? nullptr : SDL_JoystickOpen(index);
        m_id = m_hand != nullptr ? SDL_JoystickInstanceID(m_hand) : -1;
    }
    ~VirtualPad() { Unplug(); }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    bool Plugged() const { return m_hand != nullptr; }
    SDL_JoystickID Id() const { return m_id; }
    // Each change is queued as SDL's events at once.
    void Button(SDL_GameControllerButton button, bool down) {
        SDL_JoystickSetVirtualButton(m_hand, button, down ? SDL_PRESSED : SDL_RELEASED);
        SDL_JoystickUpdate();
    }
    void Axis(SDL_GameControllerAxis axis, Sint16 value) {
        SDL_JoystickSetVirtualAxis(m_hand, axis, value);
        SDL_JoystickUpdate();
    }
    void Unplug() {
        if (m_hand == nullptr) return;
        SDL_JoystickClose(m_hand);
        m_hand = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == m_id) SDL_JoystickDetachVirtual(i);
        SDL_JoystickUpdate();
    }

private:
    SDL_Joystick* m_hand = nullptr;
    SDL_JoystickID m_id = -1;
};

// Every event up to a release of F12 on `marker`, pushed after what SDL has in hand.
std::vector<Event> padEventsUntilMarker(SdlPlatform& platform, WindowId marker) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    SDL_GetGlobalMouseState(nullptr, nullptr); // A round trip: the X server's events are in hand.
    SDL_PumpEvents();
    SDL_Event key{};
    key.type = SDL_KEYUP;
    key.key.windowID = marker;
    key.key.state = SDL_RELEASED;
    key.key.keysym.sym = SDLK_F12;
    SDL_PushEvent(&key);
    std::vector<Event> events;
    for (;;) {
        const Event e = platform.WaitEvent();
        if (e.kind == EventKind::KeyUp && e.window == marker && e.code == Key_F12) return events;
        events.push_back(e);
    }
}

// The pad and focus events among `events` as "<window> <what>".
std::vector<std::string> padText(const std::vector<Event>& events) {
    std::vector<std::string> out;
    for (const Event& e : events) {
        const std::string at = std::to_string(e.window) + " ";
        if (e.kind == EventKind::PadDown) out.push_back(at + "down " + std::to_string(int(e.pad)));
        if (e.kind == EventKind::PadUp) out.push_back(at + "up " + std::to_string(int(e.pad)));
        if (e.kind == EventKind::PadAxis)
            out.push_back(at + "axis " + std::to_string(int(e.axis)) + " " + std::to_string(e.code));
        if (e.kind == EventKind::FocusLost) out.push_back(at + "unfocus");
    }
    return out;
}

// Takes events until the window is the one with the focus; false if it never is.
bool padFocusReaches(SdlPlatform& platform, WindowId window, WindowId marker) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (platform.FocusedWindow() != window) {
        padEventsUntilMarker(platform, marker);
        if (std::chrono::steady_clock::now() > deadline) return false;
    }
    return true;
}

} // namespace

TEST(SdlGameController, APluggedInControllersInputReachesTheFocusedWindowAndItsUnpluggingLetsGo) {
    SdlPlatform platform(padLockPath("plug"));
    const WindowId w = platform.CreateWindow(padWindow());
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(padFocusReaches(platform, w, w));
    VirtualPad pad;
    ASSERT_TRUE(pad.Plugged()) << SDL_GetError();
    padEventsUntilMarker(platform, w); // The driver reads that it was plugged in, and opens it.
    ASSERT_NE(SDL_GameControllerFromInstanceID(pad.Id()), nullptr);

    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    pad.Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    pad.Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, -20000);
    pad.Axis(SDL_CONTROLLER_AXIS_RIGHTY, 32767);
    pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, SDL_JOYSTICK_AXIS_MAX);
    const std::string at = std::to_string(w) + " ";
    EXPECT_EQ(padText(padEventsUntilMarker(platform, w)),
              (std::vector<std::string>{at + "down 1", at + "down 14", at + "up 14", at + "axis 1 -20000",
                                        at + "axis 4 32767", at + "axis 6 32767"}));

    // Unplugged with A down, the stick pushed and the trigger pulled: each is let go once.
    pad.Unplug();
    std::vector<std::string> released = padText(padEventsUntilMarker(platform, w));
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released,
              (std::vector<std::string>{at + "axis 1 0", at + "axis 4 0", at + "axis 6 0", at + "up 1"}));
    EXPECT_EQ(SDL_GameControllerFromInstanceID(pad.Id()), nullptr) << "the driver still holds it open";
}

// SDL 2.26 sends a pad's releases itself before it reports it removed; an older one does not,
// and a full queue drops them. The driver lets go of what it saw held all the same, once.
TEST(SdlGameController, AnUnpluggingWithoutSdlsOwnReleasesStillLetsGoOfEverythingOnce) {
    SdlPlatform platform(padLockPath("removed"));
    const WindowId w = platform.CreateWindow(padWindow());
    ASSERT_TRUE(padFocusReaches(platform, w, w));
    VirtualPad pad;
    ASSERT_TRUE(pad.Plugged()) << SDL_GetError();
    padEventsUntilMarker(platform, w);
    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    pad.Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 15000);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
    padEventsUntilMarker(platform, w);
    SDL_Event removed{};
    removed.type = SDL_CONTROLLERDEVICEREMOVED;
    removed.cdevice.which = pad.Id();
    SDL_PushEvent(&removed);
    std::vector<std::string> released = padText(padEventsUntilMarker(platform, w));
    std::sort(released.begin(), released.end());
    const std::string at = std::to_string(w) + " ";
    EXPECT_EQ(released, (std::vector<std::string>{at + "axis 1 0", at + "up 1", at + "up 11"}));
    EXPECT_EQ(SDL_GameControllerFromInstanceID(pad.Id()), nullptr);
    // The device going for real, with whatever SDL sends for it, changes nothing more.
    pad.Unplug();
    EXPECT_TRUE(padText(padEventsUntilMarker(platform, w)).empty());
}

TEST(SdlGameController, AControllerPresentAtStartIsOpenedOnceThoughSdlAlsoReportsItAdded) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0);
    {
        VirtualPad pad;
        ASSERT_TRUE(pad.Plugged()) << SDL_GetError();
        SdlPlatform platform(padLockPath("present"));
        const WindowId w = platform.CreateWindow(padWindow());
        ASSERT_TRUE(padFocusReaches(platform, w, w));
        pad.Button(SDL_CONTROLLER_BUTTON_START, true);
        const std::string at = std::to_string(w) + " ";
        EXPECT_EQ(padText(padEventsUntilMarker(platform, w)), (std::vector<std::string>{at + "down 7"}));
        // Opened twice, it would stay open after the one close its unplugging brings.
        pad.Unplug();
        EXPECT_EQ(padText(padEventsUntilMarker(platform, w)), (std::vector<std::string>{at + "up 7"}));
        EXPECT_EQ(SDL_GameControllerFromInstanceID(pad.Id()), nullptr);
    }
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

TEST(SdlGameController, AControllerPluggedAndUnpluggedBeforeAnyWindowLeavesNothingBehind) {
    SdlPlatform platform(padLockPath("early"));
    platform.ScreenSize(); // The display is open, but no window exists to wait on.
    SDL_JoystickID gone = -1;
    {
        VirtualPad pad;
        ASSERT_TRUE(pad.Plugged()) << SDL_GetError();
        gone = pad.Id();
        pad.Button(SDL_CONTROLLER_BUTTON_B, true);
        pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 1234);
    }
    const WindowId w = platform.CreateWindow(padWindow());
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(padFocusReaches(platform, w, w));
    EXPECT_TRUE(padText(padEventsUntilMarker(platform, w)).empty());
    EXPECT_EQ(SDL_GameControllerFromInstanceID(gone), nullptr);

    // The next one plugged in works as ever.
    VirtualPad next;
    ASSERT_TRUE(next.Plugged());
    padEventsUntilMarker(platform, w);
    next.Button(SDL_CONTROLLER_BUTTON_Y, true);
    EXPECT_EQ(padText(padEventsUntilMarker(platform, w)),
              (std::vector<std::string>{std::to_string(w) + " down 4"}));
}

TEST(SdlGameController, NothingReachesAProgramWithoutTheFocusNotEvenTheReleasesOfAnUnpluggedOne) {
    SdlPlatform platform(padLockPath("background"));
    const WindowId w = platform.CreateWindow(padWindow());
    ASSERT_TRUE(padFocusReaches(platform, w, w));
    VirtualPad pad;
    ASSERT_TRUE(pad.Plugged());
    padEventsUntilMarker(platform, w);
    ASSERT_TRUE(GiveTheFocusToNobody());
    ASSERT_TRUE(padFocusReaches(platform, 0, w));
    pad.Button(SDL_CONTROLLER_BUTTON_X, true);
    pad.Axis(SDL_CONTROLLER_AXIS_RIGHTX, -1);
    pad.Unplug();
    EXPECT_TRUE(padText(padEventsUntilMarker(platform, w)).empty());
    EXPECT_EQ(SDL_GameControllerFromInstanceID(pad.Id()), nullptr);
}

TEST(SdlGameController, AJoystickThatIsNoGameControllerMeansNothing) {
    SdlPlatform platform(padLockPath("joystick"));
    const WindowId w = platform.CreateWindow(padWindow());
    ASSERT_TRUE(padFocusReaches(platform, w, w));
    VirtualPad stick(false);
    ASSERT_TRUE(stick.Plugged()) << SDL_GetError();
    padEventsUntilMarker(platform, w);
    stick.Button(SDL_GameControllerButton(0), true);
    stick.Axis(SDL_GameControllerAxis(0), 30000);
    stick.Unplug();
    EXPECT_TRUE(padText(padEventsUntilMarker(platform, w)).empty());
}
