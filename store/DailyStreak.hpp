#pragma once

#include <cstdint>
#include <vector>

#include "store/PlayStatistics.hpp"

namespace store {

// Days in a row with a finished daily attempt.
struct DailyStreaks {
    int current = 0; // the run that ends today, or yesterday while today is still open
    int best = 0;    // the longest run ever, the current one included

    bool operator==(const DailyStreaks&) const = default;
};

// The streaks of `attempts` (oldest first, days strictly increasing, UTC day numbers) on the
// UTC day `today`, after the runs folded into `earlier`. Today counts once finished; while it
// has no attempt or a playing one, the current run ends yesterday; a given-up or missed day
// ends it. Attempts after `today` (the clock was set back) do not count for the current run,
// only for the best, as the days they were played on; each day number counts once whatever
// the clock says, since the statistics keep one attempt per day.
DailyStreaks ComputeDailyStreaks(const std::vector<DailyAttempt>& attempts, std::int64_t today,
                                 const EarlierStreak& earlier = {});

// The streaks of everything the statistics keep, on the UTC day `today`.
DailyStreaks StreaksOf(const PlayStatistics& statistics, std::int64_t today);

} // namespace store
