#include "game/DailyChart.hpp"

#include <algorithm>

#include "scene/OBitmap.hpp"

namespace game {
namespace {

using Look = DailyChartLook;

// A picture to paint into that clips every rectangle to its bounds.
class Canvas {
public:
    Canvas(std::uint8_t* pixels, int stride, int width, int height)
        : m_pixels(pixels), m_stride(stride), m_width(width), m_height(height) {}

    // Fills columns [left, right) of rows [top, bottom).
    void Fill(int left, int top, int right, int bottom, std::uint32_t colour) {
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min(right, m_width);
        bottom = std::min(bottom, m_height);
        for (int row = top; row < bottom; ++row) {
            std::uint8_t* pixel = m_pixels + std::ptrdiff_t(row) * m_stride + std::ptrdiff_t(left) * 3;
            for (int column = left; column < right; ++column, pixel += 3) {
                pixel[0] = std::uint8_t(colour >> 16);
                pixel[1] = std::uint8_t(colour >> 8);
                pixel[2] = std::uint8_t(colour);
            }
        }
    }
    // A one-pixel outline just inside the rectangle.
    void Outline(int left, int top, int right, int bottom, std::uint32_t colour) {
        Fill(left, top, right, top + 1, colour);
        Fill(left, bottom - 1, right, bottom, colour);
        Fill(left, top, left + 1, bottom, colour);
        Fill(right - 1, top, right, bottom, colour);
    }

private:
    std::uint8_t* m_pixels;
    int m_stride;
    int m_width;
    int m_height;
};

ChartDayKind kindOf(store::AttemptState state) {
    switch (state) {
    case store::AttemptState::Playing:
        return ChartDayKind::Playing;
    case store::AttemptState::Finished:
        return ChartDayKind::Finished;
    case store::AttemptState::GivenUp:
        return ChartDayKind::GivenUp;
    }
    return ChartDayKind::Unplayed;
}

// The slot of one day: bars stand on the base line.
void paintDay(Canvas& canvas, const ChartDay& day, int left, int best) {
    const int right = left + Look::kSlotWidth;
    const int base = Look::BaseRow() + 1; // one past the bar's lowest row
    switch (day.kind) {
    case ChartDayKind::Finished: {
        const int top = base - FinishedBarHeight(day.score, best);
        canvas.Fill(left, top, right, base, Look::kFinished);
        canvas.Fill(left, top, right, top + 2, Look::kFinishedTop);
        break;
    }
    case ChartDayKind::GivenUp:
        canvas.Fill(left, base - Look::kGivenUpBar, right, base, Look::kGivenUp);
        break;
    case ChartDayKind::Playing:
        canvas.Outline(left, base - Look::kBarArea / 3, right, base, Look::kPlaying);
        break;
    case ChartDayKind::Unplayed:
        canvas.Fill(left + 2, base - Look::kUnplayedMark, right - 2, base, Look::kUnplayed);
        break;
    }
}

// An upward triangle under the base line, centred on the slot.
void paintTodayMarker(Canvas& canvas, int left) {
    const int middle = left + Look::kSlotWidth / 2;
    const int top = Look::BaseRow() + 3;
    for (int row = 0; row < Look::kMarkerHeight; ++row)
        canvas.Fill(middle - row - 1, top + row, middle + row + 1, top + row + 1, Look::kToday);
}

} // namespace

std::vector<ChartDay> ChartDays(const std::vector<store::DailyAttempt>& attempts, std::int64_t today,
                                int count) {
    std::vector<ChartDay> days;
    if (count <= 0) return days;
    const std::int64_t first = today - (count - 1);
    auto attempt =
        std::lower_bound(attempts.begin(), attempts.end(), first,
                         [](const store::DailyAttempt& a, std::int64_t day) { return a.day < day; });
    for (std::int64_t day = first; day <= today; ++day) {
        ChartDay shown{day, ChartDayKind::Unplayed, 0};
        if (attempt != attempts.end() && attempt->day == day) {
            shown.kind = kindOf(attempt->state);
            shown.score = attempt->state == store::AttemptState::Finished ? attempt->score : 0;
            ++attempt;
        }
        days.push_back(shown);
    }
    return days;
}

int FinishedBarHeight(int score, int best) {
    if (best <= 0 || score <= 0) return Look::kMinimumBar;
    const double share = double(std::min(score, best)) / double(best);
    return Look::kMinimumBar + int(share * (Look::kBarArea - Look::kMinimumBar) + 0.5);
}

void PaintDailyChart(const std::vector<ChartDay>& days, std::uint8_t* pixels, int stride, int width,
                     int height) {
    Canvas canvas(pixels, stride, width, height);
    canvas.Fill(0, 0, width, height, Look::kBackground);
    canvas.Outline(0, 0, width, height, Look::kFrame);
    canvas.Fill(Look::kMargin - 3, Look::BaseRow() + 1, width - Look::kMargin + 3, Look::BaseRow() + 2,
                Look::kBaseLine);
    int best = 0;
    for (const ChartDay& day : days)
        if (day.kind == ChartDayKind::Finished) best = std::max(best, day.score);
    for (std::size_t i = 0; i < days.size(); ++i) paintDay(canvas, days[i], Look::SlotLeft(int(i)), best);
    if (!days.empty()) paintTodayMarker(canvas, Look::SlotLeft(int(days.size()) - 1));
}

scene::OBitmap* MakeDailyChart(const std::vector<ChartDay>& days) {
    const int slots = std::max<int>(int(days.size()), 1);
    auto* chart = new scene::OBitmap;
    // A negative height makes the rows top-down, as PaintDailyChart writes them.
    if (!chart->CreateBlank(float(Look::Width(slots)), -float(Look::Height()))) {
        scene::OGraph::Release(chart);
        return nullptr;
    }
    PaintDailyChart(days, chart->Pixels(), chart->Stride(), Look::Width(slots), Look::Height());
    return chart;
}

} // namespace game
