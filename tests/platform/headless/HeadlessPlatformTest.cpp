#include <gtest/gtest.h>

#include <fstream>
#include <zlib.h>

#include "platform/KeyCodes.hpp"
#include "platform/PngFile.hpp"
#include "platform/BorderTile.hpp"
#include "platform/headless/HeadlessPlatform.hpp"

namespace {

using namespace platform;

Event input(EventKind kind, WindowId window, int code = 0) {
    Event e;
    e.kind = kind;
    e.window = window;
    e.code = code;
    return e;
}

// What a window may receive is decided when the event is taken, as SDL's are translated.
TEST(HeadlessPlatform, InjectedInputIsJudgedWhenItIsTaken) {
    HeadlessPlatform p;
    const WindowId w = p.CreateWindow({"Main window", 300, 200, 7, 0, 0});
    ASSERT_NE(w, 0u);
    Event e;
    while (p.PollEvent(e)) continue; // What the new window was told.
    p.Inject(input(EventKind::KeyDown, w, 'A'));
    p.EnableWindow(w, false);
    EXPECT_FALSE(p.PollEvent(e));
    p.EnableWindow(w, true);
    p.Inject(input(EventKind::KeyDown, w, 'A'));
    ASSERT_TRUE(p.PollEvent(e));
    EXPECT_EQ(e.code, 'A');
}

// The window system reports input, closes, exposures and focus; the program's own kinds
// cannot be injected, and a key reports where the pointer is, as on the real desktop.
TEST(HeadlessPlatform, OnlyWhatTheWindowSystemReportsCanBeInjected) {
    HeadlessPlatform p;
    const WindowId w = p.CreateWindow({"Main window", 300, 200, 0, 0, 0});
    Event e;
    while (p.PollEvent(e)) continue;
    for (EventKind kind : {EventKind::None, EventKind::Destroyed, EventKind::CaptureLost, EventKind::Posted})
        p.Inject(input(kind, w));
    EXPECT_FALSE(p.PollEvent(e));
    EXPECT_TRUE(p.Exists(w));
    p.SetCursor(w, {12, 34});
    Event key = input(EventKind::KeyDown, w, 'A');
    key.x = 1;
    p.Inject(key);
    ASSERT_TRUE(p.PollEvent(e));
    EXPECT_EQ(e.x, 12);
    EXPECT_EQ(e.y, 34);
}

TEST(HeadlessPlatform, PresentingNoPixelsRecordsTheAreaAndDrawsNothing) {
    HeadlessPlatform p;
    const WindowId w = p.CreateWindow({"w", 4, 3, 0, 0x123456, 0});
    const std::vector<std::uint8_t> before = p.Window(w).screen;
    p.Present(w, Surface{}, {0, 0, 4, 3});
    EXPECT_EQ(p.Window(w).presented.size(), 1u);
    EXPECT_EQ(p.Window(w).screen, before);
}

TEST(HeadlessPlatform, PresentCopiesOnlyTheAreaAndRecordsIt) {
    HeadlessPlatform p;
    const WindowId w = p.CreateWindow({"w", 4, 3, 7, 0, 0});
    std::vector<std::uint8_t> back(8 * 6 * 3);
    for (std::size_t i = 0; i < back.size(); ++i) back[i] = std::uint8_t(i);
    const Surface bottomUp{back.data(), 8, 6, 24, true};
    p.Present(w, bottomUp, {1, 1, 10, 2}); // runs past the window's right edge

    const auto state = p.Window(w);
    ASSERT_EQ(state.presented.size(), 1u);
    EXPECT_EQ(state.presented[0].right, 10);
    // The screen image holds the frame around the client area.
    const Surface screen = p.Screen(w);
    ASSERT_EQ(screen.width, 4 + 2 * kFrameWidth);
    const auto client = [&](int x, int y) { return screen.row(y + kFrameWidth) + (x + kFrameWidth) * 3; };
    EXPECT_EQ(client(1, 0)[0], 0);                     // row 0 untouched
    EXPECT_EQ(client(0, 1)[0], 0);                     // column 0 untouched
    EXPECT_EQ(client(1, 1)[0], bottomUp.row(1)[3]);    // memory row 4 of the bottom-up buffer
    EXPECT_EQ(client(3, 1)[2], bottomUp.row(1)[11]);   // last client column
    EXPECT_NE(client(4, 1)[0] | client(4, 1)[1], 0);   // the frame beside it is no presented pixel
}

TEST(HeadlessPlatform, CursorIsReportedInClientCoordinates) {
    HeadlessPlatform p;
    const WindowId a = p.CreateWindow({"a", 100, 100, 7, 0, 0});
    const WindowId b = p.CreateWindow({"b", 50, 50, 7, 0, a});
    p.MoveWindow(a, 10, 20);
    p.MoveWindow(b, 35, 45);
    p.SetCursor(a, {30, 30});
    EXPECT_EQ(p.CursorPosition(b).x, 5);
    EXPECT_EQ(p.CursorPosition(b).y, 5);
    p.FailNextCreate();
    EXPECT_EQ(p.CreateWindow({"c", 10, 10, 7, 0, 0}), 0u);
    p.DestroyWindow(b);
    EXPECT_FALSE(p.Exists(b));
    EXPECT_TRUE(p.Exists(a));
}

TEST(PngFile, WritesAValidRgbImage) {
    std::vector<std::uint8_t> bgr = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
    const Surface image{bgr.data(), 2, 2, 6, false};
    const std::string path = ::testing::TempDir() + "/hoopstack-png-test.png";
    ASSERT_TRUE(WritePng(path, image));

    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(file.size(), 33u);
    EXPECT_EQ(file[1], 'P');
    EXPECT_EQ(file[16 + 3], 2); // width 2
    // Inflate the one data chunk and check the rows: filter byte, then R G B per pixel.
    const std::size_t idat = 33;
    const std::uint32_t length =
        (file[idat] << 24) | (file[idat + 1] << 16) | (file[idat + 2] << 8) | file[idat + 3];
    std::vector<std::uint8_t> raw(14);
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize, &file[idat + 8], length), Z_OK);
    EXPECT_EQ(raw, (std::vector<std::uint8_t>{0, 0, 0, 255, 0, 255, 0, 0, 255, 0, 0, 30, 20, 10}));
    std::remove(path.c_str());
    EXPECT_FALSE(WritePng("/no/such/folder/x.png", image));
}

} // namespace

namespace {

// A screen that is gone, or a window system that refuses the size, leaves the window as it was.
TEST(HeadlessFullScreen, NoScreenOrARefusedSizeLeavesTheWindowAsItWas) {
    HeadlessPlatform p({800, 600});
    const WindowId w = p.CreateWindow({"Main window", 300, 200, 7, 0, 0});
    const WindowId d = p.CreateWindow({"Dialog", 100, 50, 7, 0, w});
    const Rect before = p.ScreenArea(w), dialog = p.ScreenArea(d);
    p.SetScreenSize({0, 0});
    EXPECT_FALSE(p.SetFullScreen(w, true));
    EXPECT_FALSE(p.IsFullScreen(w));
    p.SetScreenSize({800, 600});
    p.FailNextPlace();
    EXPECT_FALSE(p.SetFullScreen(w, true));
    EXPECT_FALSE(p.IsFullScreen(w));
    EXPECT_EQ(p.ScreenArea(w), before);
    EXPECT_EQ(p.ScreenArea(d), dialog);
    EXPECT_EQ(p.ScaleOf(d), 1);

    // A refused way back keeps the full screen, which a later try leaves.
    ASSERT_TRUE(p.SetFullScreen(w, true));
    EXPECT_EQ(p.ScaleOf(w), 2);
    EXPECT_EQ(p.ScaleOf(d), 2);
    p.FailNextPlace();
    EXPECT_FALSE(p.SetFullScreen(w, false));
    EXPECT_TRUE(p.IsFullScreen(w));
    ASSERT_TRUE(p.SetFullScreen(w, false));
    EXPECT_EQ(p.ScreenArea(w), before);
    EXPECT_EQ(p.ScreenArea(d), dialog);
    EXPECT_EQ(p.ScaleOf(d), 1);
}

// Without a tile the border is the plain dark colour; the frame is not shown on the full screen.
TEST(HeadlessFullScreen, TheBorderIsPlainWithoutATileAndTheFrameIsNotShown) {
    HeadlessPlatform p({640, 480});
    const WindowId w = p.CreateWindow({"Main window", 300, 200, 7, 0x0000FF, 0});
    ASSERT_TRUE(p.SetFullScreen(w, true));
    const Surface screen = p.Screen(w);
    ASSERT_EQ(screen.width, 640);
    ASSERT_EQ(screen.height, 480);
    const auto at = [&](int x, int y) {
        const std::uint8_t* px = screen.row(y) + x * 3;
        return std::uint32_t(px[2]) << 16 | std::uint32_t(px[1]) << 8 | px[0];
    };
    // Scale 2: the client covers (20, 40) to (620, 440), in its red background.
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{19, 40}, std::pair{620, 439}, std::pair{639, 479}})
        EXPECT_EQ(at(x, y), BorderTile::kPlainColour) << x << "," << y;
    for (const auto& [x, y] : {std::pair{20, 40}, std::pair{619, 439}, std::pair{320, 240}})
        EXPECT_EQ(at(x, y), 0xFF0000u) << x << "," << y;
}

TEST(HeadlessFullScreen, TheScaleIsTheLargestWholeOneThatFitsUpToTheMost) {
    EXPECT_EQ(FullScreenScale({3840, 2160}, {750, 600}), 3);
    EXPECT_EQ(FullScreenScale({2560, 1440}, {750, 600}), 2);
    EXPECT_EQ(FullScreenScale({1920, 1080}, {750, 600}), 1);
    EXPECT_EQ(FullScreenScale({1280, 800}, {750, 600}), 1);
    EXPECT_EQ(FullScreenScale({640, 480}, {750, 600}), 1);
    EXPECT_EQ(FullScreenScale({7680, 4320}, {750, 600}), kMaxScale);
    EXPECT_EQ(FullScreenScale({800, 600}, {0, 0}), 1);
    EXPECT_EQ(FullScreenCorner({3840, 2160}, {750, 600}, 3).x, 795);
    EXPECT_EQ(FullScreenCorner({3840, 2160}, {750, 600}, 3).y, 180);
    EXPECT_EQ(FullScreenCorner({1280, 800}, {750, 600}, 1).x, 265);
    EXPECT_EQ(FullScreenCorner({640, 480}, {750, 400}, 1).x, 0);
    EXPECT_EQ(FullScreenCorner({640, 480}, {750, 400}, 1).y, 40);
}

} // namespace
