// A window to look at by hand: a peach background with a square moving across
// it at 50 frames a second, driven the way the program drives its windows (a
// frame thread posts, the main thread presents the changed rectangles).
// Usage: platform_sdl_demo [seconds] [full]; "full" presents the whole window
// every frame instead of the changed rectangle. Escape or closing the window ends it.

#include "platform/sdl/SdlPlatform.hpp"
#include "platform/KeyCodes.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace platform;

namespace {

constexpr int width = 750;
constexpr int height = 600;
constexpr int side = 60;

void fill(const Surface& s, const Rect& a, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    for (int y = a.top; y < a.bottom; ++y) {
        std::uint8_t* p = s.row(y) + a.left * 3;
        for (int x = a.left; x < a.right; ++x, p += 3) {
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    }
}

Rect square(int x, int y) {
    return Rect{x, y, x + side, y + side};
}

Rect unite(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

double cpuMilliseconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const bool full = argc > 2 && std::string(argv[2]) == "full";
    SdlPlatform platform;
    WindowSpec request;
    request.name = "Hoopstack platform demo";
    request.width = width;
    request.height = height;
    request.background = 0x0099CCFF;
    const WindowId window = platform.CreateWindow(request);
    if (window == 0) {
        std::fprintf(stderr, "no window (no display, or another copy runs)\n");
        return 2;
    }

    const int stride = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> bits(std::size_t(stride) * height);
    const Surface buffer{bits.data(), width, height, stride, true};
    const Rect whole{0, 0, width, height};
    fill(buffer, whole, 0x99, 0xCC, 0xFF);

    std::atomic<bool> running{true};
    std::thread frames([&] {
        auto next = std::chrono::steady_clock::now();
        while (running) {
            next += std::chrono::milliseconds(20);
            std::this_thread::sleep_until(next);
            Event tick;
            tick.kind = EventKind::Posted;
            tick.window = window;
            tick.code = 1;
            platform.PostEvent(tick);
        }
    });

    int x = 0;
    int y = 270;
    int dx = 4;
    int count = 0;
    const double cpuStart = cpuMilliseconds();
    const std::uint32_t start = platform.Milliseconds();
    while (running) {
        const Event e = platform.WaitEvent();
        switch (e.kind) {
        case EventKind::Posted: {
            const Rect old = square(x, y);
            fill(buffer, old, 0x99, 0xCC, 0xFF);
            if (x + dx < 0 || x + dx + side > width) {
                dx = -dx;
            }
            x += dx;
            fill(buffer, square(x, y), 0x40, 0x70, 0xD0);
            platform.Present(window, buffer, full ? whole : unite(old, square(x, y)));
            ++count;
            if (platform.Milliseconds() - start >= seconds * 1000) {
                running = false;
            }
            break;
        }
        case EventKind::Exposed: platform.Present(window, buffer, e.area); break;
        case EventKind::KeyDown:
            if (e.code == Key_Escape) {
                running = false;
            }
            break;
        case EventKind::CloseRequest: running = false; break;
        default: break;
        }
    }
    frames.join();
    const double elapsed = platform.Milliseconds() - start;
    const double cpu = cpuMilliseconds() - cpuStart;
    std::printf("%d frames in %.0f ms, %.0f ms of CPU: %.1f %% of a core\n", count, elapsed, cpu,
                100.0 * cpu / elapsed);
    platform.DestroyWindow(window);
    return 0;
}
