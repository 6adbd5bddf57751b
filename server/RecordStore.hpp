#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "server/Expected.hpp"
#include "server/ImportPlan.hpp"
#include "server/RecordLine.hpp"
#include "server/Records.hpp"

namespace server {

// When a publish must have its answer from the database at the latest.
using Deadline = std::chrono::steady_clock::time_point;
// The longest a publish waits for the database, queueing included.
inline constexpr std::chrono::seconds kPublishWait{5};

// The rows at the top of every level's table whose changes the table versions tell.
inline constexpr int kVersionedRows = 100;

// What `admin list` picks: every record, or those of one level and/or one name.
struct RecordFilter {
    std::optional<int> level;
    std::optional<std::string> name;
};

// Where published records live. Every operation may run on many threads at once; a failure
// of the database comes back as an Error, never as an exception.
//
// No publish ever removes a record. A level's table lists, per name, that name's
// kRecordsPerNameAndLevel best records that are not hidden; every other record stays stored
// unlisted. Ordering on a level: highest score first, among equal scores the later record first.
//
// A verified replay counts for one record: a later record with the same replay (by its hash)
// is stored unverified. A verified game of a day's court (see DailyGames.hpp) published in
// the day's window also enters the day's table; published outside it, it is stored unverified
// with the reason. With verified-only ranking the tables and ranks count verified
// records alone, each name its kRecordsPerNameAndLevel best verified ones; the others stay
// stored and listed by List.
class RecordStore {
public:
    virtual ~RecordStore() = default;

    // Set before serving: the tables and ranks count verified records only.
    void SetVerifiedOnly(bool verifiedOnly) { m_verifiedOnly = verifiedOnly; }
    bool VerifiedOnly() const { return m_verifiedOnly; }

    // Stores the record unless the same report was ever stored before, and lists the name's
    // best records again. A negative score is refused with an Error, as publishes refuse it. A value means the outcome is durable: it survives a crash of the
    // process. Past the deadline the publish gives up with an Error and stores nothing.
    virtual Expected<PublishResult> Publish(const NewRecord& record, Deadline deadline) = 0;
    Expected<PublishResult> Publish(const NewRecord& record) {
        return Publish(record, std::chrono::steady_clock::now() + kPublishWait);
    }

    // At most `count` listed records of a level, starting at rank `first` (1 for the best).
    virtual Expected<std::vector<RankedRecord>> Top(int level, int first, int count) = 0;
    // At most `count` rows of a day's table (days since 1970-01-01), starting at rank `first`:
    // each name's best verified game of the day's court published in the day's window and not
    // hidden, best first, among equal scores the later first. Every row is verified.
    virtual Expected<std::vector<RankedRecord>> DailyTop(std::int64_t day, int first, int count) {
        (void)day, (void)first, (void)count;
        return Error{"this store keeps no day's tables"};
    }
    // One number per level, kFirstLevel to kLastLevel in order, that grows in the same
    // transaction as any change to the first kVersionedRows rows of the level's tables (of all
    // listed records and of verified ones): equal numbers mean the same rows. A store that
    // keeps none answers with an Error.
    virtual Expected<std::vector<std::int64_t>> TableVersions() {
        return Error{"this store keeps no table versions"};
    }

    // The operator's view: every stored record the filter picks, by level, then as ranked.
    virtual Expected<std::vector<StoredRecord>> List(const RecordFilter& filter) = 0;
    // Hides a record from the tables or shows it again; false when there is no such record.
    virtual Expected<bool> SetHidden(std::int64_t id, bool hidden) = 0;
    // Removes a record for good; false when there is no such record.
    virtual Expected<bool> Delete(std::int64_t id) = 0;
    // The replay of a verified record that is not hidden; nothing for any other id.
    virtual Expected<std::optional<StoredReplay>> Replay(std::int64_t id) = 0;

    // The largest record id stored, 0 when there is none: an import takes it at its start.
    virtual Expected<std::int64_t> LargestRecordId() { return Error{"this store cannot import"}; }
    // Stores one batch of an import in one transaction, all of it or nothing, and updates
    // `progress` only when it is committed. Lines equal to records stored before the import
    // are skipped (see ImportProgress); the others become records published at the line's
    // time, unverified for kImportedReason, shown, listed and ranked as publishing them one
    // by one from the last line of the batch to the first would have done (so among equal
    // scores an earlier line ranks higher), their report texts registered so that a later
    // publish of the same report is a duplicate. Publishes wait while a batch is written.
    virtual Expected<bool> Import(const std::vector<RecordLine>& batch, ImportProgress& progress) {
        (void)batch, (void)progress;
        return Error{"this store cannot import"};
    }
    // After the last batch of an import: brings the database's own statistics up to date, so
    // that its plans fit the table's new size at once.
    virtual Expected<bool> FinishImport() { return true; }
    // Hands every record that is not hidden to `write`, by level, then as ranked (best first,
    // the later first among equal scores), listed or not; nothing is held in memory for long.
    // True when all were handed over, false when `write` returned false to stop.
    virtual Expected<bool> Export(const std::function<bool(const RecordLine&)>& write) {
        (void)write;
        return Error{"this store cannot export"};
    }

    // `admin reverify`, in batches: at most `count` verified records with a replay whose ids
    // are above `afterId`, by id, for checking them again by the current rules.
    virtual Expected<std::vector<VerifiedReplay>> VerifiedReplays(std::int64_t afterId, std::size_t count) {
        (void)afterId, (void)count;
        return Error{"this store cannot check its records again"};
    }
    // Stores the verdicts of one batch of rechecks in one transaction (see
    // Ledger::ReverifyIn), the names whose records change listed again and their levels'
    // versions renewed, and adds to `counts` only when it is committed. Publishes of the same
    // names wait meanwhile.
    virtual Expected<bool> Reverify(const std::vector<Recheck>& batch, ReverifyCounts& counts) {
        (void)batch, (void)counts;
        return Error{"this store cannot check its records again"};
    }

private:
    bool m_verifiedOnly = false;
};

} // namespace server
