#pragma once

#include <cstdint>
#include <vector>

#include "store/PlayStatistics.hpp"

namespace scene {
class OBitmap;
}

namespace game {

// What one day of the chart shows.
enum class ChartDayKind { Unplayed, Playing, Finished, GivenUp };

struct ChartDay {
    std::int64_t day = 0;
    ChartDayKind kind = ChartDayKind::Unplayed;
    int score = 0; // the finished attempt's score

    bool operator==(const ChartDay&) const = default;
};

// The `count` days up to `today`, oldest first (today last), each with its attempt among
// `attempts` (days strictly increasing) or unplayed.
std::vector<ChartDay> ChartDays(const std::vector<store::DailyAttempt>& attempts, std::int64_t today,
                                int count);

// The chart of the last days as bars: one slot per day from the left, today at the right. A
// finished day is a bar whose height grows with its score against the best shown; a given-up
// day a short bar of another colour, a day still playing an outlined bar, an unplayed day a
// grey mark on the base line. Today's slot has a marker under the base line.
struct DailyChartLook {
    static constexpr int kSlotWidth = 10;
    static constexpr int kSlotGap = 3;
    static constexpr int kMargin = 6;
    static constexpr int kBarArea = 84;   // the tallest bar, in pixels
    static constexpr int kMinimumBar = 6; // the shortest finished bar
    static constexpr int kGivenUpBar = 5;
    static constexpr int kUnplayedMark = 2;
    static constexpr int kMarkerHeight = 5; // today's marker under the base line

    // Colours 0x00BBGGRR; none is black, which is the picture's transparent colour.
    static constexpr std::uint32_t kBackground = 0xEAF6FF;
    static constexpr std::uint32_t kFrame = 0x5A7896;
    static constexpr std::uint32_t kBaseLine = 0x7890A8;
    static constexpr std::uint32_t kFinished = 0xC0782D;
    static constexpr std::uint32_t kFinishedTop = 0xE6A658;
    static constexpr std::uint32_t kGivenUp = 0x3C3CD2;
    static constexpr std::uint32_t kPlaying = 0x0A82D2;
    static constexpr std::uint32_t kUnplayed = 0xB4B4B4;
    static constexpr std::uint32_t kToday = 0x1E3CA0;

    static constexpr int Width(int slots) {
        return 2 * kMargin + slots * kSlotWidth + (slots - 1) * kSlotGap;
    }
    static constexpr int Height() { return 2 * kMargin + kBarArea + 3 + kMarkerHeight; }
    // The left edge of slot `index` and the row of the base line, the lowest row of a bar.
    static constexpr int SlotLeft(int index) { return kMargin + index * (kSlotWidth + kSlotGap); }
    static constexpr int BaseRow() { return kMargin + kBarArea - 1; }
};

// The height in pixels of a finished day's bar: from kMinimumBar for 0 up to kBarArea for
// the best score shown (`best`).
int FinishedBarHeight(int score, int best);

// Draws the chart of `days` into a 24-bit top-down picture `width` x `height` of rows
// `stride` bytes apart (blue, green, red), as DailyChartLook describes; what does not fit
// is left out.
void PaintDailyChart(const std::vector<ChartDay>& days, std::uint8_t* pixels, int stride, int width,
                     int height);

// A new picture of the chart of `days`, one slot each; null when it cannot be made.
scene::OBitmap* MakeDailyChart(const std::vector<ChartDay>& days);

} // namespace game
