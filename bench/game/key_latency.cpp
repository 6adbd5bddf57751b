// hoopstack-key-latency: how long the program on the X display takes from a key press to the
// first frame on the screen that shows its effect. It presses KEY through the XTest extension
// COUNT times, a pause after each, and after each press reads the W x H screen area at X, Y
// until it differs from what it showed before the press; it prints each delay in milliseconds,
// then the median and the largest. A measuring tool, not part of the game.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern "C" int XTestFakeKeyEvent(Display* display, unsigned int keycode, int isPress, unsigned long delay);

namespace {

using Clock = std::chrono::steady_clock;

std::vector<unsigned long> grab(Display* display, int x, int y, int width, int height) {
    std::vector<unsigned long> pixels;
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, unsigned(width), unsigned(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) return pixels;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) pixels.push_back(XGetPixel(image, column, row));
    XDestroyImage(image);
    return pixels;
}

int usage(int code) {
    std::fprintf(code == 0 ? stdout : stderr,
                 "usage: hoopstack-key-latency X Y W H KEY COUNT\n"
                 "Presses KEY (an X key name such as p) COUNT times on $DISPLAY and prints, for each\n"
                 "press, the milliseconds until the screen area W x H at X, Y changed, then the\n"
                 "median and the largest. Exit code 1 when an area never changed within 2 s.\n");
    return code;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return usage(0);
    if (argc != 7) return usage(2);
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]), width = std::atoi(argv[3]),
              height = std::atoi(argv[4]);
    const int count = std::atoi(argv[6]);
    if (width < 1 || height < 1 || count < 1) return usage(2);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "hoopstack-key-latency: cannot open the display\n");
        return 2;
    }
    const KeySym symbol = XStringToKeysym(argv[5]);
    const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
    if (code == 0) {
        std::fprintf(stderr, "hoopstack-key-latency: no key '%s'\n", argv[5]);
        return 2;
    }
    std::vector<double> delays;
    bool missed = false;
    for (int i = 0; i < count; ++i) {
        const std::vector<unsigned long> before = grab(display, x, y, width, height);
        const Clock::time_point pressed = Clock::now();
        XTestFakeKeyEvent(display, code, 1, 0);
        XTestFakeKeyEvent(display, code, 0, 0);
        XFlush(display);
        double delay = -1;
        while (Clock::now() - pressed < std::chrono::seconds(2)) {
            if (grab(display, x, y, width, height) != before) {
                delay = std::chrono::duration<double, std::milli>(Clock::now() - pressed).count();
                break;
            }
            // A look every half millisecond: fine enough against a 20 ms frame, and it leaves
            // the processor to the program measured.
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        if (delay < 0) {
            missed = true;
            std::printf("press %d: no change within 2 s\n", i + 1);
        } else {
            delays.push_back(delay);
            std::printf("press %d: %.1f ms\n", i + 1, delay);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    XCloseDisplay(display);
    if (!delays.empty()) {
        std::sort(delays.begin(), delays.end());
        std::printf("median %.1f ms, largest %.1f ms over %zu presses\n", delays[delays.size() / 2],
                    delays.back(), delays.size());
    }
    return missed ? 1 : 0;
}
