// The processor time a program at rest spends waiting for events while a game controller is
// plugged in: SDL's own wait, which reads the joysticks every millisecond, against the quiet
// wait the SDL driver uses then, in the same run. Each waits for one event pushed after
// kWaitMilliseconds; the share of a core and the ratio are printed.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string_view>
#include <thread>

#include "platform/sdl/QuietWait.hpp"

namespace {

constexpr int kWaitMilliseconds = 2000;

double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The share of one core that `wait` used until the event pushed after the wait time came.
double coreShare(std::uint32_t type, const std::function<void(SDL_Event&)>& wait,
                 const std::function<void()>& wake) {
    const double before = processSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMilliseconds));
        SDL_Event event{};
        event.type = type;
        SDL_PushEvent(&event);
        wake();
    });
    SDL_Event event{};
    do wait(event);
    while (event.type != type);
    poster.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return (processSeconds() - before) / wall;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        std::printf(
            "usage: pad_wait_bench\n"
            "Prints the share of a core spent waiting %d ms for an event with a virtual\n"
            "game controller plugged in: SDL's own wait against the quiet wait.\n",
            kWaitMilliseconds);
        return std::string_view(argv[1]) == "--help" ? 0 : 2;
    }
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "pad_wait_bench: %s\n", SDL_GetError());
        return 1;
    }
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = 6;
    desc.nbuttons = 15;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    SDL_Joystick* pad = index < 0 ? nullptr : SDL_JoystickOpen(index);
    if (pad == nullptr) {
        std::fprintf(stderr, "pad_wait_bench: no virtual controller: %s\n", SDL_GetError());
        return 1;
    }
    const std::uint32_t type = SDL_RegisterEvents(1);
    const double sdl = coreShare(
        type, [](SDL_Event& e) { SDL_WaitEvent(&e); }, [] {});
    platform::QuietWait quiet;
    const double ours = coreShare(
        type, [&](SDL_Event& e) { quiet.Wait(e, nullptr); }, [&] { quiet.Wake(); });
    std::printf(
        "waiting with a controller plugged in, share of a core: SDL's wait %.2f %%, quiet wait %.2f %%\n",
        100 * sdl, 100 * ours);
    std::printf("quiet wait / SDL's wait: %.3f\n", ours / (sdl > 0 ? sdl : 1e-9));
    SDL_JoystickClose(pad);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_EVENTS);
    return 0;
}
