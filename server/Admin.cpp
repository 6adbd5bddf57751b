#include "Admin.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "server/LineReader.hpp"
#include "server/ReplayCheck.hpp"

namespace server {

std::string FormatAdminLine(const StoredRecord& record) {
    const std::time_t when = std::time_t(record.publishedAt);
    std::tm parts{};
    char date[32] = "";
    if (gmtime_r(&when, &parts)) std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::to_string(record.id) + '\t' + std::to_string(record.level) + '\t' + std::to_string(record.score) +
           '\t' + record.name + '\t' + date + '\t' + (record.hidden ? "hidden" : "shown") + '\n';
}

std::string FormatAdminVerificationLine(const StoredRecord& record) {
    std::string line = FormatAdminLine(record);
    line.pop_back();
    line += record.verified ? "\tverified\t" : "\tunverified\t" + OneLineReason(record.reason);
    line.push_back('\n');
    return line;
}

int RunAdmin(RecordStore& store, const AdminCommand& command, std::string& out, std::string& error) {
    if (command.action == AdminAction::List) {
        const Expected<std::vector<StoredRecord>> rows = store.List(command.filter);
        if (!rows) {
            error = rows.error();
            return 1;
        }
        for (const StoredRecord& row : *rows)
            out += command.verification ? FormatAdminVerificationLine(row) : FormatAdminLine(row);
        return 0;
    }
    if (command.action == AdminAction::Reverify) return RunReverify(store, out, error);
    const Expected<bool> done = command.action == AdminAction::Delete
                                    ? store.Delete(command.id)
                                    : store.SetHidden(command.id, command.action == AdminAction::Hide);
    if (!done) {
        error = done.error();
        return 1;
    }
    if (!*done) {
        error = "no record has the id " + std::to_string(command.id);
        return 3;
    }
    return 0;
}

std::string FormatReverifySummary(const ReverifyCounts& counts) {
    const std::int64_t unverified = counts.notFaithful + counts.sameGame;
    return "reverified " + std::to_string(counts.checked) +
           " records: " + std::to_string(counts.stillVerified) + " still verified, " +
           std::to_string(unverified) + " now unverified (" + std::to_string(counts.notFaithful) +
           " not faithful, " + std::to_string(counts.sameGame) + " the same game as an earlier record)\n";
}

int RunReverify(RecordStore& store, std::string& out, std::string& error, std::size_t batch) {
    ReverifyCounts counts;
    std::int64_t after = 0;
    for (;;) {
        const Expected<std::vector<VerifiedReplay>> records =
            store.VerifiedReplays(after, std::max<std::size_t>(batch, 1));
        if (!records) {
            error = records.error();
            return 1;
        }
        if (records->empty()) break;
        std::vector<Recheck> rechecks;
        rechecks.reserve(records->size());
        for (const VerifiedReplay& record : *records)
            rechecks.push_back(Recheck{record, CheckReplay(record.replay, record.level, record.score)});
        after = records->back().id;
        const Expected<bool> stored = store.Reverify(rechecks, counts);
        if (!stored) {
            error = stored.error();
            return 1;
        }
    }
    out += FormatReverifySummary(counts);
    return 0;
}

} // namespace server

namespace server {

namespace {

// Bad lines named one by one; the others are counted.
constexpr std::size_t kShownBadLines = 20;

// An unnamed temporary file, gone when closed; null when none can be made.
std::FILE* temporaryFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && folder[0] == '/' ? folder : "/tmp") + "/hoopstack-import-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return nullptr;
    ::unlink(pattern.c_str());
    std::FILE* file = ::fdopen(fd, "w+b");
    if (!file) ::close(fd);
    return file;
}

// Where the input can be read a second time from: a regular file from where it was, others
// copied to a temporary file.
struct SecondReading {
    std::FILE* file = nullptr;
    off_t start = 0;
    bool owned = false;
    ~SecondReading() {
        if (owned && file) std::fclose(file);
    }
};

void summary(std::FILE* messages, const ImportProgress& progress) {
    std::fprintf(messages, "imported %lld records, skipped %lld already stored\n",
                 static_cast<long long>(progress.imported), static_cast<long long>(progress.skipped));
}

} // namespace

int RunImport(RecordStore& store, std::FILE* input, std::FILE* messages, std::size_t batchLines) {
    SecondReading again;
    struct stat about {};
    if (::fstat(::fileno(input), &about) == 0 && S_ISREG(about.st_mode) && (again.start = ::ftello(input)) >= 0) {
        again.file = input;
    } else {
        again.file = temporaryFile();
        again.owned = true;
        if (!again.file) {
            std::fprintf(messages, "hoopstack-leaderboard: cannot make a temporary file: %s\n", std::strerror(errno));
            return 1;
        }
        again.start = 0;
    }

    // First reading: every line checked, nothing stored; where each batch begins noted.
    std::size_t lineNumber = 0, badLines = 0, records = 0;
    std::vector<std::size_t> blankLines;
    std::vector<std::uint64_t> batchStarts;
    auto bad = [&](std::size_t number, const std::string& reason) {
        if (++badLines <= kShownBadLines) std::fprintf(messages, "line %zu: %s\n", number, reason.c_str());
    };
    {
        LineReader reader(input, kMaxRecordLineBytes, again.owned ? again.file : nullptr);
        std::string line;
        bool tooLong = false;
        for (std::uint64_t start = 0; reader.Next(line, tooLong); start = reader.Position()) {
            ++lineNumber;
            if (tooLong) {
                bad(lineNumber, "the line is longer than " + std::to_string(kMaxRecordLineBytes) + " bytes");
                continue;
            }
            if (line.empty() || line == "\r") {
                blankLines.push_back(lineNumber);
                continue;
            }
            // Empty lines may end the input, not stand between records.
            for (const std::size_t blank : blankLines) bad(blank, "the line is empty");
            blankLines.clear();
            const Expected<RecordLine> record = ParseRecordLine(line);
            if (!record) {
                bad(lineNumber, record.error());
                continue;
            }
            if (records++ % batchLines == 0) batchStarts.push_back(start);
        }
        if (reader.Failed() || reader.CopyFailed()) {
            std::fprintf(messages, "hoopstack-leaderboard: cannot %s: %s\n",
                         reader.Failed() ? "read the standard input" : "copy the input to a temporary file",
                         std::strerror(errno));
            return 1;
        }
    }
    if (badLines > 0) {
        if (badLines > kShownBadLines) std::fprintf(messages, "and %zu more bad lines\n", badLines - kShownBadLines);
        std::fprintf(messages, "nothing imported: %zu of %zu lines are bad\n", badLines, lineNumber);
        return 2;
    }

    ImportProgress progress;
    const Expected<std::int64_t> storedBefore = store.LargestRecordId();
    if (!storedBefore) {
        std::fprintf(messages, "hoopstack-leaderboard: %s\n", storedBefore.error().c_str());
        return 1;
    }
    progress.storedBefore = *storedBefore;

    // Second reading: the batches from the last to the first, so that the records of earlier
    // lines are published later and rank higher among equal scores (see RecordStore::Import).
    if (std::fflush(again.file) != 0) {
        std::fprintf(messages, "hoopstack-leaderboard: cannot read the input again: %s\n", std::strerror(errno));
        return 1;
    }
    std::vector<RecordLine> batch;
    batch.reserve(std::min(batchLines, records));
    for (std::size_t b = batchStarts.size(); b-- > 0;) {
        const std::size_t wanted = std::min(batchLines, records - b * batchLines);
        bool intact = ::fseeko(again.file, again.start + off_t(batchStarts[b]), SEEK_SET) == 0;
        LineReader reader(again.file, kMaxRecordLineBytes);
        std::string line;
        bool tooLong = false;
        batch.clear();
        while (intact && batch.size() < wanted && reader.Next(line, tooLong)) {
            if (line.empty() || line == "\r") continue;
            Expected<RecordLine> record = ParseRecordLine(line);
            intact = !tooLong && record;
            if (intact) batch.push_back(std::move(*record));
        }
        if (!intact || batch.size() < wanted) {
            std::fprintf(messages, "hoopstack-leaderboard: the input changed while it was read\n");
            summary(messages, progress);
            return 1;
        }
        const Expected<bool> stored = store.Import(batch, progress);
        if (!stored) {
            std::fprintf(messages, "hoopstack-leaderboard: %s\n", stored.error().c_str());
            summary(messages, progress);
            return 1;
        }
    }
    // The records are all stored: a failure here is only reported.
    if (const Expected<bool> finished = store.FinishImport(); !finished)
        std::fprintf(messages, "hoopstack-leaderboard: %s\n", finished.error().c_str());
    summary(messages, progress);
    return 0;
}

int RunExport(RecordStore& store, std::FILE* output, std::FILE* messages) {
    bool written = true;
    const Expected<bool> complete = store.Export([&](const RecordLine& record) {
        const std::string line = FormatRecordLine(record);
        written = std::fwrite(line.data(), 1, line.size(), output) == line.size();
        return written;
    });
    if (!complete) {
        std::fprintf(messages, "hoopstack-leaderboard: %s\n", complete.error().c_str());
        return 1;
    }
    if (!written || std::fflush(output) != 0) {
        std::fprintf(messages, "hoopstack-leaderboard: cannot write the standard output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

} // namespace server
