#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/PublishAddress.hpp"
#include "store/TScoresTable.hpp"
#include "ui/Translation.hpp"

namespace game {

// The score table's file, found again each time it is read or written.
std::string TablePath();
// The file of the table's replays ("replays.dat"), beside the table.
std::string ReplaysPath();
// The player's statistics file (store::PlayStatistics::kFileName), beside the table.
std::string StatisticsPath();

// A record's date: year, month and day without leading zeros (2001-7-5).
std::string FormatRecordDate(int year, int month, int day);
// Today's local date in that form.
std::string TodayRecordDate();

// The name as the table can keep it: a record is one line of TAB-separated fields, so
// TABs, line breaks and other control bytes (pasted text) become spaces.
std::string CleanPlayerName(std::string_view name);

// The line the result window adds: date TAB name TAB level TAB score.
std::string ResultLine(std::string_view date, std::string_view name, int level, std::int32_t score);

struct ScoreRow {
    std::int32_t score = 0;
    std::string name;
};
// The first `count` records of the level in the table's walk order: highest score first,
// among equal scores the later one first.
std::vector<ScoreRow> TopOfLevel(const store::TScoresTable& table, std::string_view level, std::size_t count = 10);

// `text` when `width` says it fits in `room` pixels, else its longest start that fits with
// an ellipsis (one code page 1252 byte) after it; the ellipsis alone when nothing more fits.
std::string FitText(const std::string& text, int room, const std::function<int(std::string_view)>& width);

// The leaderboard keeps names of at most this many bytes.
inline constexpr std::size_t kPublishedNameBytes = 99;
// The name as a published report carries it: its first 99 bytes. Names are code page 1252,
// one byte per character, so the cut always falls between two characters.
std::string PublishedName(std::string_view name);

using store::kMaxPublishAddress;
// The publishing page's address for a report's code, with `&r=` and the replay when one is
// given and the whole address stays within kMaxPublishAddress.
std::string PublishAddressFor(std::string_view code, std::string_view replay = {});
// The leaderboard's page of a day's table; `date` is "YYYY-MM-DD".
std::string DailyPageAddress(std::string_view date);

// What recording a result wrote, and why a write failed.
struct RecordedResult {
    bool tableSaved = false;
    std::string tableError;
    bool replaysSaved = true;  // also when there was nothing to write
    std::string replaysError;
};
// Adds the line (ResultLine) to the score table's file and its replay, when it has one, to the
// replays' file, which keeps only the replays of the records the table then holds. The replays
// are written first, so that a record on disk finds its replay; a missing or unreadable
// replays' file is started afresh.
RecordedResult RecordResult(const std::string& tablePath, const std::string& replaysPath, const std::string& line,
                            std::string_view replay);
// Empties both files: the table (without reading it first) and its replays.
RecordedResult ClearResults(const std::string& tablePath, const std::string& replaysPath);

inline constexpr const char* kPublishFailedText = ui::TrLater(
    "Hoopstack could not open the web page that publishes your score. Is a web browser installed?");
// Tells the player that the publishing page could not be opened. Safe from any thread.
void ReportPublishFailure();

// Tells the player, once per file in a run, that a file could not be saved and why.
// Safe from any thread: the message box is shown by the main thread.
void ReportSaveFailure(const std::string& file, const std::string& reason);
// Forgets which files were reported (tests that run in one process).
void ForgetReportedSaveFailures();

} // namespace game
