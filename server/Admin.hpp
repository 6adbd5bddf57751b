#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "server/RecordStore.hpp"
#include "server/ServerOptions.hpp"

namespace server {

// One record as `admin list` prints it: ID TAB LEVEL TAB SCORE TAB NAME TAB DATE TAB STATE,
// the date as YYYY-MM-DDTHH:MM:SSZ in UTC, the state "shown" or "hidden", ending in a newline.
// Names hold no tab or newline (control characters are refused), so the fields stay apart.
std::string FormatAdminLine(const StoredRecord& record);
// The same line with two more fields before the newline, for `admin list --verification`:
// TAB "verified" or "unverified" TAB the reason (empty when verified; one line, no tab).
std::string FormatAdminVerificationLine(const StoredRecord& record);

// Carries out an admin command; `out` receives what goes to the standard output, `error` a
// line for the standard error. The value is the exit code: 0 done, 1 a database failure,
// 3 no record with that id.
int RunAdmin(RecordStore& store, const AdminCommand& command, std::string& out, std::string& error);

// Records `admin reverify` checks again in one transaction.
inline constexpr std::size_t kReverifyBatch = 100;

// `admin reverify`: checks every verified record that has a replay again by the current
// rules, by id from the oldest, `batch` records at a time: the replays are checked before each
// batch's transaction, which then stores the verdicts (see RecordStore::Reverify). `out`
// receives the summary line, `error` a line on a database failure. The value is the exit
// code: 0 done, 1 a database failure (the batches stored before stay; a run again goes on).
int RunReverify(RecordStore& store, std::string& out, std::string& error, std::size_t batch = kReverifyBatch);
// The summary line of `admin reverify`, with its newline.
std::string FormatReverifySummary(const ReverifyCounts& counts);

// Lines an import stores in one transaction.
inline constexpr std::size_t kImportBatchLines = 20'000;

// `admin import`: reads record lines from `input` (see RecordLine) and stores them, writing
// bad lines, failures and the closing count to `messages`. All of the input is checked before
// anything is stored; input that is not a regular file is copied to a temporary file on the
// way, so that memory holds one batch whatever the size. The batches are stored from the last
// to the first, so that among equal scores an earlier line ranks higher, as the export writes
// them. The value is the exit code: 0 done,
// 1 a failure of the database or of reading (batches stored before it stay), 2 bad lines
// (nothing stored).
int RunImport(RecordStore& store, std::FILE* input, std::FILE* messages, std::size_t batchLines = kImportBatchLines);

// `admin export`: writes the record lines of every record that is not hidden to `output`.
// The value is the exit code: 0 done, 1 a failure of the database or of writing.
int RunExport(RecordStore& store, std::FILE* output, std::FILE* messages);

} // namespace server
