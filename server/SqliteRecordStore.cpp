#include "SqliteRecordStore.hpp"

#include <sqlite3.h>

#include <algorithm>

#include "server/Ledger.hpp"
#include "server/RecordRows.hpp"
#include "server/SqliteConnection.hpp"
#include "server/SqliteLedgerTransaction.hpp"
#include "server/SqliteSchema.hpp"
#include "server/SqliteStatement.hpp"

namespace server {

namespace {

constexpr const char* kListSql =
    "SELECT id, level, score, name, published_at, hidden, verified, reason FROM records "
    "WHERE (?1 = 0 OR level = ?1) AND (?2 = 0 OR name = ?3) ORDER BY level, score DESC, id DESC";
constexpr const char* kReplaySql =
    "SELECT id, level, score, replay FROM records WHERE id = ?1 AND verified = 1 AND hidden = 0";
constexpr const char* kLargestIdSql = "SELECT COALESCE(MAX(id), 0) FROM records";
// One level's shown records, listed or not (`listed` 1 or 0), as ranked: each a walk down the
// records_listed index, so two of them merge into the level's order without sorting.
constexpr const char* kExportSql =
    "SELECT score, name, published_at, id FROM records WHERE level = ?1 AND listed = ?2 AND hidden = 0 "
    "ORDER BY score DESC, id DESC";

// How long an import waits for another process's write lock before a batch gives up.
constexpr auto kImportWait = std::chrono::seconds(60);

// The one writing connection takes its transactions in turns, and another process's writer
// waits for the file's write lock: nothing commits while a change looks at a table's first
// rows, so a change counts them exactly, with no margin. A publish's rank is counted after
// the commit, on a reading connection, so that the writer goes on with the next batch.
constexpr LedgerPolicy kPolicy{0, PublishRank::AfterCommit};

} // namespace

struct SqliteRecordStore::Writer {
    explicit Writer(std::unique_ptr<SqliteConnection> opened)
        : connection(std::move(opened)), tx(*connection) {}
    std::unique_ptr<SqliteConnection> connection;
    SqliteLedgerTransaction tx;
    SqliteStatement begin, commit, rollback, savepoint, release, rollbackTo;

    bool Prepare(std::string& error) {
        sqlite3* db = connection->Handle();
        for (const auto& [statement, sql] : std::initializer_list<std::pair<SqliteStatement*, const char*>>{
                 {&begin, "BEGIN IMMEDIATE"},
                 {&commit, "COMMIT"},
                 {&rollback, "ROLLBACK"},
                 {&savepoint, "SAVEPOINT one_record"},
                 {&release, "RELEASE one_record"},
                 {&rollbackTo, "ROLLBACK TO one_record"},
             })
            if (!statement->Prepare(db, sql, error)) return false;
        return true;
    }
};

struct SqliteRecordStore::Reader {
    explicit Reader(std::unique_ptr<SqliteConnection> opened)
        : connection(std::move(opened)), tx(*connection) {}
    std::unique_ptr<SqliteConnection> connection;
    SqliteLedgerTransaction tx;
    SqliteStatement replay;
};

SqliteRecordStore::SqliteRecordStore(std::string path, std::unique_ptr<Writer> writer)
    : m_path(std::move(path)), m_writer(std::move(writer)) {}

SqliteRecordStore::~SqliteRecordStore() = default;

Ledger SqliteRecordStore::MakeLedger() const {
    return Ledger(kPolicy, VerifiedOnly() ? Listing::Verified : Listing::All);
}

Expected<std::unique_ptr<SqliteRecordStore>> SqliteRecordStore::Open(const std::string& path) {
    auto connection = SqliteConnection::Open(path, false);
    if (!connection) return Error{connection.error()};
    auto writer = std::make_unique<Writer>(std::move(*connection));
    std::string error;
    if (!SetUpSqliteDatabase(*writer->connection, writer->tx, error) || !writer->Prepare(error))
        return Error{"cannot set up the database " + path + ": " + error};
    return std::unique_ptr<SqliteRecordStore>(new SqliteRecordStore(path, std::move(writer)));
}

template <class Body>
bool SqliteRecordStore::InTransaction(Deadline deadline, std::string& error, Body body) {
    std::unique_lock lock(m_writeLock, std::defer_lock);
    if (!lock.try_lock_until(deadline)) {
        error = "the database is busy: the record waited too long to be written";
        return false;
    }
    Writer& w = *m_writer;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    // Another process may hold the database's write lock: wait for it only until the deadline.
    sqlite3_busy_timeout(w.connection->Handle(), int(std::max<std::int64_t>(1, left.count())));
    w.begin.Reset();
    w.begin.Step();
    if (w.begin.Failed()) {
        error = "cannot begin a transaction: " + w.connection->LastError();
        return false;
    }
    if (!body(w, error)) {
        w.rollback.Reset();
        w.rollback.Step();
        return false;
    }
    w.commit.Reset();
    w.commit.Step();
    if (w.commit.Failed()) {
        error = "cannot commit: " + w.connection->LastError();
        w.rollback.Reset();
        w.rollback.Step();
        return false;
    }
    return true;
}

// One publish waiting for the writer. Publishes that arrive while a transaction commits are
// written together in the next one (group commit): one sync to disk for all of them.
struct SqliteRecordStore::Pending {
    const NewRecord* record = nullptr;
    Deadline deadline;
    bool taken = false;
    bool done = false;
    std::optional<Published> published;
    std::string error;
};

Expected<PublishResult> SqliteRecordStore::Publish(const NewRecord& record, Deadline deadline) {
    if (std::optional<Error> refused = RefusePublish(record)) return *refused;
    Pending mine;
    mine.record = &record;
    mine.deadline = deadline;
    std::unique_lock lock(m_queueLock);
    m_queue.push_back(&mine);
    while (!mine.done) {
        if (!m_writing) {
            // Nobody writes: this thread writes the queue's first batch, its own or not.
            m_writing = true;
            std::vector<Pending*> batch;
            while (!m_queue.empty() && batch.size() < kBatchSize) {
                Pending* next = m_queue.front();
                m_queue.pop_front();
                next->taken = true;
                batch.push_back(next);
            }
            lock.unlock();
            WriteBatch(batch);
            lock.lock();
            for (Pending* p : batch) p->done = true;
            m_writing = false;
            m_finished.notify_all();
            continue;
        }
        if (!mine.taken && std::chrono::steady_clock::now() >= deadline) {
            m_queue.erase(std::find(m_queue.begin(), m_queue.end(), &mine));
            mine.error = "the database is busy: the record waited too long to be written";
            break;
        }
        if (mine.taken)
            m_finished.wait(lock);
        else
            m_finished.wait_until(lock, deadline);
    }
    if (!mine.published) return Error{"cannot store the record: " + mine.error};
    // The record is stored; a rank that cannot be counted just now is left out.
    PublishResult result = mine.published->result;
    if (auto reader = TakeReader()) {
        std::string error;
        // One snapshot of the database for the whole count.
        if ((*reader)->connection->Execute("BEGIN", error)) {
            const Expected<std::int64_t> rank = MakeLedger().RankIn((*reader)->tx, mine.published->id);
            result.rank = rank ? *rank : 0;
            if (rank && result.day) {
                const Expected<std::int64_t> dailyRank =
                    Ledger::DailyRankIn((*reader)->tx, mine.published->id);
                result.dailyRank = dailyRank ? *dailyRank : 0;
            }
            (*reader)->connection->Execute(rank ? "COMMIT" : "ROLLBACK", error);
        }
        ReturnReader(std::move(*reader));
    }
    return result;
}

void SqliteRecordStore::WriteBatch(const std::vector<Pending*>& batch) {
    Deadline earliest = Deadline::max();
    for (const Pending* p : batch) earliest = std::min(earliest, p->deadline);
    const Ledger ledger = MakeLedger();
    std::string error;
    const bool committed = InTransaction(earliest, error, [&](Writer& w, std::string& failure) {
        for (Pending* p : batch) {
            // Each record in a savepoint of its own: one that fails leaves the others.
            bool row = false;
            w.savepoint.Reset();
            if (!w.savepoint.RunOnce(row)) return failure = w.connection->LastError(), false;
            Expected<Published> published = ledger.PublishIn(w.tx, *p->record);
            if (published) {
                p->published = std::move(*published);
            } else {
                p->error = published.error();
                w.rollbackTo.Reset();
                if (!w.rollbackTo.RunOnce(row)) return failure = w.connection->LastError(), false;
            }
            w.release.Reset();
            if (!w.release.RunOnce(row)) return failure = w.connection->LastError(), false;
        }
        return true;
    });
    if (committed) return;
    for (Pending* p : batch) {
        p->published.reset();
        p->error = error;
    }
}

Expected<bool> SqliteRecordStore::Change(std::int64_t id, RecordChange change) {
    bool found = false;
    std::string error;
    const Ledger ledger = MakeLedger();
    if (!InTransaction(std::chrono::steady_clock::now() + kPublishWait, error,
                       [&](Writer& w, std::string& failure) {
                           const Expected<bool> changed = ledger.ChangeIn(w.tx, id, change);
                           if (!changed) return failure = changed.error(), false;
                           found = *changed;
                           return true;
                       }))
        return Error{"cannot change the record: " + error};
    return found;
}

Expected<bool> SqliteRecordStore::SetHidden(std::int64_t id, bool hidden) {
    return Change(id, hidden ? RecordChange::Hide : RecordChange::Show);
}

Expected<bool> SqliteRecordStore::Delete(std::int64_t id) {
    return Change(id, RecordChange::Delete);
}

Expected<std::unique_ptr<SqliteRecordStore::Reader>> SqliteRecordStore::TakeReader() {
    {
        std::lock_guard lock(m_readersLock);
        if (!m_idleReaders.empty()) {
            std::unique_ptr<Reader> reader = std::move(m_idleReaders.back());
            m_idleReaders.pop_back();
            return reader;
        }
    }
    auto connection = SqliteConnection::Open(m_path, false);
    if (!connection) return Error{connection.error()};
    auto reader = std::make_unique<Reader>(std::move(*connection));
    std::string error;
    if (!reader->connection->Execute("PRAGMA query_only = 1;", error) || !reader->tx.Prepare(error) ||
        !reader->replay.Prepare(reader->connection->Handle(), kReplaySql, error))
        return Error{"cannot prepare a reading connection: " + error};
    return reader;
}

void SqliteRecordStore::ReturnReader(std::unique_ptr<Reader> reader) {
    std::lock_guard lock(m_readersLock);
    m_idleReaders.push_back(std::move(reader));
}

template <class T, class Body>
Expected<T> SqliteRecordStore::WithReader(const char* what, Body body) {
    auto taken = TakeReader();
    if (!taken) return Error{taken.error()};
    Expected<T> result = body(**taken);
    ReturnReader(std::move(*taken));
    if (!result) return Error{std::string(what) + ": " + result.error()};
    return result;
}

Expected<std::vector<RankedRecord>> SqliteRecordStore::Top(int level, int first, int count) {
    return WithReader<std::vector<RankedRecord>>("cannot read the records", [&](Reader& reader) {
        return MakeLedger().TopIn(reader.tx, level, first, count);
    });
}

Expected<std::vector<RankedRecord>> SqliteRecordStore::DailyTop(std::int64_t day, int first, int count) {
    return WithReader<std::vector<RankedRecord>>("cannot read the day's records", [&](Reader& reader) {
        return Ledger::DailyTopIn(reader.tx, day, first, count);
    });
}

Expected<std::vector<std::int64_t>> SqliteRecordStore::TableVersions() {
    return WithReader<std::vector<std::int64_t>>("cannot read the table versions", [&](Reader& reader) {
        return Ledger::ReadTableVersions(reader.tx);
    });
}

Expected<std::vector<StoredRecord>> SqliteRecordStore::List(const RecordFilter& filter) {
    return WithReader<std::vector<StoredRecord>>(
        "cannot list the records", [&](Reader& reader) -> Expected<std::vector<StoredRecord>> {
            SqliteStatement list;
            std::string error;
            if (!list.Prepare(reader.connection->Handle(), kListSql, error)) return Error{error};
            list.BindAll(std::int64_t(filter.level.value_or(0)), std::int64_t(filter.name ? 1 : 0),
                         std::string_view(filter.name ? *filter.name : std::string()));
            std::vector<StoredRecord> rows;
            while (list.Step()) rows.push_back(StoredRecordOf(list));
            if (list.Failed()) return Error{reader.connection->LastError()};
            return rows;
        });
}

Expected<std::optional<StoredReplay>> SqliteRecordStore::Replay(std::int64_t id) {
    return WithReader<std::optional<StoredReplay>>(
        "cannot read the replay", [&](Reader& reader) -> Expected<std::optional<StoredReplay>> {
            SqliteStatement& replay = reader.replay;
            replay.BindAll(id);
            std::optional<StoredReplay> found;
            if (replay.Step()) found = StoredReplayOf(replay);
            const bool failed = replay.Failed();
            const std::string message = failed ? reader.connection->LastError() : std::string();
            replay.Reset();
            if (failed) return Error{message};
            return found;
        });
}

Expected<std::int64_t> SqliteRecordStore::LargestRecordId() {
    return WithReader<std::int64_t>("cannot read the records", [&](Reader& reader) -> Expected<std::int64_t> {
        SqliteStatement largest;
        std::string error;
        if (!largest.Prepare(reader.connection->Handle(), kLargestIdSql, error)) return Error{error};
        bool row = false;
        if (!largest.RunOnce(row) || !row) return Error{reader.connection->LastError()};
        return largest.Int64(0);
    });
}

Expected<bool> SqliteRecordStore::Import(const std::vector<RecordLine>& batch, ImportProgress& progress) {
    if (std::optional<Error> refused = RefuseImport(batch)) return *refused;
    ImportProgress next;
    std::string error;
    const Ledger ledger = MakeLedger();
    const bool committed = InTransaction(std::chrono::steady_clock::now() + kImportWait, error,
                                         [&](Writer& w, std::string& failure) {
                                             next = progress;
                                             const Expected<bool> stored = ledger.ImportIn(w.tx, batch, next);
                                             if (!stored) failure = stored.error();
                                             return bool(stored);
                                         });
    if (!committed) return Error{"cannot import the records: " + error};
    progress = std::move(next);
    return true;
}

Expected<std::vector<VerifiedReplay>> SqliteRecordStore::VerifiedReplays(std::int64_t afterId,
                                                                         std::size_t count) {
    return WithReader<std::vector<VerifiedReplay>>("cannot read the records", [&](Reader& reader) {
        return Ledger::VerifiedReplaysIn(reader.tx, afterId, count);
    });
}

Expected<bool> SqliteRecordStore::Reverify(const std::vector<Recheck>& batch, ReverifyCounts& counts) {
    ReverifyCounts next;
    std::string error;
    const Ledger ledger = MakeLedger();
    const bool committed = InTransaction(
        std::chrono::steady_clock::now() + kImportWait, error, [&](Writer& w, std::string& failure) {
            next = counts;
            const Expected<bool> stored = ledger.ReverifyIn(w.tx, batch, next);
            if (!stored) failure = stored.error();
            return bool(stored);
        });
    if (!committed) return Error{"cannot check the records again: " + error};
    counts = next;
    return true;
}

Expected<bool> SqliteRecordStore::Export(const std::function<bool(const RecordLine&)>& write) {
    auto taken = TakeReader();
    if (!taken) return Error{taken.error()};
    std::unique_ptr<Reader> reader = std::move(*taken);
    std::string error;
    // One read transaction: the export is one snapshot of the database.
    if (!reader->connection->Execute("BEGIN", error)) return Error{"cannot read the records: " + error};
    SqliteStatement listed, unlisted;
    bool ok = listed.Prepare(reader->connection->Handle(), kExportSql, error) &&
              unlisted.Prepare(reader->connection->Handle(), kExportSql, error);
    bool complete = true;
    for (int level = kFirstLevel; ok && complete && level <= kLastLevel; ++level) {
        listed.BindAll(std::int64_t(level), std::int64_t(1));
        unlisted.BindAll(std::int64_t(level), std::int64_t(0));
        bool hasListed = listed.Step(), hasUnlisted = unlisted.Step();
        while (complete && (hasListed || hasUnlisted)) {
            // The better of the two heads: the higher score, then the later record.
            bool takeListed = hasListed;
            if (hasListed && hasUnlisted) {
                const std::int64_t a = listed.Int64(0), b = unlisted.Int64(0);
                takeListed = a != b ? a > b : listed.Int64(3) > unlisted.Int64(3);
            }
            SqliteStatement& from = takeListed ? listed : unlisted;
            const RecordLine line{level, std::int32_t(from.Int64(0)), from.Text(1), from.Int64(2)};
            complete = write(line);
            (takeListed ? hasListed : hasUnlisted) = from.Step();
        }
        ok = !listed.Failed() && !unlisted.Failed();
    }
    if (!ok && error.empty()) error = reader->connection->LastError();
    listed = SqliteStatement();
    unlisted = SqliteStatement();
    std::string endError;
    reader->connection->Execute("COMMIT", endError);
    ReturnReader(std::move(reader));
    if (!ok) return Error{"cannot read the records: " + error};
    return complete;
}

} // namespace server
