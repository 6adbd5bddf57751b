#pragma once

#include <cstdint>
#include <optional>

namespace ui {

// A button held down repeats its press, as a keyboard repeats a held key: first after
// kDelay, then every kPeriod, counted from the press whatever the frames in between. For
// buttons that repeat nothing themselves (a gamepad's). Times are the platform's wrapping
// milliseconds.
class HeldRepeat {
public:
    static constexpr std::uint32_t kDelay = 300;
    static constexpr std::uint32_t kPeriod = 60;

    // `what` went down at `now`; it is held from now on, instead of any other.
    void Press(int what, std::uint32_t now);
    // `what` went up; nothing when another is held.
    void Release(int what);
    void Clear() { m_held.reset(); }
    std::optional<int> Held() const { return m_held; }
    // The repeats that fell due up to `now` since the last call; Repeats() counts every one.
    int Due(std::uint32_t now);
    int Repeats() const { return m_repeats; }

private:
    std::optional<int> m_held;
    std::uint32_t m_since = 0;
    int m_repeats = 0;
};

} // namespace ui
