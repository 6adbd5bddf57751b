#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace store {

// The games of one level: started, finished, the best finished score and the sum of the
// finished games' scores (for the average).
struct LevelStatistics {
    int played = 0;
    int finished = 0;
    int best = 0;
    std::int64_t total = 0; // sum of finished games' scores

    bool operator==(const LevelStatistics&) const = default;
};

enum class AttemptState { Playing, Finished, GivenUp };

// The ranked attempt of one day; `day` counts UTC days since 1970-01-01.
struct DailyAttempt {
    std::int64_t day = 0;
    int level = 1;
    int score = 0;
    AttemptState state = AttemptState::Playing;

    bool operator==(const DailyAttempt&) const = default;
};

// The run of finished days among attempts no longer kept: the run that ended on `endDay`
// (length 0 when that day broke it) and the longest run among them.
struct EarlierStreak {
    std::int64_t endDay = -1;
    int length = 0;
    int best = 0;

    bool operator==(const EarlierStreak&) const = default;
};

// The player's own record of games per level and of the daily attempts, kept in a small
// checksummed text file of ours ("stats.dat" beside the score table).
class PlayStatistics {
public:
    // The file's name; it lies wherever the score table lies.
    static constexpr const char* kFileName = "stats.dat";
    // The version written in the file's first line; other versions are not read.
    static constexpr int kVersion = 1;
    // Daily attempts kept; the oldest go first, their streak folded into Earlier().
    static constexpr std::size_t kMaxAttempts = 400;
    // Files larger than this are not read.
    static constexpr std::size_t kMaxFileBytes = 64 * 1024;

    // A missing, unreadable or damaged file gives empty statistics, never a crash.
    static PlayStatistics Load(const std::filesystem::path& path);
    // Written atomically (temporary file + rename); false on failure, the old file left as it was.
    bool Save(const std::filesystem::path& path) const;
    // The file's text, and the statistics of such a text (nullopt when it is damaged).
    std::string Text() const;
    static std::optional<PlayStatistics> FromText(const std::string& text);

    // Counts saturate at their type's largest value. A level outside 1..3 or a negative
    // score is ignored.
    void RecordGameStarted(int level);
    void RecordGameFinished(int level, int score);
    // The statistics of level 1..3; all zero for any other level.
    const LevelStatistics& Level(int level) const;

    // Starts the day's ranked attempt (day = UTC days since 1970-01-01): false when that day
    // already has an attempt or an attempt of a later day exists (the clock was set back),
    // when the day is negative or the level is outside 1..3.
    bool BeginDailyAttempt(std::int64_t day, int level);
    // Ends the day's Playing attempt; false when the day has none (or the score is negative).
    bool FinishDailyAttempt(std::int64_t day, int score);
    bool GiveUpDailyAttempt(std::int64_t day);
    std::optional<DailyAttempt> Attempt(std::int64_t day) const;
    // The newest `count` attempts, oldest first.
    std::vector<DailyAttempt> LastAttempts(std::size_t count) const;
    // Every attempt kept, oldest first; the days strictly increase.
    const std::vector<DailyAttempt>& Attempts() const { return m_attempts; }
    const EarlierStreak& Earlier() const { return m_earlier; }

    bool operator==(const PlayStatistics&) const = default;

private:
    DailyAttempt* playingAttempt(std::int64_t day);
    // Drops the oldest attempts beyond kMaxAttempts, folding them into m_earlier.
    void dropOldest();

    std::array<LevelStatistics, 3> m_levels{};
    std::vector<DailyAttempt> m_attempts;
    EarlierStreak m_earlier;
};

} // namespace store
