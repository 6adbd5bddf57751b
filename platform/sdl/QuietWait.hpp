#pragma once

#include <atomic>
#include <cstdint>

struct SDL_Window;
union SDL_Event;

namespace platform {

// Waits for SDL's next event while a joystick is open. SDL_WaitEvent then wakes every
// millisecond to read the joysticks, a few per cent of a core for a game at rest; this wait
// sleeps on the X connection and a wake-up descriptor of its own instead, and reads the
// joysticks every kJoystickPeriod milliseconds, well inside a frame.
class QuietWait {
public:
    static constexpr int kJoystickPeriod = 8;

    QuietWait();
    ~QuietWait();
    QuietWait(const QuietWait&) = delete;
    QuietWait& operator=(const QuietWait&) = delete;

    // Whether it can wait: its wake-up descriptor was made.
    bool Usable() const { return m_wake >= 0; }
    // Takes SDL's next event into `event`, sleeping between reads on the X connection of
    // `window` (nullptr or no X window: on the period alone) and the wake-up descriptor.
    void Wait(SDL_Event& event, SDL_Window* window);
    // Ends the sleep of a Wait, or of the next one; any thread.
    void Wake();
    // How many times a Wait has slept so far.
    std::uint64_t Sleeps() const { return m_sleeps.load(); }

private:
    int m_wake = -1;
    std::atomic<std::uint64_t> m_sleeps{0};
};

} // namespace platform
