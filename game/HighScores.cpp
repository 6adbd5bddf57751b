#include "game/HighScores.hpp"

#include <algorithm>
#include <ctime>
#include <mutex>
#include <set>

#include "engine/MainThread.hpp"
#include "platform/Platform.hpp"
#include "scene/ResolvePath.hpp"
#include "store/FileIO.hpp"
#include "store/PlayStatistics.hpp"
#include "store/TScoreReplays.hpp"
#include "ui/Translation.hpp"

#ifndef HOOPSTACK_WEB_BASE
#define HOOPSTACK_WEB_BASE "http://127.0.0.1:8080"
#endif

namespace game {

namespace {

constexpr char kEllipsis = '\x85';

} // namespace

std::string TablePath() { return scene::ResolveWritablePath("table.dat"); }

std::string ReplaysPath() { return scene::ResolveWritablePath("replays.dat"); }

std::string StatisticsPath() {
    return scene::ResolveWritablePath(store::PlayStatistics::kFileName);
}

std::string PublishAddressFor(std::string_view code, std::string_view replay) {
    return store::PublishAddress(HOOPSTACK_WEB_BASE, code, replay);
}

std::string DailyPageAddress(std::string_view date) {
    return std::string(HOOPSTACK_WEB_BASE) + "/daily/" + std::string(date);
}

RecordedResult RecordResult(const std::string& tablePath, const std::string& replaysPath, const std::string& line,
                            std::string_view replay) {
    RecordedResult result;
    // A kill in the middle of an earlier write left its temporary file; it goes now.
    store::removeStaleTemporaries(replaysPath);
    store::TScoresTable table;
    table.loadTable(tablePath);
    table.addRecordLine(line);
    // The records as the file will hold them: ten per name and level at most.
    const std::string text = table.tableText();
    store::TScoresTable written;
    written.addTableText(text);

    store::TScoreReplays replays;
    const bool hadFile = replays.load(replaysPath);
    if (!replay.empty()) {
        // The new record as the table's file gives it back.
        store::TScoresTable added, reread;
        added.addRecordLine(line);
        reread.addTableText(added.tableText());
        if (reread.size() == 1) {
            const auto& [score, record] = *reread.records().begin();
            replays.add(store::TScoreReplays::KeyOf(score, record), std::string(replay));
        }
    }
    const std::size_t before = replays.entries().size();
    replays.pruneTo(written);
    // Nothing to keep and nothing kept before: no file is needed.
    if (hadFile || before > 0) result.replaysSaved = replays.save(replaysPath, &result.replaysError);

    result.tableSaved = table.writeEncrypted(tablePath, text, &result.tableError);
    return result;
}

RecordedResult ClearResults(const std::string& tablePath, const std::string& replaysPath) {
    // The table first: replays left behind by a failure find no record and go at the next pruning.
    RecordedResult result;
    result.tableSaved = store::TScoresTable().saveTable(tablePath, &result.tableError);
    result.replaysSaved = store::TScoreReplays().save(replaysPath, &result.replaysError);
    return result;
}

std::string FormatRecordDate(int year, int month, int day) {
    return std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day);
}

std::string TodayRecordDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!::localtime_r(&now, &local)) return FormatRecordDate(1970, 1, 1);
    return FormatRecordDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string CleanPlayerName(std::string_view name) {
    std::string clean(name);
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < 32 || c == '\x7F') c = ' ';
    return clean;
}

std::string ResultLine(std::string_view date, std::string_view name, int level, std::int32_t score) {
    std::string line(date);
    line += '\t';
    line += name;
    line += '\t';
    line += std::to_string(level);
    line += '\t';
    line += std::to_string(score);
    return line;
}

std::vector<ScoreRow> TopOfLevel(const store::TScoresTable& table, std::string_view level, std::size_t count) {
    std::vector<ScoreRow> rows;
    for (const auto& [score, record] : table.records()) {
        if (rows.size() >= count) break;
        if (record.level == level) rows.push_back({score, record.name});
    }
    return rows;
}

std::string FitText(const std::string& text, int room, const std::function<int(std::string_view)>& width) {
    // Every character is at least a pixel wide, so no more than `room` of them can fit: a
    // longer text is cut without measuring all of it (a name may be a megabyte long).
    const std::size_t most = std::size_t(std::max(room, 0));
    if (text.size() <= most && width(text) <= room) return text;
    // Widths grow with the length, so the longest fitting start is found by halving.
    std::size_t low = 0, high = std::min(text.size(), most);
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        std::string candidate = text.substr(0, mid);
        candidate += kEllipsis;
        if (width(candidate) <= room)
            low = mid;
        else
            high = mid - 1;
    }
    std::string fitted = text.substr(0, low);
    // A cut just after a space would end the name in a gap before the ellipsis.
    while (!fitted.empty() && fitted.back() == ' ') fitted.pop_back();
    fitted += kEllipsis;
    return fitted;
}

namespace {

struct Reported {
    std::mutex mutex;
    std::set<std::string> files;
};

Reported& reported() {
    static Reported r;
    return r;
}

} // namespace

std::string PublishedName(std::string_view name) {
    return std::string(name.substr(0, kPublishedNameBytes));
}

void ReportPublishFailure() {
    engine::MainThread::Post(
        [] { platform::CurrentPlatform().ShowMessage(ui::Tr(kPublishFailedText), "Hoopstack"); });
}

void ForgetReportedSaveFailures() {
    std::lock_guard lock(reported().mutex);
    reported().files.clear();
}

void ReportSaveFailure(const std::string& file, const std::string& reason) {
    {
        std::lock_guard lock(reported().mutex);
        if (!reported().files.insert(file).second) return;
    }
    const std::string text = ui::TrFormat(
        "Hoopstack could not save \"%s\": %s. The file as it was before is kept.", {file, reason});
    engine::MainThread::Post([text] { platform::CurrentPlatform().ShowMessage(text, "Hoopstack"); });
}

} // namespace game
