#include "PlatformContract.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>

#include "platform/KeyCodes.hpp"

namespace platformtest {

using platform::Event;
using platform::EventKind;
using platform::Rect;
using platform::Size;
using platform::WindowId;

namespace {

constexpr std::uint32_t kPeach = 0x0099CCFF;    // 0x00BBGGRR
constexpr std::uint32_t kPeachShown = 0xFFCC99; // 0x00RRGGBB
constexpr Size kScreen{1024, 768};
// The frame around the client area of a framed window (style kind bit 4), on every side.
constexpr int F = platform::kFrameWidth;
// Long enough for a loaded machine; the waits end as soon as their state is reached.
constexpr auto kPatience = std::chrono::seconds(10);

std::string areaText(const Rect& a) {
    return std::to_string(a.left) + "," + std::to_string(a.top) + "," + std::to_string(a.right) + "," +
           std::to_string(a.bottom);
}

std::string text(const Event& e) {
    const std::string at = std::to_string(e.x) + "," + std::to_string(e.y);
    switch (e.kind) {
    case EventKind::None:
        return "none";
    case EventKind::CloseRequest:
        return "close";
    case EventKind::Destroyed:
        return "destroyed";
    case EventKind::Resized:
        return "resized " + areaText(e.area);
    case EventKind::Exposed:
        return "exposed " + areaText(e.area);
    case EventKind::KeyDown:
        return "down " + std::to_string(e.code);
    case EventKind::KeyUp:
        return "up " + std::to_string(e.code);
    case EventKind::MouseDown:
        return "down " + std::to_string(platform::KeyCodeOf(e.button)) + " " + at;
    case EventKind::MouseUp:
        return "up " + std::to_string(platform::KeyCodeOf(e.button)) + " " + at;
    case EventKind::Character:
        return "char " + std::to_string(e.character);
    case EventKind::MouseMove:
        return "move " + at;
    case EventKind::CaptureLost:
        return "lost";
    case EventKind::FocusGained:
        return "focus";
    case EventKind::FocusLost:
        return "unfocus";
    case EventKind::PadDown:
        return "pad down " + std::to_string(int(e.pad));
    case EventKind::PadUp:
        return "pad up " + std::to_string(int(e.pad));
    case EventKind::PadAxis:
        return "axis " + std::to_string(int(e.axis)) + " " + std::to_string(e.code);
    case EventKind::Posted:
        return "posted " + std::to_string(e.code);
    }
    return "?";
}

// The events of `window` (any window for 0) whose kind is among `kinds`, as text.
std::vector<std::string> of(const std::vector<Event>& events, WindowId window,
                            std::initializer_list<EventKind> kinds) {
    std::vector<std::string> out;
    for (const Event& e : events)
        if ((window == 0 || e.window == window) &&
            std::find(kinds.begin(), kinds.end(), e.kind) != kinds.end())
            out.push_back(text(e));
    return out;
}

const std::initializer_list<EventKind> kInput = {
    EventKind::KeyDown,   EventKind::KeyUp,   EventKind::Character,   EventKind::MouseMove,
    EventKind::MouseDown, EventKind::MouseUp, EventKind::CloseRequest};

const std::initializer_list<EventKind> kPad = {EventKind::PadDown, EventKind::PadUp, EventKind::PadAxis};

// A press and release of A with the left stick pushed fully left and let go between them.
void padRound(Backend& user) {
    user.UserPadButton(platform::PadButton::A, true);
    user.UserPadAxis(platform::PadAxis::LeftX, -32768);
    user.UserPadAxis(platform::PadAxis::LeftX, 0);
    user.UserPadButton(platform::PadButton::A, false);
}

const std::vector<std::string> kPadRound = {"pad down 1", "axis 1 -32768", "axis 1 0", "pad up 1"};

Event posted(WindowId window, int code) {
    Event e;
    e.kind = EventKind::Posted;
    e.window = window;
    e.code = code;
    return e;
}

// The kernel's word for a thread of this process: 'S' while it sleeps in a blocking wait.
char threadState(pid_t thread) {
    std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? '?' : line[close + 2];
}

// Waits until `thread` sleeps, so that what follows has to wake it; false if it never does.
bool awaitSleeping(pid_t thread) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (threadState(thread) != 'S')
        if (std::chrono::steady_clock::now() > deadline) return false;
    return true;
}

pid_t currentThread() {
    return pid_t(::syscall(SYS_gettid));
}

} // namespace

std::string BackendName(const ::testing::TestParamInfo<BackendFactory>&) {
    return "Backend";
}

void PlatformContract::SetUp() {
    m_backend = GetParam()();
    ASSERT_TRUE(m_backend);
    // The pointer waits in a corner no test window covers, the marker in another.
    user().MovePointer(kScreen.width - 1, kScreen.height - 1);
    os().SetScale(Scale());
    platform::WindowSpec wanted;
    wanted.name = "Marker";
    wanted.width = 8;
    wanted.height = 8;
    wanted.styleKind = 7;
    m_marker = os().CreateWindow(wanted);
    ASSERT_NE(m_marker, 0u);
    os().MoveWindow(m_marker, os().ScreenSize().width - 8, 0);
    Drain();
}

void PlatformContract::TearDown() {
    m_backend.reset();
}

WindowId PlatformContract::Make(int width, int height, WindowId owner, int kind) {
    platform::WindowSpec wanted;
    wanted.name = "Contract";
    wanted.width = width;
    wanted.height = height;
    wanted.styleKind = kind;
    wanted.background = kPeach;
    wanted.owner = owner;
    return os().CreateWindow(wanted);
}

std::vector<Event> PlatformContract::Drain() {
    user().Flush();
    user().UserKey(m_marker, false, platform::Key_F12);
    std::vector<Event> events;
    for (;;) {
        const Event e = os().WaitEvent();
        if (e.kind == EventKind::KeyUp && e.window == m_marker && e.code == platform::Key_F12) return events;
        events.push_back(e);
    }
}

bool PlatformContract::FocusReaches(WindowId window, std::vector<Event>* seen) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
        const std::vector<Event> events = Drain();
        if (seen) seen->insert(seen->end(), events.begin(), events.end());
        if (user().FocusedWindow() == window) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
    }
}

void PlatformContract::DropMarker() {
    os().DestroyWindow(m_marker);
    Event e = os().WaitEvent();
    while (!(e.kind == EventKind::Destroyed && e.window == m_marker)) e = os().WaitEvent();
    m_marker = 0;
}

// Window sizes and placement.

TEST_P(PlatformContract, EveryStyleKindGetsTheRequestedClientSizeAndFramedKindsAFrameAroundIt) {
    EXPECT_EQ(os().ScreenSize().width, kScreen.width);
    EXPECT_EQ(os().ScreenSize().height, kScreen.height);
    static_assert(F > 0 && platform::FrameWidth(3) == 0 && platform::FrameWidth(7) == F);
    for (int kind = 0; kind < 8; ++kind) {
        SCOPED_TRACE("style kind " + std::to_string(kind));
        const WindowId w = Make(320, 240, 0, kind);
        ASSERT_NE(w, 0u);
        EXPECT_EQ(os().ClientSize(w).width, 320);
        EXPECT_EQ(os().ClientSize(w).height, 240);
        // The outer rectangle, frame included, is the one centred on the screen.
        const int frame = (kind & 4) != 0 ? F : 0;
        EXPECT_EQ(os().WindowArea(w), (Rect{352 - frame, 264 - frame, 672 + frame, 504 + frame}));
        EXPECT_EQ(user().ScreenArea(w), os().WindowArea(w));
        os().DestroyWindow(w);
    }
}

TEST_P(PlatformContract, WithoutPanelsTheWholeScreenIsUsableAndTheScaleIsSetOnce) {
    EXPECT_EQ(os().UsableScreenSize().width, kScreen.width);
    EXPECT_EQ(os().UsableScreenSize().height, kScreen.height);
    // A window exists (the marker), so the scale stays 1.
    os().SetScale(2);
    EXPECT_EQ(os().ScreenSize().width, kScreen.width);
    const WindowId w = Make(30, 20);
    EXPECT_EQ(user().ScreenArea(w), os().WindowArea(w));
}

TEST_P(PlatformContract, SizesAreNotClampedToTheScreen) {
    const WindowId big = Make(1100, 900);
    ASSERT_NE(big, 0u);
    EXPECT_EQ(os().ClientSize(big).width, 1100);
    EXPECT_EQ(os().ClientSize(big).height, 900);
    // Centred, so it sticks out on every side; halves are truncated toward zero.
    EXPECT_EQ(os().WindowArea(big), (Rect{-38 - F, -66 - F, 1062 + F, 834 + F}));
}

TEST_P(PlatformContract, SidesBelowOnePixelBecomeOnePixel) {
    const WindowId empty = Make(0, 0);
    ASSERT_NE(empty, 0u);
    EXPECT_EQ(os().WindowArea(empty), (Rect{511 - F, 383 - F, 512 + F, 384 + F}));
    const WindowId negative = Make(-5, 3);
    ASSERT_NE(negative, 0u);
    EXPECT_EQ(os().ClientSize(negative).width, 1);
    EXPECT_EQ(os().ClientSize(negative).height, 3);
}

TEST_P(PlatformContract, ANewWindowIsReportedResizedOnceThenExposedWholeAndActive) {
    const WindowId w = Make(301, 201);
    ASSERT_NE(w, 0u);
    std::vector<Event> events;
    ASSERT_TRUE(FocusReaches(w, &events));
    const std::vector<std::string> own =
        of(events, w, {EventKind::Resized, EventKind::Exposed, EventKind::FocusGained});
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.front(), "resized 0,0,301,201");
    EXPECT_EQ(std::count(own.begin(), own.end(), "resized 0,0,301,201"), 1);
    EXPECT_EQ(std::count(own.begin(), own.end(), "exposed 0,0,301,201"), 1);
    EXPECT_EQ(std::count(own.begin(), own.end(), "focus"), 1);
    EXPECT_EQ(own.size(), 3u);
}

TEST_P(PlatformContract, TopLevelWindowsAreCentredOnTheScreen) {
    const WindowId odd = Make(301, 201, 0, 3);
    EXPECT_EQ(os().WindowArea(odd), (Rect{361, 283, 662, 484}));
    const WindowId framed = Make(301, 201);
    EXPECT_EQ(os().WindowArea(framed), (Rect{361 - F, 283 - F, 662 + F, 484 + F}));
    const WindowId full = Make(kScreen.width, kScreen.height);
    EXPECT_EQ(os().WindowArea(full), (Rect{-F, -F, kScreen.width + F, kScreen.height + F}));
}

TEST_P(PlatformContract, DialogsAreCentredOnTheirOwner) {
    // Outer rectangles are centred on outer rectangles, so that the client areas of equally
    // framed windows are centred on each other too.
    const WindowId owner = Make(301, 201);
    os().MoveWindow(owner, 100, 50);
    const WindowId dialog = Make(100, 81, owner);
    EXPECT_EQ(os().WindowArea(dialog), (Rect{200, 110, 300 + 2 * F, 191 + 2 * F}));
    // A dialog larger than its owner sticks out on both sides.
    os().MoveWindow(owner, -30, -20);
    const WindowId large = Make(400, 300, owner);
    EXPECT_EQ(os().WindowArea(large), (Rect{-79, -69, 321 + 2 * F, 231 + 2 * F}));
    // An unframed dialog's outer rectangle is its client area.
    const WindowId plain = Make(101, 81, owner, 3);
    EXPECT_EQ(os().WindowArea(plain), (Rect{70 + F, 40 + F, 171 + F, 121 + F}));
    // An owner that is no window leaves the dialog a top-level window.
    const WindowId orphan = Make(100, 80, 999999);
    EXPECT_EQ(os().WindowArea(orphan), (Rect{462 - F, 344 - F, 562 + F, 424 + F}));
}

TEST_P(PlatformContract, MoveWindowPlacesTheOuterCornerAnywhereWithoutResizing) {
    const WindowId w = Make(301, 201);
    Drain();
    for (const auto& [x, y] :
         {std::pair{100, 50}, std::pair{-30, -20}, std::pair{900, 700}, std::pair{0, 0}}) {
        os().MoveWindow(w, x, y);
        EXPECT_EQ(os().WindowArea(w), (Rect{x, y, x + 301 + 2 * F, y + 201 + 2 * F}));
        EXPECT_EQ(os().ClientSize(w).width, 301);
    }
    EXPECT_TRUE(of(Drain(), w, {EventKind::Resized}).empty()) << "a move is no resize";
    os().MoveWindow(12345, 1, 1); // Not a window: nothing happens.
}

TEST_P(PlatformContract, UnknownWindowsHaveNoAreaSizeOrCursor) {
    EXPECT_EQ(os().WindowArea(12345), Rect{});
    EXPECT_EQ(os().ClientSize(12345).width, 0);
    EXPECT_EQ(os().ClientSize(12345).height, 0);
    user().MovePointer(30, 40);
    EXPECT_EQ(os().CursorPosition(12345).x, 0);
    EXPECT_EQ(os().CursorPosition(12345).y, 0);
}

TEST_P(PlatformContract, CursorPositionIsInClientCoordinatesAndMayLieOutside) {
    const WindowId w = Make(200, 100);
    os().MoveWindow(w, 100, 50);
    user().MovePointer(130, 70);
    EXPECT_EQ(os().CursorPosition(w).x, 30 - F);
    EXPECT_EQ(os().CursorPosition(w).y, 20 - F);
    user().MovePointer(40, 500);
    EXPECT_EQ(os().CursorPosition(w).x, -60 - F);
    EXPECT_EQ(os().CursorPosition(w).y, 450 - F);
    // On the frame's outermost pixel, and on the client's first.
    user().MovePointer(100, 50);
    EXPECT_EQ(os().CursorPosition(w).x, -F);
    user().MovePointer(100 + F, 50 + F);
    EXPECT_EQ(os().CursorPosition(w).x, 0);
    EXPECT_EQ(os().CursorPosition(w).y, 0);
    // An unframed window's client corner is its outer corner.
    const WindowId plain = Make(200, 100, 0, 3);
    os().MoveWindow(plain, 100, 50);
    EXPECT_EQ(os().CursorPosition(plain).x, F);
    EXPECT_EQ(os().CursorPosition(plain).y, F);
}

TEST_P(PlatformContract, TitlesKeepTheirCodePage1252Text) {
    const WindowId w = Make(200, 100);
    os().SetTitle(w, "Caf\xE9 Hoopstack \x80");
    EXPECT_EQ(user().Title(w), "Caf\xE9 Hoopstack \x80");
}

TEST_P(PlatformContract, ShowAndRestoreKeepPlaceAndSize) {
    const WindowId w = Make(200, 100);
    os().MoveWindow(w, 40, 30);
    os().ShowWindow(w, platform::ShowMode::Show);
    os().ShowWindow(w, platform::ShowMode::Restore);
    Drain();
    EXPECT_EQ(os().WindowArea(w), (Rect{40, 30, 240 + 2 * F, 130 + 2 * F}));
}

// Presentation.

TEST_P(PlatformContract, PresentShowsTheAreaAndTheBackgroundStaysElsewhere) {
    const WindowId w = Make(200, 100);
    os().MoveWindow(w, 40, 30);
    // A bottom-up buffer larger than the window, as the program's back buffers are:
    // pixel (x, y) is red 100, green y, blue x.
    const int width = 300, height = 150, stride = width * 3;
    std::vector<std::uint8_t> bits(std::size_t(stride) * height);
    const platform::Surface pixels{bits.data(), width, height, stride, true};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = pixels.row(y) + x * 3;
            p[0] = std::uint8_t(x);
            p[1] = std::uint8_t(y);
            p[2] = 100;
        }
    os().Present(w, pixels, Rect{20, 10, 120, 60});
    os().Present(w, pixels, Rect{-50, -50, 0, 0});    // Outside the window: nothing.
    os().Present(w, pixels, Rect{190, 90, 400, 300}); // Clipped to the client area, never on the frame.
    os().SetIcon(w, pixels, 0x640000);                // Reads every row of a bottom-up image, and no further.

    const std::vector<std::uint32_t> shown = user().Shown(w);
    if (shown.empty()) GTEST_SKIP() << "the screen cannot be read";
    // The outer window: the frame, then the client area inside it.
    const int outerWidth = 200 + 2 * F, outerHeight = 100 + 2 * F;
    ASSERT_EQ(shown.size(), std::size_t(outerWidth) * outerHeight);
    int wrongFrame = 0;
    for (int y = 0; y < outerHeight; ++y)
        for (int x = 0; x < outerWidth; ++x)
            if (const auto frame = platform::FramePixel(x, y, outerWidth, outerHeight, F))
                wrongFrame += shown[std::size_t(y) * outerWidth + x] != *frame;
    EXPECT_EQ(wrongFrame, 0);
    const auto at = [&](int x, int y) { return shown[std::size_t(y + F) * outerWidth + x + F]; };
    const auto expected = [](int x, int y) { return 0x640000u | std::uint32_t(y) << 8 | std::uint32_t(x); };
    EXPECT_EQ(at(20, 10), expected(20, 10));
    EXPECT_EQ(at(119, 59), expected(119, 59));
    EXPECT_EQ(at(70, 35), expected(70, 35));
    EXPECT_EQ(at(199, 99), expected(199, 99));
    EXPECT_EQ(at(190, 90), expected(190, 90));
    EXPECT_EQ(at(120, 59), kPeachShown);
    EXPECT_EQ(at(70, 60), kPeachShown);
    EXPECT_EQ(at(0, 0), kPeachShown);
    EXPECT_EQ(at(189, 99), kPeachShown);
}

TEST_P(PlatformContract, AnUnframedWindowShowsItsClientAreaAlone) {
    const WindowId w = Make(60, 40, 0, 3);
    os().MoveWindow(w, 40, 30);
    const std::vector<std::uint32_t> shown = user().Shown(w);
    if (shown.empty()) GTEST_SKIP() << "the screen cannot be read";
    ASSERT_EQ(shown.size(), 60u * 40u);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), kPeachShown), 60 * 40);
}

TEST_P(PlatformContract, TheFrameShowsAgainWhenAWindowThatCoveredItGoes) {
    const WindowId w = Make(200, 100);
    os().MoveWindow(w, 40, 30);
    ASSERT_TRUE(FocusReaches(w));
    // A plain window over the whole of it, then gone: the frame is the backend's to redraw.
    platform::WindowSpec cover;
    cover.name = "Cover";
    cover.width = 300;
    cover.height = 200;
    cover.styleKind = 3;
    cover.background = 0x00204060;
    const WindowId over = os().CreateWindow(cover);
    ASSERT_NE(over, 0u);
    os().MoveWindow(over, 0, 0);
    ASSERT_TRUE(FocusReaches(over));
    os().DestroyWindow(over);
    Drain(); // The desktop's exposure of the window, where it reports one.
    const std::vector<std::uint32_t> shown = user().Shown(w);
    if (shown.empty()) GTEST_SKIP() << "the screen cannot be read";
    const int outerWidth = 200 + 2 * F, outerHeight = 100 + 2 * F;
    ASSERT_EQ(shown.size(), std::size_t(outerWidth) * outerHeight);
    int wrongFrame = 0;
    for (int y = 0; y < outerHeight; ++y)
        for (int x = 0; x < outerWidth; ++x)
            if (const auto frame = platform::FramePixel(x, y, outerWidth, outerHeight, F))
                wrongFrame += shown[std::size_t(y) * outerWidth + x] != *frame;
    EXPECT_EQ(wrongFrame, 0);
}

// Capture.

TEST_P(PlatformContract, CaptureIsHeldUntilReleasedAndTheOwnReleaseIsNoLoss) {
    const WindowId w = Make(200, 100);
    ASSERT_TRUE(FocusReaches(w));
    EXPECT_EQ(os().CaptureWindow(), 0u);
    os().SetCapture(w);
    EXPECT_EQ(os().CaptureWindow(), w);
    os().SetCapture(w);     // Again: nothing changes.
    os().SetCapture(12345); // Not a window: ignored.
    EXPECT_EQ(os().CaptureWindow(), w);
    os().SetCapture(0);
    EXPECT_EQ(os().CaptureWindow(), 0u);
    EXPECT_TRUE(of(Drain(), 0, {EventKind::CaptureLost}).empty());
}

TEST_P(PlatformContract, CaptureRoutesEveryMouseEventToTheHolderInItsCoordinates) {
    const WindowId first = Make(200, 100);
    const WindowId second = Make(200, 100);
    os().MoveWindow(first, 10, 10);
    os().MoveWindow(second, 400, 300);
    ASSERT_TRUE(FocusReaches(second));
    os().SetCapture(first);
    user().UserMouseMove(first, -1, -2);
    user().UserMouseMove(second, 5, 6);
    user().UserButton(second, true, platform::Key_RButton, 5, 6);
    user().UserButton(second, false, platform::Key_LButton, 7, 8);
    user().UserKey(second, true, 'A'); // Keys follow the focus, not the capture.
    const std::vector<Event> events = Drain();
    // Taking the capture may report where the real pointer is; that move is not the test's.
    const platform::Point pointer = os().CursorPosition(first);
    std::vector<std::string> routed = of(events, first, kInput);
    std::erase(routed, "move " + std::to_string(pointer.x) + "," + std::to_string(pointer.y));
    EXPECT_EQ(routed,
              (std::vector<std::string>{"move -1,-2", "move 395,296", "down 2 395,296", "up 1 397,298"}));
    EXPECT_EQ(of(events, second, kInput), (std::vector<std::string>{"down 65"}));
}

TEST_P(PlatformContract, MouseInputOnTheFrameReachesTheWindowOnlyWhileItHoldsTheCapture) {
    const WindowId w = Make(200, 100);
    const WindowId plain = Make(100, 50, 0, 3);
    os().MoveWindow(w, 100, 100);
    os().MoveWindow(plain, 400, 300);
    os().ActivateWindow(w);
    ASSERT_TRUE(FocusReaches(w));
    // Client coordinates: the frame lies from -F to -1 and from the client size on.
    user().UserButton(w, true, platform::Key_LButton, -1, 50);
    user().UserButton(w, false, platform::Key_LButton, 200, 50);
    user().UserMouseMove(w, 10, -F);
    user().UserMouseMove(w, 199 + F, 99 + F);
    user().UserMouseMove(w, 0, 0);
    user().UserMouseMove(w, 199, 99);
    EXPECT_EQ(of(Drain(), w, kInput), (std::vector<std::string>{"move 0,0", "move 199,99"}));

    os().SetCapture(w);
    user().UserMouseMove(w, -1, 100);
    user().UserButton(w, false, platform::Key_LButton, 200 + F - 1, -F);
    // From the unframed window into the framed one's client coordinates.
    user().UserMouseMove(plain, 5, 6);
    const std::vector<Event> events = Drain();
    const platform::Point pointer = os().CursorPosition(w);
    std::vector<std::string> routed = of(events, w, kInput);
    std::erase(routed, "move " + std::to_string(pointer.x) + "," + std::to_string(pointer.y));
    EXPECT_EQ(routed, (std::vector<std::string>{
                          "move -1,100", "up 1 " + std::to_string(200 + F - 1) + "," + std::to_string(-F),
                          "move " + std::to_string(305 - F) + "," + std::to_string(206 - F)}));
    os().SetCapture(0);
}

TEST_P(PlatformContract, AnotherWindowTakingTheCaptureEndsTheHoldersWithCaptureLost) {
    const WindowId first = Make(200, 100);
    const WindowId second = Make(200, 100);
    ASSERT_TRUE(FocusReaches(second));
    os().SetCapture(first);
    os().SetCapture(second);
    EXPECT_EQ(os().CaptureWindow(), second);
    const std::vector<Event> events = Drain();
    EXPECT_EQ(of(events, first, {EventKind::CaptureLost}), (std::vector<std::string>{"lost"}));
    EXPECT_TRUE(of(events, second, {EventKind::CaptureLost}).empty());
}

TEST_P(PlatformContract, DisablingTheHolderEndsItsCapture) {
    const WindowId w = Make(200, 100);
    ASSERT_TRUE(FocusReaches(w));
    os().SetCapture(w);
    os().EnableWindow(w, false);
    EXPECT_EQ(os().CaptureWindow(), 0u);
    os().EnableWindow(w, true);
    EXPECT_EQ(of(Drain(), w, {EventKind::CaptureLost}), (std::vector<std::string>{"lost"}));
}

TEST_P(PlatformContract, TheFocusMovingToAnotherWindowEndsTheCapture) {
    const WindowId first = Make(200, 100);
    const WindowId second = Make(200, 100);
    os().ActivateWindow(first);
    ASSERT_TRUE(FocusReaches(first));
    os().SetCapture(first);
    os().ActivateWindow(second);
    std::vector<Event> events;
    ASSERT_TRUE(FocusReaches(second, &events));
    EXPECT_EQ(os().CaptureWindow(), 0u);
    EXPECT_EQ(of(events, first, {EventKind::CaptureLost}), (std::vector<std::string>{"lost"}));

    // A new window takes the focus, and so the capture ends too.
    os().SetCapture(second);
    const WindowId third = Make(100, 100);
    events.clear();
    ASSERT_TRUE(FocusReaches(third, &events));
    EXPECT_EQ(os().CaptureWindow(), 0u);
    EXPECT_EQ(of(events, second, {EventKind::CaptureLost}), (std::vector<std::string>{"lost"}));
}

TEST_P(PlatformContract, DestroyingTheHolderEndsItsCaptureBeforeItIsDestroyed) {
    const WindowId w = Make(200, 100);
    ASSERT_TRUE(FocusReaches(w));
    os().SetCapture(w);
    os().DestroyWindow(w);
    EXPECT_EQ(os().CaptureWindow(), 0u);
    EXPECT_EQ(of(Drain(), w, {EventKind::CaptureLost, EventKind::Destroyed}),
              (std::vector<std::string>{"lost", "destroyed"}));
}

// Enabled and disabled windows.

TEST_P(PlatformContract, DisabledWindowsGetNoInputUntilEnabledAgain) {
    const WindowId w = Make(300, 200);
    ASSERT_TRUE(FocusReaches(w));
    const auto actAsUser = [&] {
        user().UserButton(w, true, platform::Key_LButton, 10, 20);
        user().UserButton(w, false, platform::Key_LButton, 11, 21);
        user().UserButton(w, true, platform::Key_RButton, 12, 22);
        user().UserButton(w, false, platform::Key_MButton, 13, 23);
        user().UserMouseMove(w, 30, 40);
        user().UserKey(w, true, 'A');
        user().UserText(w, "a\xE9\x80");
        user().UserKey(w, false, 'A');
        user().UserKey(w, true, platform::Key_Return);
        user().UserKey(w, true, platform::Key_Backspace);
        user().UserKey(w, true, platform::Key_Tab);
        user().UserKey(w, true, platform::Key_Escape);
        user().UserKey(w, false, platform::Key_Escape);
        user().UserClose(w);
    };

    os().EnableWindow(w, false);
    actAsUser();
    os().PostEvent(posted(w, 5));
    std::vector<Event> events = Drain();
    EXPECT_TRUE(of(events, w, kInput).empty());
    EXPECT_EQ(of(events, w, {EventKind::Posted}), (std::vector<std::string>{"posted 5"}));

    os().EnableWindow(w, true);
    actAsUser();
    // Backspace, Tab, Enter and Escape type their character too, as a key press does on Win32.
    EXPECT_EQ(
        of(Drain(), w, kInput),
        (std::vector<std::string>{"down 1 10,20", "up 1 11,21", "down 2 12,22", "up 4 13,23", "move 30,40",
                                  "down 65", "char 97", "char 233", "char 128", "up 65", "down 13", "char 13", "down 8",
                                  "char 8", "down 9", "char 9", "down 27", "char 27", "up 27", "close"}));
}

TEST_P(PlatformContract, APressOrACloseRequestOnADisabledOwnerBringsItsDialogForward) {
    const WindowId owner = Make(300, 200);
    const WindowId other = Make(100, 100);
    os().MoveWindow(other, 0, 0);
    const WindowId dialog = Make(100, 80, owner);
    ASSERT_TRUE(FocusReaches(dialog));
    os().EnableWindow(owner, false);

    const auto afterFocusOnOther = [&](auto act) {
        os().ActivateWindow(other);
        EXPECT_TRUE(FocusReaches(other));
        act();
        std::vector<Event> events;
        EXPECT_TRUE(FocusReaches(dialog, &events));
        EXPECT_TRUE(of(events, owner, kInput).empty());
    };
    afterFocusOnOther([&] { user().UserButton(owner, true, platform::Key_LButton, 5, 5); });
    afterFocusOnOther([&] { user().UserButton(owner, true, platform::Key_LButton, -1, -1); }); // On the frame.
    afterFocusOnOther([&] { user().UserKey(owner, true, 'A'); });
    afterFocusOnOther([&] { user().UserClose(owner); });
}

// Activation.

TEST_P(PlatformContract, ActivationGivesTheFocusAndReportsOnlyAChange) {
    const WindowId first = Make(200, 100);
    const WindowId second = Make(200, 100);
    ASSERT_TRUE(FocusReaches(second));
    os().ActivateWindow(first);
    std::vector<Event> events;
    ASSERT_TRUE(FocusReaches(first, &events));
    EXPECT_EQ(of(events, first, {EventKind::FocusGained}), (std::vector<std::string>{"focus"}));
    os().ActivateWindow(first);
    EXPECT_TRUE(of(Drain(), 0, {EventKind::FocusGained}).empty());
    os().ActivateWindow(12345); // Not a window: nothing happens.
    EXPECT_EQ(user().FocusedWindow(), first);
}

TEST_P(PlatformContract, ActivatingAnOwnerHandsTheFocusToItsNewestInnermostDialog) {
    const WindowId owner = Make(300, 200);
    const WindowId other = Make(100, 100);
    const WindowId older = Make(100, 80, owner);
    const WindowId dialog = Make(150, 100, owner);
    const WindowId inner = Make(50, 40, dialog);
    ASSERT_TRUE(FocusReaches(inner));
    (void)older;
    os().ActivateWindow(other);
    ASSERT_TRUE(FocusReaches(other));
    os().ActivateWindow(owner);
    std::vector<Event> events;
    EXPECT_TRUE(FocusReaches(inner, &events));
    EXPECT_EQ(of(events, owner, {EventKind::FocusGained}), (std::vector<std::string>{"focus"}));
}

// Focus and game controllers.

TEST_P(PlatformContract, TheFocusMovingAwayIsReportedOnceToTheWindowThatHadIt) {
    const WindowId first = Make(200, 100);
    const WindowId second = Make(200, 100);
    ASSERT_TRUE(FocusReaches(second));
    os().ActivateWindow(first);
    std::vector<Event> events;
    ASSERT_TRUE(FocusReaches(first, &events));
    EXPECT_EQ(of(events, second, {EventKind::FocusGained, EventKind::FocusLost}),
              (std::vector<std::string>{"unfocus"}));
    EXPECT_EQ(of(events, first, {EventKind::FocusGained, EventKind::FocusLost}),
              (std::vector<std::string>{"focus"}));
    // Another program's window takes it: the holder hears it, and nobody else.
    user().UserFocusElsewhere();
    events.clear();
    ASSERT_TRUE(FocusReaches(0, &events));
    EXPECT_EQ(of(events, 0, {EventKind::FocusGained, EventKind::FocusLost}),
              (std::vector<std::string>{"unfocus"}));
    EXPECT_EQ(of(events, first, {EventKind::FocusLost}), (std::vector<std::string>{"unfocus"}));
    // Coming back is a gain again.
    os().ActivateWindow(second);
    events.clear();
    ASSERT_TRUE(FocusReaches(second, &events));
    EXPECT_EQ(of(events, 0, {EventKind::FocusGained, EventKind::FocusLost}),
              (std::vector<std::string>{"focus"}));
}

TEST_P(PlatformContract, PadInputGoesToTheFocusedWindowAndFollowsTheFocus) {
    const WindowId first = Make(200, 100);
    const WindowId second = Make(200, 100);
    ASSERT_TRUE(FocusReaches(second));
    padRound(user());
    user().UserPadAxis(platform::PadAxis::RightY, 32767);
    user().UserPadAxis(platform::PadAxis::RightY, 0);
    std::vector<std::string> expected = kPadRound;
    expected.insert(expected.end(), {"axis 4 32767", "axis 4 0"});
    std::vector<Event> events = Drain();
    EXPECT_EQ(of(events, second, kPad), expected);
    EXPECT_TRUE(of(events, first, kPad).empty());
    EXPECT_TRUE(of(events, Marker(), kPad).empty());

    os().ActivateWindow(first);
    ASSERT_TRUE(FocusReaches(first));
    user().UserPadButton(platform::PadButton::Up, true);
    user().UserPadButton(platform::PadButton::Up, false);
    events = Drain();
    EXPECT_EQ(of(events, first, kPad), (std::vector<std::string>{"pad down 12", "pad up 12"}));
    EXPECT_TRUE(of(events, second, kPad).empty());
}

TEST_P(PlatformContract, PadInputOfABlockedOwnerGoesToItsDialogAndNeverToTheOwner) {
    const WindowId owner = Make(300, 200);
    const WindowId dialog = Make(100, 80, owner);
    ASSERT_TRUE(FocusReaches(dialog));
    os().EnableWindow(owner, false);
    padRound(user());
    std::vector<Event> events = Drain();
    EXPECT_EQ(of(events, dialog, kPad), kPadRound);
    // Activating the blocked owner hands its focus on; pad input meanwhile is the dialog's.
    os().ActivateWindow(owner);
    padRound(user());
    events = Drain();
    ASSERT_TRUE(FocusReaches(dialog, &events));
    EXPECT_EQ(of(events, dialog, kPad), kPadRound);
    EXPECT_TRUE(of(events, owner, kPad).empty());
}

TEST_P(PlatformContract, PadInputReachesNoWindowWhileAnotherProgramHasTheFocus) {
    const WindowId w = Make(200, 100);
    ASSERT_TRUE(FocusReaches(w));
    user().UserFocusElsewhere();
    ASSERT_TRUE(FocusReaches(0));
    padRound(user());
    user().UserPadButton(platform::PadButton::Start, true);
    EXPECT_TRUE(of(Drain(), 0, kPad).empty());
    // A release of a press nobody got, once the focus is back, is the focused window's.
    os().ActivateWindow(w);
    ASSERT_TRUE(FocusReaches(w));
    user().UserPadButton(platform::PadButton::Start, false);
    EXPECT_EQ(of(Drain(), 0, kPad), (std::vector<std::string>{"pad up 7"}));
}

// Destruction.

TEST_P(PlatformContract, DestroyWindowReportsDestroyedOnceAndForgetsTheWindow) {
    const WindowId w = Make(200, 100);
    const WindowId kept = Make(200, 100);
    Drain();
    os().DestroyWindow(w);
    EXPECT_EQ(os().ClientSize(w).width, 0);
    EXPECT_EQ(os().WindowArea(w), Rect{});
    os().DestroyWindow(w); // Gone already: nothing happens.
    user().UserKey(w, true, 'A');
    user().UserMouseMove(w, 1, 1);
    EXPECT_EQ(of(Drain(), w, {EventKind::Destroyed, EventKind::KeyDown, EventKind::MouseMove}),
              (std::vector<std::string>{"destroyed"}));
    // Ids are never given again.
    const WindowId next = Make(200, 100);
    EXPECT_NE(next, 0u);
    EXPECT_NE(next, w);
    EXPECT_NE(next, kept);
    EXPECT_NE(next, Marker());
}

TEST_P(PlatformContract, DestroyingAnOwnerDestroysItsDialogsFirst) {
    const WindowId owner = Make(300, 200);
    const WindowId dialog = Make(200, 150, owner);
    const WindowId inner = Make(100, 80, dialog);
    const WindowId second = Make(100, 80, owner);
    Drain();
    os().DestroyWindow(owner);
    std::vector<WindowId> destroyed;
    for (const Event& e : Drain())
        if (e.kind == EventKind::Destroyed) destroyed.push_back(e.window);
    EXPECT_EQ(destroyed, (std::vector<WindowId>{inner, dialog, second, owner}));
}

// Events.

TEST_P(PlatformContract, EventsACallMakesComeBeforePostedOnes) {
    const WindowId first = Make(200, 100);
    const WindowId second = Make(200, 100);
    ASSERT_TRUE(FocusReaches(second));
    os().SetCapture(first);
    os().PostEvent(posted(first, 1));
    os().DestroyWindow(first);
    EXPECT_EQ(of(Drain(), first, {EventKind::Posted, EventKind::CaptureLost, EventKind::Destroyed}),
              (std::vector<std::string>{"lost", "destroyed", "posted 1"}));
}

TEST_P(PlatformContract, PostedEventsComeInPostOrderAheadOfWaitingInput) {
    const WindowId w = Make(200, 100);
    ASSERT_TRUE(FocusReaches(w));
    user().UserKey(w, true, 'A');
    user().UserMouseMove(w, 3, 4);
    os().PostEvent(posted(w, 1));
    os().PostEvent(posted(w, 2));
    EXPECT_EQ(of(Drain(), w, {EventKind::Posted, EventKind::KeyDown, EventKind::MouseMove}),
              (std::vector<std::string>{"posted 1", "posted 2", "down 65", "move 3,4"}));
}

TEST_P(PlatformContract, PostingFromAnotherThreadWakesTheWaiterWithEveryFieldKept) {
    const WindowId w = Make(120, 90);
    Drain();
    const pid_t waiter = currentThread();
    std::atomic<bool> woke{false};
    std::thread poster([&] {
        woke = awaitSleeping(waiter);
        for (int i = 1; i <= 3; ++i) {
            Event e = posted(w, i);
            e.value = 0x1122334455667788ull + std::uint64_t(i);
            e.area = Rect{i, 2, 3, 4};
            e.x = -60000 - i;
            e.y = 7;
            e.character = 0xE9;
            os().PostEvent(e);
        }
    });
    for (int i = 1; i <= 3; ++i) {
        Event e = os().WaitEvent();
        while (e.kind != EventKind::Posted) e = os().WaitEvent(); // A late event of the desktop's own.
        EXPECT_EQ(e.window, w);
        EXPECT_EQ(e.code, i);
        EXPECT_EQ(e.value, 0x1122334455667788ull + std::uint64_t(i));
        EXPECT_EQ(e.area, (Rect{i, 2, 3, 4}));
        EXPECT_EQ(e.x, -60000 - i);
        EXPECT_EQ(e.y, 7);
        EXPECT_EQ(e.character, 0xE9);
    }
    poster.join();
    EXPECT_TRUE(woke) << "WaitEvent never slept";
}

TEST_P(PlatformContract, PostedEventsArriveWhenNoWindowExists) {
    DropMarker();
    const pid_t waiter = currentThread();
    std::atomic<bool> woke{false};
    std::thread poster([&] {
        woke = awaitSleeping(waiter);
        os().PostEvent(posted(0, 77));
    });
    const Event e = os().WaitEvent();
    poster.join();
    EXPECT_EQ(text(e), "posted 77");
    EXPECT_TRUE(woke) << "WaitEvent never slept";
}

TEST_P(PlatformContract, MillisecondsCanBeReadFromAnyThread) {
    const std::uint32_t before = os().Milliseconds();
    std::uint32_t there = 0;
    std::thread reader([&] { there = os().Milliseconds(); });
    reader.join();
    // The clock wraps: elapsed time is the unsigned difference, and little of it passed.
    EXPECT_LT(std::uint32_t(there - before), 60000u);
    EXPECT_LT(std::uint32_t(os().Milliseconds() - there), 60000u);
}

// The full screen.

namespace {

// A 2 x 2 border tile of four dark colours.
constexpr std::uint32_t kTile[4] = {0x101820, 0x202830, 0x303840, 0x405060}; // 0x00RRGGBB

// A surface of `width` x `height` whose pixel (x, y) is red 100, green y, blue x (each modulo 256).
struct Pattern {
    Pattern(int width, int height)
        : bits(std::size_t(width) * 3 * height), surface{bits.data(), width, height, width * 3, false} {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = surface.row(y) + x * 3;
                p[0] = std::uint8_t(x);
                p[1] = std::uint8_t(y);
                p[2] = 100;
            }
    }
    static std::uint32_t At(int x, int y) {
        return 0x640000u | std::uint32_t(y & 255) << 8 | std::uint32_t(x & 255);
    }
    std::vector<std::uint8_t> bits;
    platform::Surface surface;
};

void setTile(platform::Platform& os) {
    std::vector<std::uint8_t> bits(2 * 2 * 3);
    for (int i = 0; i < 4; ++i) {
        bits[std::size_t(i) * 3] = std::uint8_t(kTile[i]);
        bits[std::size_t(i) * 3 + 1] = std::uint8_t(kTile[i] >> 8);
        bits[std::size_t(i) * 3 + 2] = std::uint8_t(kTile[i] >> 16);
    }
    os.SetBorderTile(platform::Surface{bits.data(), 2, 2, 6, false});
}

// The tile's colour at screen pixel (x, y) at `scale`.
std::uint32_t tileAt(int x, int y, int scale) {
    return kTile[(y / scale) % 2 * 2 + (x / scale) % 2];
}

// How many pixels of `shown` (a whole screen) differ from what a full-screen client of
// `client` size at `scale` with its corner at `corner` should show: the pattern presented
// over `presented`, the peach background elsewhere in it, the tile around it.
int wrongFullScreenPixels(const std::vector<std::uint32_t>& shown, platform::Point corner, Size client,
                          int scale, const Rect& presented, std::string& first) {
    int wrong = 0;
    for (int y = 0; y < kScreen.height; ++y)
        for (int x = 0; x < kScreen.width; ++x) {
            const int cx = x - corner.x, cy = y - corner.y;
            const bool inClient =
                cx >= 0 && cy >= 0 && cx < client.width * scale && cy < client.height * scale;
            std::uint32_t expected = tileAt(x, y, scale);
            if (inClient)
                expected = presented.Contains(cx / scale, cy / scale) ? Pattern::At(cx / scale, cy / scale)
                                                                      : kPeachShown;
            if (shown[std::size_t(y) * kScreen.width + x] != expected && wrong++ == 0)
                first = "screen pixel " + std::to_string(x) + "," + std::to_string(y);
        }
    return wrong;
}

} // namespace

TEST_P(PlatformContract, TheFullScreenShowsTheClientAtTheLargestScaleCentredWithTheBorderAround) {
    setTile(os());
    const WindowId w = Make(300, 200);
    ASSERT_TRUE(FocusReaches(w));
    const Rect windowed = os().WindowArea(w);
    EXPECT_FALSE(os().IsFullScreen(w));
    ASSERT_TRUE(os().SetFullScreen(w, true));
    EXPECT_TRUE(os().IsFullScreen(w));
    EXPECT_TRUE(os().SetFullScreen(w, true)); // Already so: nothing changes.
    // 1024 x 768 holds 300 x 200 three times; the corner (62, 84) is rounded down to (60, 84).
    EXPECT_EQ(user().ScreenArea(w), (Rect{0, 0, kScreen.width, kScreen.height}));
    EXPECT_EQ(os().WindowArea(w), (Rect{20, 28, 320, 228}));
    EXPECT_EQ(os().ClientSize(w).width, 300);
    EXPECT_EQ(os().ClientSize(w).height, 200);
    const std::vector<Event> events = Drain();
    const std::vector<std::string> exposed = of(events, w, {EventKind::Exposed});
    EXPECT_NE(std::find(exposed.begin(), exposed.end(), "exposed 0,0,300,200"), exposed.end());
    for (const std::string& resized : of(events, w, {EventKind::Resized}))
        EXPECT_EQ(resized, "resized 0,0,300,200");

    const Pattern pattern(300, 200);
    const Rect presented{10, 20, 290, 190};
    os().Present(w, pattern.surface, presented);
    const std::vector<std::uint32_t> shown = user().Shown(w);
    if (shown.empty()) GTEST_SKIP() << "the screen cannot be read";
    ASSERT_EQ(shown.size(), std::size_t(kScreen.width) * kScreen.height);
    std::string first;
    EXPECT_EQ(wrongFullScreenPixels(shown, {60, 84}, {300, 200}, 3, presented, first), 0)
        << "first at " << first;

    // Back at its place and scale, framed again.
    ASSERT_TRUE(os().SetFullScreen(w, false));
    EXPECT_FALSE(os().IsFullScreen(w));
    EXPECT_EQ(os().WindowArea(w), windowed);
    EXPECT_EQ(user().ScreenArea(w), windowed);
    os().MoveWindow(w, 5, 6);
    EXPECT_EQ(user().ScreenArea(w), (Rect{5, 6, 5 + 300 + 2 * F, 6 + 200 + 2 * F}));
}

TEST_P(PlatformContract, MouseInputOnTheFullScreenArrivesInTheClientsPixels) {
    const WindowId w = Make(300, 200);
    ASSERT_TRUE(FocusReaches(w));
    ASSERT_TRUE(os().SetFullScreen(w, true));
    Drain();
    // The client corner is at screen (60, 84); a program pixel is 3 x 3 screen pixels.
    user().UserMouseMoveAt(w, 60 + 3 * 30 + 2, 84 + 3 * 20);
    user().UserButtonAt(w, true, platform::Key_LButton, 60, 84);
    user().UserButtonAt(w, false, platform::Key_LButton, 60 + 899, 84 + 599);
    user().UserMouseMoveAt(w, 59, 100);  // On the border: nobody's.
    user().UserMouseMoveAt(w, 500, 684); // Below the client.
    EXPECT_EQ(of(Drain(), w, kInput), (std::vector<std::string>{"move 30,20", "down 1 0,0", "up 1 299,199"}));
    // Captured, the border's positions pass through, left of the client staying left.
    os().SetCapture(w);
    user().UserMouseMoveAt(w, 59, 80);
    std::vector<Event> events = Drain();
    platform::Point pointer = os().CursorPosition(w);
    std::vector<std::string> routed = of(events, w, kInput);
    std::erase(routed, "move " + std::to_string(pointer.x) + "," + std::to_string(pointer.y));
    EXPECT_EQ(routed, (std::vector<std::string>{"move -1,-2"}));
    os().SetCapture(0);
    user().MovePointer(60 + 3 * 100 + 1, 84 + 3 * 50 + 2);
    EXPECT_EQ(os().CursorPosition(w).x, 100);
    EXPECT_EQ(os().CursorPosition(w).y, 50);
    user().MovePointer(0, 0);
    EXPECT_EQ(os().CursorPosition(w).x, -20);
    EXPECT_EQ(os().CursorPosition(w).y, -28);
    // A full-screen window does not move.
    os().MoveWindow(w, 10, 10);
    EXPECT_EQ(user().ScreenArea(w), (Rect{0, 0, kScreen.width, kScreen.height}));
}

TEST_P(PlatformContract, DialogsTakeTheFullScreensScaleAndKeepTheirPlaceOnTheClient) {
    const WindowId w = Make(300, 200);
    const WindowId d = Make(100, 60, w);
    ASSERT_TRUE(FocusReaches(d));
    // Centred on the owner: its outer corner 96, 66 from the owner's client corner.
    const Rect dialogWindowed = os().WindowArea(d);
    EXPECT_EQ(dialogWindowed, (Rect{458, 350, 566, 418}));
    ASSERT_TRUE(os().SetFullScreen(w, true));
    EXPECT_FALSE(os().IsFullScreen(d));
    EXPECT_EQ(os().WindowArea(d), (Rect{116, 94, 224, 162}));
    EXPECT_EQ(user().ScreenArea(d), (Rect{348, 282, 672, 486}));
    EXPECT_EQ(os().ClientSize(d).width, 100);
    EXPECT_EQ(os().ClientSize(d).height, 60);
    // A dialog cannot go full screen itself.
    EXPECT_FALSE(os().SetFullScreen(d, true));
    std::vector<Event> events;
    ASSERT_TRUE(FocusReaches(d, &events));
    const std::vector<std::string> exposed = of(events, d, {EventKind::Exposed});
    EXPECT_NE(std::find(exposed.begin(), exposed.end(), "exposed 0,0,100,60"), exposed.end());

    // Its input is in its own pixels, 3 x 3 screen pixels each; the owner's is still blocked.
    os().EnableWindow(w, false);
    user().UserMouseMove(d, 3 * 10 + 2, 3 * 5);
    user().UserMouseMoveAt(w, 100, 100);
    events = Drain();
    EXPECT_EQ(of(events, d, kInput), (std::vector<std::string>{"move 10,5"}));
    EXPECT_TRUE(of(events, w, kInput).empty());

    // Presented at scale 3 inside its frame.
    const Pattern pattern(100, 60);
    os().Present(d, pattern.surface, Rect{0, 0, 100, 60});
    const std::vector<std::uint32_t> shown = user().Shown(d);
    if (!shown.empty()) {
        ASSERT_EQ(shown.size(), std::size_t(324) * 204);
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{5, 7}, std::pair{99, 59}})
            EXPECT_EQ(shown[std::size_t(3 * F + 3 * y + 1) * 324 + std::size_t(3 * F + 3 * x + 2)],
                      Pattern::At(x, y))
                << x << "," << y;
    }

    // A dialog of the dialog made now is centred on it at the full screen's scale.
    const WindowId e = Make(50, 40, d);
    EXPECT_EQ(os().WindowArea(e), (Rect{141, 104, 199, 152}));
    EXPECT_EQ(user().ScreenArea(e), (Rect{423, 312, 597, 456}));

    // Back at scale 1 where they were on the owner.
    os().EnableWindow(w, true);
    ASSERT_TRUE(os().SetFullScreen(w, false));
    EXPECT_EQ(os().WindowArea(d), dialogWindowed);
    EXPECT_EQ(user().ScreenArea(d), dialogWindowed);
    EXPECT_EQ(os().WindowArea(e), (Rect{483, 360, 541, 408}));
    ASSERT_TRUE(FocusReaches(e));
}

TEST_P(PlatformContract, AClientLargerThanTheScreenShowsAtScaleOneFromItsCorner) {
    const WindowId w = Make(1100, 500);
    ASSERT_TRUE(os().SetFullScreen(w, true));
    EXPECT_EQ(os().WindowArea(w), (Rect{0, 134, 1100, 634}));
    Drain();
    const Pattern pattern(1100, 500);
    os().Present(w, pattern.surface, Rect{0, 0, 1100, 500});
    user().UserMouseMoveAt(w, 1023, 134);
    EXPECT_EQ(of(Drain(), w, kInput), (std::vector<std::string>{"move 1023,0"}));
    const std::vector<std::uint32_t> shown = user().Shown(w);
    if (shown.empty()) GTEST_SKIP() << "the screen cannot be read";
    ASSERT_EQ(shown.size(), std::size_t(kScreen.width) * kScreen.height);
    EXPECT_EQ(shown[std::size_t(134) * kScreen.width + 1023], Pattern::At(1023, 0));
    EXPECT_EQ(shown[std::size_t(633) * kScreen.width + 0], Pattern::At(0, 499));
    ASSERT_TRUE(os().SetFullScreen(w, false));
    EXPECT_EQ(os().WindowArea(w), (Rect{-38 - F, 134 - F, 1062 + F, 634 + F}));
}

TEST_P(PlatformContract, SwitchingBackAndForthEndsWhereItStartedAndAClosedFullScreenLeavesNothing) {
    const WindowId w = Make(300, 200);
    os().MoveWindow(w, 40, 30);
    const Rect windowed = os().WindowArea(w);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(os().SetFullScreen(w, true));
        ASSERT_TRUE(os().SetFullScreen(w, false));
    }
    EXPECT_EQ(user().ScreenArea(w), windowed);
    Drain();

    // A second window on the full screen covers the first, which keeps its own.
    const WindowId other = Make(200, 100);
    ASSERT_TRUE(os().SetFullScreen(w, true));
    ASSERT_TRUE(os().SetFullScreen(other, true));
    EXPECT_TRUE(os().IsFullScreen(w));
    EXPECT_EQ(os().WindowArea(other), (Rect{28, 46, 228, 146})); // scale 4, corner (112, 184)
    ASSERT_TRUE(FocusReaches(other));
    // Closed on the full screen: destroyed once, and nothing of it stays.
    os().DestroyWindow(other);
    std::vector<Event> events = Drain();
    EXPECT_EQ(of(events, other, {EventKind::Destroyed}), (std::vector<std::string>{"destroyed"}));
    EXPECT_FALSE(os().IsFullScreen(other));
    EXPECT_FALSE(os().SetFullScreen(other, false));
    EXPECT_TRUE(os().WindowArea(other).IsEmpty());
    ASSERT_TRUE(os().SetFullScreen(w, false));
    EXPECT_EQ(user().ScreenArea(w), windowed);
    os().DestroyWindow(w);
    EXPECT_FALSE(os().SetFullScreen(w, true));
    const WindowId next = Make(300, 200);
    ASSERT_TRUE(os().SetFullScreen(next, true));
    EXPECT_EQ(os().WindowArea(next), (Rect{20, 28, 320, 228}));
}

TEST_P(ScaledPlatformContract, TheFullScreenChoosesItsOwnScaleAndGivesTheTablesBack) {
    const WindowId w = Make(300, 200);
    const WindowId d = Make(50, 30, w);
    os().MoveWindow(w, 100, 50);
    os().MoveWindow(d, 200, 100);
    ASSERT_TRUE(os().SetFullScreen(w, true));
    EXPECT_EQ(os().WindowArea(w), (Rect{20, 28, 320, 228}));
    EXPECT_EQ(user().ScreenArea(d),
              (Rect{60 + 3 * 96, 84 + 3 * 46, 60 + 3 * 96 + 3 * 58, 84 + 3 * 46 + 3 * 38}));
    ASSERT_TRUE(os().SetFullScreen(w, false));
    EXPECT_EQ(os().WindowArea(w), (Rect{100, 50, 308 + 100, 208 + 50}));
    EXPECT_EQ(user().ScreenArea(w), (Rect{200, 100, 200 + 2 * 308, 100 + 2 * 208}));
    EXPECT_EQ(user().ScreenArea(d), (Rect{400, 200, 400 + 2 * 58, 200 + 2 * 38}));
    EXPECT_EQ(os().ScreenSize().width, kScreen.width / 2);
}

// Scale 2: the program's pixels are 2 x 2 screen pixels.

TEST_P(ScaledPlatformContract, WindowsCoverTwiceTheirSizeAndArePlacedInTheProgramsPixels) {
    EXPECT_EQ(os().ScreenSize().width, kScreen.width / 2);
    EXPECT_EQ(os().ScreenSize().height, kScreen.height / 2);
    EXPECT_EQ(os().UsableScreenSize().width, kScreen.width / 2);
    os().SetScale(1); // Too late: a window exists.
    EXPECT_EQ(os().ScreenSize().width, kScreen.width / 2);

    // The frame scales with the window: F of the program's pixels are 2F screen pixels.
    const WindowId w = Make(301, 201);
    ASSERT_NE(w, 0u);
    EXPECT_EQ(os().ClientSize(w).width, 301);
    EXPECT_EQ(os().ClientSize(w).height, 201);
    EXPECT_EQ(os().WindowArea(w), (Rect{105 - F, 91 - F, 406 + F, 292 + F}));
    EXPECT_EQ(user().ScreenArea(w), (Rect{210 - 2 * F, 182 - 2 * F, 812 + 2 * F, 584 + 2 * F}));
    std::vector<Event> events;
    ASSERT_TRUE(FocusReaches(w, &events));
    EXPECT_EQ(of(events, w, {EventKind::Resized, EventKind::Exposed}),
              (std::vector<std::string>{"resized 0,0,301,201", "exposed 0,0,301,201"}));

    os().MoveWindow(w, -3, 5);
    EXPECT_EQ(os().WindowArea(w), (Rect{-3, 5, 298 + 2 * F, 206 + 2 * F}));
    EXPECT_EQ(user().ScreenArea(w), (Rect{-6, 10, 596 + 4 * F, 412 + 4 * F}));
    // Dialogs are centred on their owner in the program's pixels and scaled with it.
    os().MoveWindow(w, 100, 50);
    const WindowId dialog = Make(100, 81, w);
    EXPECT_EQ(os().WindowArea(dialog), (Rect{200, 110, 300 + 2 * F, 191 + 2 * F}));
    EXPECT_EQ(user().ScreenArea(dialog), (Rect{400, 220, 600 + 4 * F, 382 + 4 * F}));
}

TEST_P(ScaledPlatformContract, MouseInputArrivesInTheProgramsPixelsRoundedDown) {
    const WindowId first = Make(200, 100);
    const WindowId w = Make(200, 100);
    os().MoveWindow(first, 10, 10);
    os().MoveWindow(w, 300, 200);
    ASSERT_TRUE(FocusReaches(w));
    user().UserMouseMove(w, 2 * 30 + 1, 2 * 20 + 1);
    user().UserMouseMove(w, 2 * 30, 2 * 20);
    user().UserButton(w, true, platform::Key_LButton, 399, 199);
    user().UserButton(w, false, platform::Key_LButton, 0, 1);
    user().UserMouseMove(w, -1, 0); // On the frame: not the client's.
    EXPECT_EQ(of(Drain(), w, kInput),
              (std::vector<std::string>{"move 30,20", "move 30,20", "down 1 199,99", "up 1 0,0"}));

    // Captured, a position off the client passes through as at scale 1: left of it stays left.
    os().SetCapture(w);
    user().UserMouseMove(w, -1, -2);
    user().UserMouseMove(w, -3, 401);
    std::vector<Event> events = Drain();
    platform::Point pointer = os().CursorPosition(w);
    std::vector<std::string> routed = of(events, w, kInput);
    std::erase(routed, "move " + std::to_string(pointer.x) + "," + std::to_string(pointer.y));
    EXPECT_EQ(routed, (std::vector<std::string>{"move -1,-1", "move -2,200"}));

    // Captured, another window's input is turned into the holder's pixels.
    os().SetCapture(first);
    user().UserMouseMove(w, 5, 7);
    events = Drain();
    pointer = os().CursorPosition(first);
    routed = of(events, first, kInput);
    std::erase(routed, "move " + std::to_string(pointer.x) + "," + std::to_string(pointer.y));
    EXPECT_EQ(routed, (std::vector<std::string>{"move 292,193"}));
    os().SetCapture(0);

    // The client corner lies 2F screen pixels inside the outer one.
    const int left = 2 * (300 + F), top = 2 * (200 + F);
    user().MovePointer(left + 61, top + 41);
    EXPECT_EQ(os().CursorPosition(w).x, 30);
    EXPECT_EQ(os().CursorPosition(w).y, 20);
    user().MovePointer(1, 1);
    EXPECT_EQ(os().CursorPosition(w).x, -300 - F);
    EXPECT_EQ(os().CursorPosition(w).y, -200 - F);
    user().MovePointer(left - 1, top - 3);
    EXPECT_EQ(os().CursorPosition(w).x, -1);
    EXPECT_EQ(os().CursorPosition(w).y, -2);
}

TEST_P(ScaledPlatformContract, PresentShowsTheAreaAsTwoByTwoBlocksAndNothingElse) {
    const WindowId w = Make(200, 100);
    os().MoveWindow(w, 40, 30);
    const int width = 300, height = 150, stride = width * 3;
    std::vector<std::uint8_t> bits(std::size_t(stride) * height);
    const platform::Surface pixels{bits.data(), width, height, stride, true};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = pixels.row(y) + x * 3;
            p[0] = std::uint8_t(x);
            p[1] = std::uint8_t(y);
            p[2] = 100;
        }
    const Rect inside{21, 11, 120, 61}, edge{190, 90, 400, 300};
    os().Present(w, pixels, inside);
    os().Present(w, pixels, Rect{-50, -50, 0, 0});
    os().Present(w, pixels, edge); // Clipped to the client area.

    const std::vector<std::uint32_t> shown = user().Shown(w);
    if (shown.empty()) GTEST_SKIP() << "the screen cannot be read";
    // The frame's pixels are 2 x 2 blocks too, around the client area's.
    const int outerWidth = 200 + 2 * F, outerHeight = 100 + 2 * F;
    ASSERT_EQ(shown.size(), std::size_t(outerWidth) * outerHeight * 4);
    int wrong = 0;
    std::string first;
    for (int y = 0; y < 2 * outerHeight; ++y)
        for (int x = 0; x < 2 * outerWidth; ++x) {
            const int px = x / 2 - F, py = y / 2 - F;
            const bool presented = inside.Contains(px, py) || edge.Contains(px, py);
            const std::uint32_t expected =
                platform::FramePixel(x / 2, y / 2, outerWidth, outerHeight, F)
                    .value_or(presented ? 0x640000u | std::uint32_t(py) << 8 | std::uint32_t(px) : kPeachShown);
            if (shown[std::size_t(y) * 2 * outerWidth + x] != expected && wrong++ == 0)
                first = "screen pixel " + std::to_string(x) + "," + std::to_string(y);
        }
    EXPECT_EQ(wrong, 0) << "first at " << first;
}

} // namespace platformtest
