#include "platform/sdl/SdlPlatform.hpp"
#include "platform/sdl/SingleInstanceLock.hpp"
#include "platform/KeyCodes.hpp"

#include <SDL.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
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

void pushMotion(WindowId window, int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window;
    e.motion.x = x;
    e.motion.y = y;
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

void pushText(WindowId window, const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = window;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
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

// Lets the X server's own start-up events (map, expose, focus, pointer) reach
// SDL's queue and takes them out of the way, so that a test sees only its own.
void settle(SdlPlatform& platform, WindowId marker) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // A round trip to the server: every event our earlier requests caused is
    // then in hand, however slow a loaded machine makes the server.
    SDL_GetGlobalMouseState(nullptr, nullptr);
    SDL_PumpEvents();
    eventsUntilMarker(platform, marker);
}

// The real pointer waits in a corner no test window covers.
void parkPointer() {
    SDL_WarpMouseGlobal(1023, 767);
}

bool isInput(EventKind kind) {
    return kind == EventKind::KeyDown || kind == EventKind::KeyUp || kind == EventKind::Character ||
           kind == EventKind::MouseMove || kind == EventKind::CloseRequest;
}

std::vector<Event> inputOf(const std::vector<Event>& events, WindowId window) {
    std::vector<Event> result;
    for (const Event& e : events) {
        if (e.window == window && isInput(e.kind)) {
            result.push_back(e);
        }
    }
    return result;
}

// One input event as text; key positions are left out, as they are the real pointer's.
std::vector<std::string> describe(const std::vector<Event>& events) {
    std::vector<std::string> result;
    for (const Event& e : events) {
        const std::string at = std::to_string(e.x) + "," + std::to_string(e.y);
        const bool button = IsMouseButton(e.code);
        switch (e.kind) {
        case EventKind::KeyDown:
        case EventKind::KeyUp:
            result.push_back(std::string(e.kind == EventKind::KeyDown ? "down " : "up ") + std::to_string(e.code) +
                             (button ? " " + at : ""));
            break;
        case EventKind::MouseMove: result.push_back("move " + at); break;
        case EventKind::Character: result.push_back("char " + std::to_string(e.character)); break;
        case EventKind::CloseRequest: result.push_back("close"); break;
        default: result.push_back("other"); break;
        }
    }
    return result;
}

// The X server's screen as rows of RGB bytes, through ImageMagick.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    std::array<int, 3> at(int x, int y) const {
        const std::uint8_t* p = rgb.data() + (std::size_t(y) * width + x) * 3;
        return {p[0], p[1], p[2]};
    }
};

bool takeScreenshot(Screenshot& shot) {
    const std::string path = (std::filesystem::temp_directory_path() / ("shot-" + std::to_string(::getpid()) + ".ppm")).string();
    const std::string command = "import -window root -depth 8 ppm:" + path + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> shot.width >> shot.height >> maximum;
    in.get();
    shot.rgb.resize(std::size_t(shot.width) * shot.height * 3);
    in.read(reinterpret_cast<char*>(shot.rgb.data()), std::streamsize(shot.rgb.size()));
    std::filesystem::remove(path);
    return magic == "P6" && maximum == 255 && in.good();
}

double cpuMilliseconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace

TEST(SdlWindows, ClientSizeIsTheRequestedSizeAndDialogsCentreOnOwners) {
    SdlPlatform platform(lockPath("geometry"));
    const WindowId main = platform.CreateWindow(peachWindow(750, 600));
    ASSERT_NE(main, 0u);
    EXPECT_EQ(platform.ScreenSize().width, 1024);
    EXPECT_EQ(platform.ScreenSize().height, 768);
    EXPECT_EQ(platform.ClientSize(main).width, 750);
    EXPECT_EQ(platform.ClientSize(main).height, 600);
    const Area area = platform.WindowArea(main);
    EXPECT_EQ(area.width(), 750);
    EXPECT_EQ(area.height(), 600);

    platform.MoveWindow(main, 100, 50);
    const WindowId dialog = platform.CreateWindow(peachWindow(300, 200, main));
    ASSERT_NE(dialog, 0u);
    EXPECT_NE(dialog, main);
    EXPECT_EQ(platform.WindowArea(dialog), (Area{325, 250, 625, 450}));
    EXPECT_EQ(platform.ClientSize(dialog).width, 300);
}

TEST(SdlWindows, DestroyingAnOwnerDestroysItsDialogFirst) {
    SdlPlatform platform(lockPath("destroy"));
    const WindowId main = platform.CreateWindow(peachWindow(200, 150));
    const WindowId dialog = platform.CreateWindow(peachWindow(100, 80, main));
    ASSERT_NE(dialog, 0u);
    platform.DestroyWindow(main);
    std::vector<WindowId> destroyed;
    while (destroyed.size() < 2) {
        const Event e = platform.WaitEvent();
        if (e.kind == EventKind::Destroyed) {
            destroyed.push_back(e.window);
        }
    }
    EXPECT_EQ(destroyed, (std::vector<WindowId>{dialog, main}));
    EXPECT_EQ(platform.ClientSize(main).width, 0);
    platform.DestroyWindow(main);  // A second destroy of a gone window is harmless.
}

TEST(SdlWindows, PresentPutsTheGivenPixelsOnScreen) {
    SdlPlatform platform(lockPath("present"));
    const WindowId window = platform.CreateWindow(peachWindow(200, 100));
    ASSERT_NE(window, 0u);
    platform.MoveWindow(window, 40, 30);
    const Area placed = platform.WindowArea(window);
    ASSERT_EQ(placed.left, 40);

    // A bottom-up buffer as the program's back buffers are: pixel (x, y) is
    // red 100, green y, blue x.
    const int stride = 200 * 3;
    std::vector<std::uint8_t> bits(std::size_t(stride) * 100);
    const Surface pixels{bits.data(), 200, 100, stride, true};
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            std::uint8_t* p = pixels.row(y) + x * 3;
            p[0] = std::uint8_t(x);
            p[1] = std::uint8_t(y);
            p[2] = 100;
        }
    }
    platform.Present(window, pixels, Area{20, 10, 120, 60});
    platform.Present(window, pixels, Area{-50, -50, 0, 0});  // Entirely outside: nothing.
    platform.SetIcon(window, pixels);  // Reads every row of a bottom-up image, no further.

    Screenshot shot;
    if (!takeScreenshot(shot)) {
        GTEST_SKIP() << "ImageMagick's import could not read the screen";
    }
    EXPECT_EQ(shot.at(40 + 20, 30 + 10), (std::array<int, 3>{100, 10, 20}));
    EXPECT_EQ(shot.at(40 + 119, 30 + 59), (std::array<int, 3>{100, 59, 119}));
    EXPECT_EQ(shot.at(40 + 70, 30 + 35), (std::array<int, 3>{100, 35, 70}));
    // Outside the presented area the background colour still shows.
    EXPECT_EQ(shot.at(40 + 120, 30 + 59), (std::array<int, 3>{255, 204, 153}));
    EXPECT_EQ(shot.at(40 + 5, 30 + 5), (std::array<int, 3>{255, 204, 153}));
    EXPECT_EQ(shot.at(40 + 70, 30 + 60), (std::array<int, 3>{255, 204, 153}));
}

TEST(SdlEvents, PostedEventsFromAnotherThreadWakeTheWaiterInOrder) {
    SdlPlatform platform(lockPath("posted"));
    const WindowId window = platform.CreateWindow(peachWindow(120, 90));
    ASSERT_NE(window, 0u);
    settle(platform, window);

    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (int i = 1; i <= 3; ++i) {
            Event e;
            e.kind = EventKind::Posted;
            e.window = window;
            e.code = i;
            e.value = 0x1122334455667788ull + i;
            e.area = Area{i, 2, 3, 4};
            platform.PostEvent(e);
        }
    });
    const double cpuBefore = cpuMilliseconds();
    for (int i = 1; i <= 3; ++i) {
        Event e = platform.WaitEvent();
        while (e.kind != EventKind::Posted) {
            e = platform.WaitEvent();  // A late event of the X server's own.
        }
        EXPECT_EQ(e.window, window);
        EXPECT_EQ(e.code, i);
        EXPECT_EQ(e.value, 0x1122334455667788ull + i);
        EXPECT_EQ(e.area, (Area{i, 2, 3, 4}));
    }
    const double cpuSpent = cpuMilliseconds() - cpuBefore;
    poster.join();
    // Blocking costs next to nothing; spinning through the wait would burn it whole.
    EXPECT_LT(cpuSpent, 150.0);
}

TEST(SdlEvents, PostedEventsArriveWithoutAnyWindow) {
    SdlPlatform platform(lockPath("windowless"));
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Event e;
        e.kind = EventKind::Posted;
        e.code = 77;
        platform.PostEvent(e);
    });
    const Event e = platform.WaitEvent();
    poster.join();
    EXPECT_EQ(e.kind, EventKind::Posted);
    EXPECT_EQ(e.code, 77);
}

TEST(SdlInput, DisabledWindowGetsNoInputUntilEnabledAgain) {
    SdlPlatform platform(lockPath("disabled"));
    const WindowId owner = platform.CreateWindow(peachWindow(300, 200));
    const WindowId dialog = platform.CreateWindow(peachWindow(100, 80, owner));
    ASSERT_NE(dialog, 0u);
    parkPointer();
    settle(platform, dialog);

    const auto pushAll = [&] {
        pushButton(owner, true, SDL_BUTTON_LEFT, 10, 20);
        pushButton(owner, false, SDL_BUTTON_LEFT, 11, 21);
        pushButton(owner, true, SDL_BUTTON_RIGHT, 12, 22);
        pushMotion(owner, 30, 40);
        pushKey(owner, true, SDLK_a);
        pushText(owner, "a\xC3\xA9\xE2\x82\xAC");
        pushKey(owner, true, SDLK_RETURN);
        pushKey(owner, false, SDLK_RETURN);
        pushWindowEvent(owner, SDL_WINDOWEVENT_CLOSE);
    };

    platform.EnableWindow(owner, false);
    pushAll();
    EXPECT_TRUE(inputOf(eventsUntilMarker(platform, dialog), owner).empty());

    platform.EnableWindow(owner, true);
    pushAll();
    // Text arrives as code page 1252 bytes (the euro sign is 128); Enter also types 13.
    EXPECT_EQ(describe(inputOf(eventsUntilMarker(platform, dialog), owner)),
              (std::vector<std::string>{"down 1 10,20", "up 1 11,21", "down 2 12,22", "move 30,40", "down 65",
                                        "char 97", "char 233", "char 128", "down 13", "char 13", "up 13",
                                        "close"}));
}

TEST(SdlInput, CaptureRoutesTheMouseAndReportsItsLoss) {
    SdlPlatform platform(lockPath("capture"));
    const WindowId first = platform.CreateWindow(peachWindow(200, 100));
    const WindowId second = platform.CreateWindow(peachWindow(200, 100));
    ASSERT_NE(second, 0u);
    platform.MoveWindow(first, 10, 10);
    platform.MoveWindow(second, 400, 300);
    parkPointer();
    settle(platform, second);

    platform.SetCapture(first);
    EXPECT_EQ(platform.CaptureWindow(), first);
    pushMotion(first, -1, -2);
    pushMotion(second, 5, 6);
    pushButton(second, false, SDL_BUTTON_LEFT, 5, 6);
    EXPECT_EQ(describe(inputOf(eventsUntilMarker(platform, second), first)),
              (std::vector<std::string>{"move 65535,65534", "move 395,296", "up 1 395,296"}));

    const auto captureLosses = [&](WindowId window) {
        int count = 0;
        for (const Event& e : eventsUntilMarker(platform, second)) {
            count += e.kind == EventKind::CaptureLost && e.window == window;
        }
        return count;
    };
    // Our own release is no loss; another window taking it over is.
    platform.SetCapture(0);
    EXPECT_EQ(platform.CaptureWindow(), 0u);
    EXPECT_EQ(captureLosses(first), 0);
    platform.SetCapture(first);
    platform.SetCapture(second);
    EXPECT_EQ(platform.CaptureWindow(), second);
    EXPECT_EQ(captureLosses(first), 1);
    platform.EnableWindow(second, false);
    EXPECT_EQ(platform.CaptureWindow(), 0u);
    platform.EnableWindow(second, true);
    EXPECT_EQ(captureLosses(second), 1);

    platform.SetCapture(first);
    platform.DestroyWindow(first);
    EXPECT_EQ(platform.CaptureWindow(), 0u);
    const Event lost = platform.WaitEvent();
    EXPECT_EQ(lost.kind, EventKind::CaptureLost);
    EXPECT_EQ(lost.window, first);
    EXPECT_EQ(platform.WaitEvent().kind, EventKind::Destroyed);
}

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
    EXPECT_EQ(events[0].area, (Area{0, 0, 160, 120}));
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
