#include "store/DailyStreak.hpp"

#include <algorithm>
#include <limits>

namespace store {
namespace {

// A run of finished days and the day it last saw.
struct Run {
    int length = 0;
    std::int64_t lastDay = -1;

    // Adds the day of one attempt: a finished day right after the last one lengthens the run,
    // another finished day starts a new one, any other attempt ends it.
    void add(const DailyAttempt& attempt) {
        if (attempt.state != AttemptState::Finished)
            length = 0;
        else if (length > 0 && attempt.day == lastDay + 1)
            length = length == std::numeric_limits<int>::max() ? length : length + 1;
        else
            length = 1;
        lastDay = attempt.day;
    }
    // The run's length if it reaches `day`, else 0 (a day in between was missed).
    int reaching(std::int64_t day) const { return length > 0 && lastDay == day ? length : 0; }
};

} // namespace

DailyStreaks ComputeDailyStreaks(const std::vector<DailyAttempt>& attempts, std::int64_t today,
                                 const EarlierStreak& earlier) {
    DailyStreaks streaks;
    streaks.best = earlier.best;
    Run run{earlier.length, earlier.endDay};
    // The run over the days before today, and today's attempt if there is one.
    Run beforeToday = earlier.endDay < today ? run : Run{};
    const DailyAttempt* todays = nullptr;
    for (const DailyAttempt& attempt : attempts) {
        run.add(attempt);
        streaks.best = std::max(streaks.best, run.length);
        if (attempt.day < today)
            beforeToday = run;
        else if (attempt.day == today)
            todays = &attempt;
    }
    const int toYesterday = beforeToday.reaching(today - 1);
    if (todays == nullptr || todays->state == AttemptState::Playing)
        streaks.current = toYesterday;
    else if (todays->state == AttemptState::Finished)
        streaks.current = toYesterday == std::numeric_limits<int>::max() ? toYesterday : toYesterday + 1;
    return streaks;
}

DailyStreaks StreaksOf(const PlayStatistics& statistics, std::int64_t today) {
    return ComputeDailyStreaks(statistics.Attempts(), today, statistics.Earlier());
}

} // namespace store
