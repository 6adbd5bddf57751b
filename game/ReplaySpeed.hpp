#pragma once

#include <string>

namespace game {

// How fast the replay window plays its recording: x1 (as it was played), x2, x4 or x8. A
// faster speed plays several of the recording's frames per frame shown, so that the court
// ends exactly as at x1; the window's frame rate never changes.
class ReplaySpeed {
public:
    static constexpr int kSlowest = 1;
    static constexpr int kFastest = 8;

    // The recording's frames played per frame shown: 1, 2, 4 or 8.
    int FramesPerShownFrame() const { return m_factor; }
    // Doubles the speed, up to x8; false, changing nothing, when it is x8 already.
    bool Faster();
    // Halves the speed, down to x1; false, changing nothing, when it is x1 already.
    bool Slower();
    bool IsFastest() const { return m_factor == kFastest; }
    bool IsSlowest() const { return m_factor == kSlowest; }
    // "x1", "x2", "x4" or "x8".
    std::string Label() const;

private:
    int m_factor = kSlowest;
};

} // namespace game
