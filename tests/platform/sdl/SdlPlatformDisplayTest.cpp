#include "platform/sdl/SdlPlatform.hpp"
#include "platform/sdl/SingleInstanceLock.hpp"
#include "platform/KeyCodes.hpp"

#include <SDL.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

constexpr std::uint32_t peach = 0x0099CCFF;

std::string lockPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid()) + ".lock"))
        .string();
}

WindowSpec peachWindow(int width, int height, WindowId owner = 0) {
    WindowSpec s;
    s.name = "Test";
    s.width = width;
    s.height = height;
    s.background = peach;
    s.owner = owner;
    return s;
}

void pushWindowEvent(WindowId window, std::uint8_t kind) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = window;
    e.window.event = kind;
    SDL_PushEvent(&e);
}

void pushButton(WindowId window, bool down, std::uint8_t button, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = window;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
}

void pushKey(WindowId window, bool down, SDL_Keycode key) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = window;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}

// Every event up to a key release of F12 on `marker`, pushed last by the caller.
std::vector<Event> eventsUntilMarker(SdlPlatform& platform, WindowId marker) {
    pushKey(marker, false, SDLK_F12);
    std::vector<Event> events;
    for (;;) {
        const Event e = platform.WaitEvent();
        if (e.kind == EventKind::KeyUp && e.window == marker && e.code == Key_F12) {
            return events;
        }
        events.push_back(e);
    }
}

// Lets every event that the X server made for earlier requests and input reach SDL's queue.
void letIn() {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // A round trip to the server: every event our earlier requests caused is
    // then in hand, however slow a loaded machine makes the server.
    SDL_GetGlobalMouseState(nullptr, nullptr);
    SDL_PumpEvents();
}

// Lets the X server's own start-up events (map, expose, focus, pointer) reach
// SDL's queue and takes them out of the way, so that a test sees only its own.
void settle(SdlPlatform& platform, WindowId marker) {
    letIn();
    eventsUntilMarker(platform, marker);
}

// The real pointer waits in a corner no test window covers.
void parkPointer() {
    SDL_WarpMouseGlobal(1023, 767);
}

// The user's mouse as the X server sees it (xdotool's XTest input): `action` is "mousedown 1",
// "mouseup 1" or "click 1". Returns once the server has taken it.
void userMouse(const std::string& action) {
    ASSERT_EQ(std::system(("xdotool " + action).c_str()), 0) << "xdotool " << action;
}

// The mouse button events among `events`, as "down 12" / "up 12" with the window's id.
std::vector<std::string> buttons(const std::vector<Event>& events) {
    std::vector<std::string> seen;
    for (const Event& e : events) {
        if ((e.kind == EventKind::MouseDown || e.kind == EventKind::MouseUp) &&
            e.button == MouseButton::Left) {
            seen.push_back((e.kind == EventKind::MouseDown ? "down " : "up ") + std::to_string(e.window));
        }
    }
    return seen;
}

} // namespace

TEST(SdlInput, ExposeCoversTheWholeClientAreaAndFocusIsReported) {
    SdlPlatform platform(lockPath("expose"));
    const WindowId window = platform.CreateWindow(peachWindow(160, 120));
    ASSERT_NE(window, 0u);
    parkPointer();
    settle(platform, window);
    pushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);
    pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
    const std::vector<Event> events = eventsUntilMarker(platform, window);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventKind::Exposed);
    EXPECT_EQ(events[0].area, (Rect{0, 0, 160, 120}));
    EXPECT_EQ(events[1].kind, EventKind::FocusGained);
}

TEST(SdlInput, FocusGoesWhereActivatedAndAnOwnerHandsItToItsDialog) {
    SdlPlatform platform(lockPath("focus"));
    const WindowId owner = platform.CreateWindow(peachWindow(300, 200));
    const WindowId other = platform.CreateWindow(peachWindow(100, 100));
    ASSERT_NE(other, 0u);
    parkPointer();
    // Twice: the backend may pass the focus on while handling the first round.
    const auto focused = [&](WindowId marker) {
        settle(platform, marker);
        settle(platform, marker);
        return SDL_GetKeyboardFocus() != nullptr ? WindowId(SDL_GetWindowID(SDL_GetKeyboardFocus())) : 0;
    };
    EXPECT_EQ(focused(other), other);  // A new window is active.
    platform.ActivateWindow(owner);
    EXPECT_EQ(focused(other), owner);

    const WindowId dialog = platform.CreateWindow(peachWindow(100, 80, owner));
    platform.EnableWindow(owner, false);
    EXPECT_EQ(focused(other), dialog);
    platform.ActivateWindow(owner);
    EXPECT_EQ(focused(other), dialog);  // The owner's focus went straight on to its dialog.
    platform.ActivateWindow(other);
    EXPECT_EQ(focused(other), other);
    pushButton(owner, true, SDL_BUTTON_LEFT, 5, 5);  // A click on the blocked owner.
    EXPECT_EQ(focused(other), dialog);

    // Without a window manager nobody returns the focus when a dialog goes.
    platform.DestroyWindow(dialog);
    platform.EnableWindow(owner, true);
    platform.ActivateWindow(owner);
    EXPECT_EQ(focused(other), owner);
}

// The intro's case: a click ends a window, which is destroyed before or after the X server
// sends the button's release to it. SDL counts the button held until it reads that release
// on a window it knows, and drops any press while it counts it held.
TEST(SdlInput, APressOnAWindowDestroyedBeforeItsReleaseCostsNoLaterPress) {
    SdlPlatform platform(lockPath("held"));
    const WindowId below = platform.CreateWindow(peachWindow(300, 300));
    ASSERT_NE(below, 0u);
    // Both are centred on the screen, and the pointer is on their middle.
    SDL_WarpMouseGlobal(512, 384);
    for (const bool releasedFirst : {true, false}) {
        SCOPED_TRACE(releasedFirst ? "released before the destruction" : "released after the destruction");
        const WindowId above = platform.CreateWindow(peachWindow(100, 100));
        ASSERT_NE(above, 0u);
        settle(platform, below);
        userMouse("mousedown 1");
        letIn();
        EXPECT_EQ(buttons(eventsUntilMarker(platform, below)),
                  std::vector<std::string>{"down " + std::to_string(above)});
        // The press is in hand; its release waits unread on the connection, or comes later.
        if (releasedFirst) userMouse("mouseup 1");
        platform.DestroyWindow(above);
        if (!releasedFirst) userMouse("mouseup 1");
        settle(platform, below);
        EXPECT_EQ(SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK, 0u);

        userMouse("click 1");
        letIn();
        EXPECT_EQ(buttons(eventsUntilMarker(platform, below)),
                  (std::vector<std::string>{"down " + std::to_string(below), "up " + std::to_string(below)}));
    }
}

// Only the window that got the press gives its button up when it goes.
TEST(SdlInput, DestroyingAnotherWindowKeepsAHeldPressAndItsRelease) {
    SdlPlatform platform(lockPath("kept"));
    const WindowId held = platform.CreateWindow(peachWindow(300, 300));
    const WindowId other = platform.CreateWindow(peachWindow(100, 100));
    ASSERT_NE(other, 0u);
    platform.MoveWindow(other, 0, 0);
    SDL_WarpMouseGlobal(512, 384);
    settle(platform, held);
    userMouse("mousedown 1");
    letIn();
    EXPECT_EQ(buttons(eventsUntilMarker(platform, held)),
              std::vector<std::string>{"down " + std::to_string(held)});
    platform.DestroyWindow(other);
    letIn();
    EXPECT_EQ(buttons(eventsUntilMarker(platform, held)), std::vector<std::string>{});
    EXPECT_EQ(SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK, SDL_BUTTON_LMASK);
    userMouse("mouseup 1");
    letIn();
    EXPECT_EQ(buttons(eventsUntilMarker(platform, held)),
              std::vector<std::string>{"up " + std::to_string(held)});
}

TEST(SdlSingleCopy, SecondCopyCannotCreateAWindowWhileTheLockIsHeld) {
    const std::string path = lockPath("single");
    auto otherCopy = std::make_unique<SingleInstanceLock>(path);
    ASSERT_TRUE(otherCopy->Acquire());
    {
        SdlPlatform platform(path);
        EXPECT_EQ(platform.CreateWindow(peachWindow(100, 100)), 0u);
        otherCopy.reset();
        EXPECT_NE(platform.CreateWindow(peachWindow(100, 100)), 0u);
        // Now this copy holds it.
        SingleInstanceLock third(path);
        EXPECT_FALSE(third.Acquire());
    }
    std::filesystem::remove(path);
}
