#include "SqliteRecordStore.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <cassert>
#include <map>

#include "server/PublishRequest.hpp"
#include "server/RankTree.hpp"
#include "server/SqliteConnection.hpp"
#include "server/SqliteStatement.hpp"
#include "server/TopRowsChange.hpp"

namespace server {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS records (
    id INTEGER PRIMARY KEY,
    level INTEGER NOT NULL,
    score INTEGER NOT NULL,
    name TEXT NOT NULL,
    published_at INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS reports (
    report TEXT PRIMARY KEY,
    record_id INTEGER NOT NULL
);
DROP TABLE IF EXISTS recent_reports;
DROP INDEX IF EXISTS records_by_rank;
)sql";

// Added to tables made before records were hidden or left unlisted instead of deleted; the
// records of those tables were all listed.
constexpr const char* kNewColumns = R"sql(
ALTER TABLE records ADD COLUMN hidden INTEGER NOT NULL DEFAULT 0;
ALTER TABLE records ADD COLUMN listed INTEGER NOT NULL DEFAULT 1;
)sql";

// Added to tables made before published games were replayed: their records carried no
// replay. `listed_verified` marks a name's best verified records, the tables of a server
// that ranks verified records only.
constexpr const char* kReplayColumns = R"sql(
ALTER TABLE records ADD COLUMN verified INTEGER NOT NULL DEFAULT 0;
ALTER TABLE records ADD COLUMN reason TEXT NOT NULL DEFAULT 'no replay';
ALTER TABLE records ADD COLUMN replay TEXT NOT NULL DEFAULT '';
ALTER TABLE records ADD COLUMN replay_hash TEXT NOT NULL DEFAULT '';
ALTER TABLE records ADD COLUMN board TEXT NOT NULL DEFAULT '';
ALTER TABLE records ADD COLUMN listed_verified INTEGER NOT NULL DEFAULT 0;
)sql";

constexpr const char* kIndexes = R"sql(
CREATE INDEX IF NOT EXISTS records_listed ON records (level, listed, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_listed_verified ON records (level, listed_verified, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_by_name ON records (level, name, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_listed_by_name ON records (level, name, listed);
CREATE UNIQUE INDEX IF NOT EXISTS records_verified_replay ON records (replay_hash) WHERE verified = 1;
)sql";

// The count trees of the listed records (see RankTree.hpp). Databases made before it get it
// built once from their records when they are opened.
constexpr const char* kRankTreeTable = R"sql(
CREATE TABLE rank_counts (
    level INTEGER NOT NULL,
    listing INTEGER NOT NULL,
    node INTEGER NOT NULL,
    count INTEGER NOT NULL,
    PRIMARY KEY (level, listing, node)
) WITHOUT ROWID;
)sql";
// One row per level whose version grows with every change to the first rows of its tables.
constexpr const char* kVersionsTable = R"sql(
CREATE TABLE IF NOT EXISTS table_versions (
    level INTEGER PRIMARY KEY,
    version INTEGER NOT NULL
);
INSERT OR IGNORE INTO table_versions (level, version) VALUES (1, 0), (2, 0), (3, 0);
)sql";
constexpr const char* kVersionsSql = "SELECT level, version FROM table_versions ORDER BY level";
constexpr const char* kBumpVersionSql = "UPDATE table_versions SET version = version + 1 WHERE level = ?1";
// The last of a table's versioned rows, found by walking kVersionedRows entries of its index.
constexpr const char* kLastVersionedRowSql =
    "SELECT score, id FROM records WHERE level = ?1 AND listed = 1 ORDER BY score DESC, id DESC LIMIT 1 OFFSET ?2";
constexpr const char* kLastVersionedRowVerifiedSql =
    "SELECT score, id FROM records WHERE level = ?1 AND listed_verified = 1 ORDER BY score DESC, id DESC "
    "LIMIT 1 OFFSET ?2";

constexpr const char* kHasRankTreeSql = "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'rank_counts'";
constexpr const char* kListedPerScoreSql =
    "SELECT level, score, SUM(listed <> 0), SUM(listed_verified <> 0) FROM records "
    "WHERE (listed <> 0 OR listed_verified <> 0) AND score >= 0 GROUP BY level, score";
constexpr const char* kAddCountSql =
    "INSERT INTO rank_counts (level, listing, node, count) VALUES (?1, ?2, ?3, ?4) "
    "ON CONFLICT (level, listing, node) DO UPDATE SET count = count + excluded.count";

// Ids only grow while the largest stays: SQLite reuses a deleted largest id, which is still
// above every id left, so a larger id always means a later record.
constexpr const char* kTopSql =
    "SELECT score, name, published_at, id, verified, board FROM records WHERE level = ?1 AND listed = 1 "
    "ORDER BY score DESC, id DESC LIMIT ?2 OFFSET ?3";
constexpr const char* kTopVerifiedSql =
    "SELECT score, name, published_at, id, verified, board FROM records WHERE level = ?1 AND listed_verified = 1 "
    "ORDER BY score DESC, id DESC LIMIT ?2 OFFSET ?3";

constexpr const char* kListedSql = "SELECT level, score, listed, listed_verified FROM records WHERE id = ?1";
// The records above a score, from at most 31 nodes of the tree; unused places hold node 0,
// which no tree has.
constexpr int kMaxSummedNodes = 31;
constexpr const char* kSumNodesSql =
    "SELECT COALESCE(SUM(count), 0) FROM rank_counts WHERE level = ?1 AND listing = ?2 AND node IN ("
    "?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23, ?24, "
    "?25, ?26, ?27, ?28, ?29, ?30, ?31, ?32, ?33)";
// The later records of the same score, which rank above: one seek in the listing's index, and
// for a new record few or none.
constexpr const char* kLaterTiesSql =
    "SELECT COUNT(*) FROM records WHERE level = ?1 AND listed = 1 AND score = ?2 AND id > ?3";
constexpr const char* kLaterTiesVerifiedSql =
    "SELECT COUNT(*) FROM records WHERE level = ?1 AND listed_verified = 1 AND score = ?2 AND id > ?3";
// A name's records on the tables, before and after a change to them.
constexpr const char* kListedOfNameSql =
    "SELECT id, score, listed, listed_verified FROM records WHERE level = ?1 AND name = ?2 AND "
    "(listed = 1 OR listed_verified = 1)";

constexpr const char* kListSql =
    "SELECT id, level, score, name, published_at, hidden, verified, reason FROM records "
    "WHERE (?1 = 0 OR level = ?1) AND (?2 = 0 OR name = ?3) ORDER BY level, score DESC, id DESC";

constexpr const char* kReplaySql =
    "SELECT id, level, score, replay FROM records WHERE id = ?1 AND verified = 1 AND hidden = 0";

// The column of kListedSql that says whether a record is on its level's table.
int listedColumn(bool verifiedOnly) { return verifiedOnly ? 3 : 2; }

template <class... Args>
void bindAll(SqliteStatement& statement, const Args&... args) {
    statement.Reset();
    int index = 0;
    (statement.Bind(++index, args), ...);
}

// Runs a statement that returns at most one row; false on a database failure.
bool runOnce(SqliteStatement& statement, bool& gotRow) {
    gotRow = statement.Step();
    return !statement.Failed();
}

// Writes changes to the count trees; false on a database failure.
bool applyChanges(SqliteStatement& addCount, RankTreeChanges changes) {
    DropZeroChanges(changes);
    bool row = false;
    for (const auto& [key, delta] : changes) {
        bindAll(addCount, std::int64_t(key.level), std::int64_t(key.listing), key.node, delta);
        if (!runOnce(addCount, row)) return false;
    }
    return true;
}

// Reads the tables' state of a name's listed records into `out`; false on a failure.
bool listedOfName(SqliteStatement& statement, std::int64_t level, const std::string& name,
                  std::vector<ListedState>& out) {
    out.clear();
    bindAll(statement, level, std::string_view(name));
    while (statement.Step())
        out.push_back(ListedState{statement.Int64(0), std::int32_t(statement.Int64(1)), statement.Int64(2) != 0,
                                  statement.Int64(3) != 0});
    const bool failed = statement.Failed();
    statement.Reset();
    return !failed;
}

// Builds the count trees from the records of a database made before them; false on a failure.
bool buildRankTree(sqlite3* db, std::string& error) {
    SqliteStatement perScore, addCount;
    if (!perScore.Prepare(db, kListedPerScoreSql, error) || !addCount.Prepare(db, kAddCountSql, error)) return false;
    RankTreeChanges changes;
    while (perScore.Step()) {
        const int level = int(perScore.Int64(0));
        const std::int32_t score = std::int32_t(perScore.Int64(1));
        AddToRankTree(changes, level, Listing::All, score, perScore.Int64(2));
        AddToRankTree(changes, level, Listing::Verified, score, perScore.Int64(3));
    }
    if (perScore.Failed() || !applyChanges(addCount, std::move(changes))) {
        error = "cannot count the listed records: " + std::string(sqlite3_errmsg(db));
        return false;
    }
    return true;
}

} // namespace

struct SqliteRecordStore::Writer {
    std::unique_ptr<SqliteConnection> connection;
    SqliteStatement begin, commit, rollback, savepoint, release, rollbackTo;
    SqliteStatement findReport, stateOf, findReplay, insert, addReport, unlist, relist, unlistVerified,
        relistVerified, listed, owner, hide, remove, nameListed, addCount, lastRow, lastRowVerified, bumpVersion;
    bool verifiedOnly = false;

    bool Prepare(std::string& error) {
        sqlite3* db = connection->Handle();
        for (const auto& [statement, sql] : std::initializer_list<std::pair<SqliteStatement*, const char*>>{
                 {&begin, "BEGIN IMMEDIATE"},
                 {&commit, "COMMIT"},
                 {&rollback, "ROLLBACK"},
                 {&savepoint, "SAVEPOINT one_record"},
                 {&release, "RELEASE one_record"},
                 {&rollbackTo, "ROLLBACK TO one_record"},
                 {&findReport, "SELECT record_id FROM reports WHERE report = ?1"},
                 {&stateOf, "SELECT verified, reason FROM records WHERE id = ?1"},
                 {&findReplay, "SELECT id FROM records WHERE replay_hash = ?1 AND verified = 1"},
                 {&insert,
                  "INSERT INTO records (level, score, name, published_at, hidden, listed, verified, reason, "
                  "replay, replay_hash, board, listed_verified) "
                  "VALUES (?1, ?2, ?3, ?4, 0, 0, ?5, ?6, ?7, ?8, ?9, 0) RETURNING id"},
                 {&addReport, "INSERT INTO reports (report, record_id) VALUES (?1, ?2)"},
                 {&unlist, "UPDATE records SET listed = 0 WHERE level = ?1 AND name = ?2 AND listed = 1"},
                 {&relist,
                  "UPDATE records SET listed = 1 WHERE id IN (SELECT id FROM records WHERE level = ?1 AND "
                  "name = ?2 AND hidden = 0 ORDER BY score DESC, id DESC LIMIT ?3)"},
                 {&unlistVerified,
                  "UPDATE records SET listed_verified = 0 WHERE level = ?1 AND name = ?2 AND listed_verified = 1"},
                 {&relistVerified,
                  "UPDATE records SET listed_verified = 1 WHERE id IN (SELECT id FROM records WHERE level = ?1 AND "
                  "name = ?2 AND hidden = 0 AND verified = 1 ORDER BY score DESC, id DESC LIMIT ?3)"},
                 {&listed, kListedSql},
                 {&owner, "SELECT level, name FROM records WHERE id = ?1"},
                 {&hide, "UPDATE records SET hidden = ?2 WHERE id = ?1"},
                 {&remove, "DELETE FROM records WHERE id = ?1"},
                 {&nameListed, kListedOfNameSql},
                 {&addCount, kAddCountSql},
                 {&lastRow, kLastVersionedRowSql},
                 {&lastRowVerified, kLastVersionedRowVerifiedSql},
                 {&bumpVersion, kBumpVersionSql},
             })
            if (!statement->Prepare(db, sql, error)) return false;
        return true;
    }

    // Lists the best records of a name on a level again, counts the change in the trees and
    // bumps the level's version when the change reached the first rows of a table, or
    // `alwaysBump`; `before` holds the name's listed records before the change. False on a
    // database failure.
    bool Relist(std::int64_t level, const std::string& name, const std::vector<ListedState>& before,
                bool alwaysBump) {
        std::vector<ListedState> after;
        RankTreeChanges changes;
        if (!ListBest(level, name) || !listedOfName(nameListed, level, name, after)) return false;
        AddListingChanges(changes, int(level), before, after);
        if (!applyChanges(addCount, std::move(changes))) return false;
        bool bump = alwaysBump;
        for (const Listing listing : {Listing::All, Listing::Verified}) {
            if (bump) break;
            const std::vector<RowKey> moved = MovedRows(before, after, listing);
            if (moved.empty()) continue;
            std::optional<RowKey> last;
            if (!LastVersionedRow(level, listing, last)) return false;
            bump = ChangesFirstRows(moved, last);
        }
        if (!bump) return true;
        bool row = false;
        bindAll(bumpVersion, level);
        return runOnce(bumpVersion, row);
    }

    // The last of the first kVersionedRows rows of a table, nothing when it has fewer; false
    // on a database failure.
    bool LastVersionedRow(std::int64_t level, Listing listing, std::optional<RowKey>& result) {
        SqliteStatement& statement = listing == Listing::Verified ? lastRowVerified : lastRow;
        bool row = false;
        bindAll(statement, level, std::int64_t(kVersionedRows - 1));
        if (!runOnce(statement, row)) return false;
        result.reset();
        if (row) result = RowKey{std::int32_t(statement.Int64(0)), statement.Int64(1)};
        statement.Reset();
        return true;
    }

    // Marks the name's best records on the level listed and the others not.
    bool ListBest(std::int64_t level, const std::string& name) {
        bool row = false;
        bindAll(unlist, level, std::string_view(name));
        if (!runOnce(unlist, row)) return false;
        bindAll(relist, level, std::string_view(name), std::int64_t(kRecordsPerNameAndLevel));
        if (!runOnce(relist, row)) return false;
        bindAll(unlistVerified, level, std::string_view(name));
        if (!runOnce(unlistVerified, row)) return false;
        bindAll(relistVerified, level, std::string_view(name), std::int64_t(kRecordsPerNameAndLevel));
        return runOnce(relistVerified, row);
    }

    // Whether record `id` is listed; false on a database failure.
    bool IsListed(std::int64_t id, bool& result) {
        bool row = false;
        bindAll(listed, id);
        if (!runOnce(listed, row)) return false;
        result = row && listed.Int64(listedColumn(verifiedOnly)) != 0;
        listed.Reset();
        return true;
    }

    // Reads whether record `id` is verified and why not into `result`; false on a failure.
    bool StateOf(std::int64_t id, PublishResult& result) {
        bool row = false;
        bindAll(stateOf, id);
        if (!runOnce(stateOf, row)) return false;
        if (row) {
            result.verified = stateOf.Int64(0) != 0;
            result.reason = stateOf.Text(1);
        }
        stateOf.Reset();
        return true;
    }

    // The body of one publish in the write transaction; false on a database failure. `id`
    // receives the record's id (of the earlier copy for a duplicate). The rank is read
    // afterwards, by a reading connection, so the writer goes on with the next batch.
    bool Publish(const NewRecord& record, PublishResult& result, std::int64_t& id) {
        bool row = false;
        bindAll(findReport, std::string_view(record.report));
        if (!runOnce(findReport, row)) return false;
        if (row) {
            id = findReport.Int64(0);
            findReport.Reset();
            result.outcome = PublishOutcome::Duplicate;
            return StateOf(id, result);
        }
        result.verified = record.check.verified;
        result.reason = record.check.reason;
        if (result.verified) {
            bindAll(findReplay, std::string_view(record.check.replayHash));
            if (!runOnce(findReplay, row)) return false;
            if (row) {
                result.verified = false;
                result.reason = SameReplayReason(findReplay.Int64(0));
            }
            findReplay.Reset();
        }
        bindAll(insert, std::int64_t(record.level), std::int64_t(record.score), std::string_view(record.name),
                record.receivedAt, std::int64_t(result.verified ? 1 : 0), std::string_view(result.reason),
                std::string_view(record.check.replay), std::string_view(record.check.replayHash),
                std::string_view(result.verified ? record.check.board : std::string()));
        if (!runOnce(insert, row) || !row) return false;
        id = insert.Int64(0);
        insert.Reset();
        bool isListed = false;
        std::vector<ListedState> before;
        bindAll(addReport, std::string_view(record.report), id);
        if (!runOnce(addReport, row) || !listedOfName(nameListed, record.level, record.name, before) ||
            !Relist(record.level, record.name, before, false) || !IsListed(id, isListed))
            return false;
        result.outcome = isListed ? PublishOutcome::Stored : PublishOutcome::NotListed;
        return true;
    }

    // Hides, shows or deletes record `id` and lists its name again; false on a failure.
    bool Change(std::int64_t id, std::optional<bool> hidden, bool& found) {
        bool row = false;
        bindAll(owner, id);
        if (!runOnce(owner, row)) return false;
        found = row;
        if (!row) return true;
        const std::int64_t level = owner.Int64(0);
        const std::string name = owner.Text(1);
        owner.Reset();
        std::vector<ListedState> before;
        if (!listedOfName(nameListed, level, name, before)) return false;
        if (hidden) {
            bindAll(hide, id, std::int64_t(*hidden ? 1 : 0));
            if (!runOnce(hide, row)) return false;
        } else {
            bindAll(remove, id);
            if (!runOnce(remove, row)) return false;
        }
        // Hiding, showing and deleting are rare: they renew the level's cached rows always.
        return Relist(level, name, before, true);
    }
};

struct SqliteRecordStore::Reader {
    std::unique_ptr<SqliteConnection> connection;
    SqliteStatement top, topVerified, listed, sumNodes, laterTies, laterTiesVerified, replay, versions;
    bool verifiedOnly = false;

    // The rank of record `id` when it is listed, else 0, read in one snapshot of the database;
    // false on a database failure.
    bool RankOf(std::int64_t id, std::int64_t& result) {
        std::string error;
        if (!connection->Execute("BEGIN", error)) return false;
        const bool ok = CountRank(id, result);
        return connection->Execute(ok ? "COMMIT" : "ROLLBACK", error) && ok;
    }

    bool CountRank(std::int64_t id, std::int64_t& result) {
        result = 0;
        bool row = false;
        bindAll(listed, id);
        if (!runOnce(listed, row)) return false;
        const bool isListed = row && listed.Int64(listedColumn(verifiedOnly)) != 0;
        const std::int64_t level = row ? listed.Int64(0) : 0;
        const std::int32_t score = row ? std::int32_t(listed.Int64(1)) : 0;
        listed.Reset();
        if (!isListed) return true;
        const std::vector<std::int64_t> nodes = RankTreeNodesAbove(score);
        assert(int(nodes.size()) <= kMaxSummedNodes);
        sumNodes.Reset();
        sumNodes.Bind(1, level);
        sumNodes.Bind(2, std::int64_t(verifiedOnly ? Listing::Verified : Listing::All));
        for (int i = 0; i < kMaxSummedNodes; ++i)
            sumNodes.Bind(3 + i, i < int(nodes.size()) ? nodes[std::size_t(i)] : std::int64_t(0));
        if (!runOnce(sumNodes, row) || !row) return false;
        const std::int64_t above = sumNodes.Int64(0);
        sumNodes.Reset();
        SqliteStatement& ties = verifiedOnly ? laterTiesVerified : laterTies;
        bindAll(ties, level, std::int64_t(score), id);
        if (!runOnce(ties, row) || !row) return false;
        result = above + ties.Int64(0) + 1;
        ties.Reset();
        return true;
    }
};

SqliteRecordStore::SqliteRecordStore(std::string path, std::unique_ptr<Writer> writer)
    : m_path(std::move(path)), m_writer(std::move(writer)) {}

SqliteRecordStore::~SqliteRecordStore() = default;

Expected<std::unique_ptr<SqliteRecordStore>> SqliteRecordStore::Open(const std::string& path) {
    auto connection = SqliteConnection::Open(path, false);
    if (!connection) return Error{connection.error()};
    auto writer = std::make_unique<Writer>();
    writer->connection = std::move(*connection);
    std::string error;
    // Full sync makes every commit reach the disk before the publish is acknowledged.
    bool ok = writer->connection->Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;", error) &&
              writer->connection->Execute("BEGIN IMMEDIATE", error) && writer->connection->Execute(kSchema, error);
    bool hasRankTree = false;
    if (ok) {
        SqliteStatement probe;
        ok = probe.Prepare(writer->connection->Handle(), kHasRankTreeSql, error);
        hasRankTree = ok && probe.Step();
        ok = ok && !probe.Failed();
    }
    if (ok) {
        SqliteStatement probe;
        ok = probe.Prepare(writer->connection->Handle(), "SELECT hidden FROM records LIMIT 0", error) ||
             writer->connection->Execute(kNewColumns, error);
    }
    if (ok) {
        SqliteStatement probe;
        ok = probe.Prepare(writer->connection->Handle(), "SELECT verified FROM records LIMIT 0", error) ||
             writer->connection->Execute(kReplayColumns, error);
    }
    ok = ok && writer->connection->Execute(kIndexes, error) && writer->connection->Execute(kVersionsTable, error);
    if (ok && !hasRankTree)
        ok = writer->connection->Execute(kRankTreeTable, error) && buildRankTree(writer->connection->Handle(), error);
    ok = ok && writer->connection->Execute("COMMIT", error) &&
         writer->Prepare(error);
    if (!ok) return Error{"cannot set up the database " + path + ": " + error};
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
    w.verifiedOnly = VerifiedOnly();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    // Another process may hold the database's write lock: wait for it only until the deadline.
    sqlite3_busy_timeout(w.connection->Handle(), int(std::max<std::int64_t>(1, left.count())));
    w.begin.Reset();
    w.begin.Step();
    if (w.begin.Failed()) {
        error = "cannot begin a transaction: " + w.connection->LastError();
        return false;
    }
    if (!body(w)) {
        error = w.connection->LastError();
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
    std::optional<PublishResult> result;
    std::int64_t id = 0;
    std::string error;
};

Expected<PublishResult> SqliteRecordStore::Publish(const NewRecord& record, Deadline deadline) {
    if (record.score < 0) return Error{"cannot store the record: the score " + std::to_string(record.score) + " is negative"};
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
    if (!mine.result) return Error{"cannot store the record: " + mine.error};
    // The record is stored; a rank that cannot be counted just now is left out.
    if (auto reader = TakeReader()) {
        if (!(*reader)->RankOf(mine.id, mine.result->rank)) mine.result->rank = 0;
        ReturnReader(std::move(*reader));
    }
    return *mine.result;
}

void SqliteRecordStore::WriteBatch(const std::vector<Pending*>& batch) {
    Deadline earliest = Deadline::max();
    for (const Pending* p : batch) earliest = std::min(earliest, p->deadline);
    std::string error;
    const bool committed = InTransaction(earliest, error, [&](Writer& w) {
        for (Pending* p : batch) {
            // Each record in a savepoint of its own: one that fails leaves the others.
            bool row = false;
            w.savepoint.Reset();
            if (!runOnce(w.savepoint, row)) return false;
            PublishResult result;
            if (w.Publish(*p->record, result, p->id)) {
                p->result = result;
            } else {
                p->error = w.connection->LastError();
                w.rollbackTo.Reset();
                if (!runOnce(w.rollbackTo, row)) return false;
            }
            w.release.Reset();
            if (!runOnce(w.release, row)) return false;
        }
        return true;
    });
    if (committed) return;
    for (Pending* p : batch) {
        p->result.reset();
        p->error = error;
    }
}

Expected<bool> SqliteRecordStore::Change(std::int64_t id, std::optional<bool> hidden) {
    bool found = false;
    std::string error;
    if (!InTransaction(std::chrono::steady_clock::now() + kPublishWait, error,
                       [&](Writer& w) { return w.Change(id, hidden, found); }))
        return Error{"cannot change the record: " + error};
    return found;
}

Expected<bool> SqliteRecordStore::SetHidden(std::int64_t id, bool hidden) { return Change(id, hidden); }

Expected<bool> SqliteRecordStore::Delete(std::int64_t id) { return Change(id, std::nullopt); }

Expected<std::unique_ptr<SqliteRecordStore::Reader>> SqliteRecordStore::TakeReader() {
    {
        std::lock_guard lock(m_readersLock);
        if (!m_idleReaders.empty()) {
            std::unique_ptr<Reader> reader = std::move(m_idleReaders.back());
            m_idleReaders.pop_back();
            reader->verifiedOnly = VerifiedOnly();
            return reader;
        }
    }
    auto connection = SqliteConnection::Open(m_path, false);
    if (!connection) return Error{connection.error()};
    auto reader = std::make_unique<Reader>();
    reader->connection = std::move(*connection);
    reader->verifiedOnly = VerifiedOnly();
    std::string error;
    sqlite3* db = reader->connection->Handle();
    if (!reader->connection->Execute("PRAGMA query_only = 1;", error) || !reader->top.Prepare(db, kTopSql, error) ||
        !reader->topVerified.Prepare(db, kTopVerifiedSql, error) ||
        !reader->listed.Prepare(db, kListedSql, error) || !reader->sumNodes.Prepare(db, kSumNodesSql, error) ||
        !reader->laterTies.Prepare(db, kLaterTiesSql, error) ||
        !reader->laterTiesVerified.Prepare(db, kLaterTiesVerifiedSql, error) ||
        !reader->replay.Prepare(db, kReplaySql, error) || !reader->versions.Prepare(db, kVersionsSql, error))
        return Error{"cannot prepare a reading connection: " + error};
    return reader;
}

void SqliteRecordStore::ReturnReader(std::unique_ptr<Reader> reader) {
    std::lock_guard lock(m_readersLock);
    m_idleReaders.push_back(std::move(reader));
}

Expected<std::vector<RankedRecord>> SqliteRecordStore::Top(int level, int first, int count) {
    auto taken = TakeReader();
    if (!taken) return Error{taken.error()};
    std::unique_ptr<Reader> reader = std::move(*taken);
    const std::int64_t offset = first > 1 ? first - 1 : 0;
    SqliteStatement& top = reader->verifiedOnly ? reader->topVerified : reader->top;
    bindAll(top, std::int64_t(level), std::int64_t(count > 0 ? count : 0), offset);
    std::vector<RankedRecord> rows;
    while (top.Step()) {
        RankedRecord row;
        row.rank = offset + std::int64_t(rows.size()) + 1;
        row.score = std::int32_t(top.Int64(0));
        row.name = top.Text(1);
        row.publishedAt = top.Int64(2);
        row.id = top.Int64(3);
        row.verified = top.Int64(4) != 0;
        if (row.verified) row.board = top.Text(5);
        rows.push_back(std::move(row));
    }
    const bool failed = top.Failed();
    std::string message = failed ? reader->connection->LastError() : std::string();
    top.Reset();
    ReturnReader(std::move(reader));
    if (failed) return Error{"cannot read the records: " + message};
    return rows;
}

Expected<std::vector<std::int64_t>> SqliteRecordStore::TableVersions() {
    auto taken = TakeReader();
    if (!taken) return Error{taken.error()};
    std::unique_ptr<Reader> reader = std::move(*taken);
    std::vector<std::int64_t> versions(std::size_t(kLastLevel - kFirstLevel + 1), 0);
    std::size_t found = 0;
    reader->versions.Reset();
    while (reader->versions.Step()) {
        const std::int64_t level = reader->versions.Int64(0);
        if (level < kFirstLevel || level > kLastLevel) continue;
        versions[std::size_t(level - kFirstLevel)] = reader->versions.Int64(1);
        ++found;
    }
    const bool failed = reader->versions.Failed();
    const std::string message = failed ? reader->connection->LastError() : std::string();
    reader->versions.Reset();
    ReturnReader(std::move(reader));
    if (failed) return Error{"cannot read the table versions: " + message};
    if (found != versions.size()) return Error{"cannot read the table versions: a level has none"};
    return versions;
}

Expected<std::vector<StoredRecord>> SqliteRecordStore::List(const RecordFilter& filter) {
    auto taken = TakeReader();
    if (!taken) return Error{taken.error()};
    std::unique_ptr<Reader> reader = std::move(*taken);
    SqliteStatement list;
    std::string error;
    if (!list.Prepare(reader->connection->Handle(), kListSql, error)) return Error{"cannot list the records: " + error};
    bindAll(list, std::int64_t(filter.level.value_or(0)), std::int64_t(filter.name ? 1 : 0),
            std::string_view(filter.name ? *filter.name : std::string()));
    std::vector<StoredRecord> rows;
    while (list.Step()) {
        StoredRecord row;
        row.id = list.Int64(0);
        row.level = int(list.Int64(1));
        row.score = std::int32_t(list.Int64(2));
        row.name = list.Text(3);
        row.publishedAt = list.Int64(4);
        row.hidden = list.Int64(5) != 0;
        row.verified = list.Int64(6) != 0;
        row.reason = list.Text(7);
        rows.push_back(std::move(row));
    }
    const bool failed = list.Failed();
    const std::string message = failed ? reader->connection->LastError() : std::string();
    list = SqliteStatement();
    ReturnReader(std::move(reader));
    if (failed) return Error{"cannot list the records: " + message};
    return rows;
}

Expected<std::optional<StoredReplay>> SqliteRecordStore::Replay(std::int64_t id) {
    auto taken = TakeReader();
    if (!taken) return Error{taken.error()};
    std::unique_ptr<Reader> reader = std::move(*taken);
    bindAll(reader->replay, id);
    std::optional<StoredReplay> found;
    if (reader->replay.Step()) {
        found.emplace();
        found->id = reader->replay.Int64(0);
        found->level = int(reader->replay.Int64(1));
        found->score = std::int32_t(reader->replay.Int64(2));
        found->replay = reader->replay.Text(3);
    }
    const bool failed = reader->replay.Failed();
    const std::string message = failed ? reader->connection->LastError() : std::string();
    reader->replay.Reset();
    ReturnReader(std::move(reader));
    if (failed) return Error{"cannot read the replay: " + message};
    return found;
}

} // namespace server

namespace server {

namespace {

// How long an import waits for another process's write lock before a batch gives up.
constexpr auto kImportWait = std::chrono::seconds(60);

constexpr const char* kLargestIdSql = "SELECT COALESCE(MAX(id), 0) FROM records";
// 256 MiB of pages for the writes all over the indexes.
constexpr const char* kImportCacheSql = "PRAGMA cache_size = -262144";
// Stored records equal to an imported line: same level, name and score, published on its day.
constexpr const char* kEqualRecordsSql =
    "SELECT id FROM records WHERE level = ?1 AND name = ?2 AND score = ?3 AND published_at >= ?4 AND "
    "published_at < ?4 + 86400 AND id <= ?5 ORDER BY id";
constexpr const char* kImportInsertSql =
    "INSERT INTO records (id, level, score, name, published_at, hidden, listed, verified, reason, replay, "
    "replay_hash, board, listed_verified) VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6, 0, ?7, '', '', '', 0)";
// The first record of a report text keeps it.
constexpr const char* kImportReportSql =
    "INSERT INTO reports (report, record_id) VALUES (?1, ?2) ON CONFLICT (report) DO NOTHING";
constexpr const char* kImportUnlistSql = "UPDATE records SET listed = 0 WHERE id = ?1";
constexpr const char* kAddToNodeSql =
    "UPDATE rank_counts SET count = count + ?1 WHERE level = ?2 AND listing = ?3 AND node = ?4";
constexpr const char* kNewNodeSql = "INSERT INTO rank_counts (level, listing, node, count) VALUES (?1, ?2, ?3, ?4)";
// One level's shown records, listed or not (`listed` 1 or 0), as ranked: each a walk down the
// records_listed index, so two of them merge into the level's order without sorting.
constexpr const char* kExportSql =
    "SELECT score, name, published_at, id FROM records WHERE level = ?1 AND listed = ?2 AND hidden = 0 "
    "ORDER BY score DESC, id DESC";

} // namespace

struct SqliteRecordStore::ImportStatements {
    SqliteStatement largestId, equal, insert, addReport, unlist, addToNode, newNode;

    bool Prepare(sqlite3* db, std::string& error) {
        return largestId.Prepare(db, kLargestIdSql, error) && equal.Prepare(db, kEqualRecordsSql, error) &&
               insert.Prepare(db, kImportInsertSql, error) && addReport.Prepare(db, kImportReportSql, error) &&
               unlist.Prepare(db, kImportUnlistSql, error) && addToNode.Prepare(db, kAddToNodeSql, error) &&
               newNode.Prepare(db, kNewNodeSql, error);
    }

    // Writes changes to the count trees; false on a failure. Most nodes a batch changes exist
    // already: an update finds them with one search, where an upsert searches twice.
    bool AddCounts(const RankTreeChanges& changes) {
        bool row = false;
        for (const auto& [key, delta] : changes) {
            bindAll(addToNode, delta, std::int64_t(key.level), std::int64_t(key.listing), key.node);
            if (!runOnce(addToNode, row)) return false;
            if (sqlite3_changes(handle) > 0) continue;
            bindAll(newNode, std::int64_t(key.level), std::int64_t(key.listing), key.node, delta);
            if (!runOnce(newNode, row)) return false;
        }
        return true;
    }
    sqlite3* handle = nullptr;

    // The stored records equal to `line` with ids up to `storedBefore`; false on a failure.
    bool Equal(const RecordLine& line, std::int64_t storedBefore, std::vector<std::int64_t>& ids) {
        ids.clear();
        bindAll(equal, std::int64_t(line.level), std::string_view(line.name), std::int64_t(line.score),
                StartOfUtcDay(line.publishedAt), storedBefore);
        while (equal.Step()) ids.push_back(equal.Int64(0));
        const bool failed = equal.Failed();
        equal.Reset();
        return !failed;
    }
};

Expected<std::int64_t> SqliteRecordStore::LargestRecordId() {
    auto taken = TakeReader();
    if (!taken) return Error{taken.error()};
    std::unique_ptr<Reader> reader = std::move(*taken);
    SqliteStatement largest;
    std::string error;
    if (!largest.Prepare(reader->connection->Handle(), kLargestIdSql, error))
        return Error{"cannot read the records: " + error};
    const bool row = largest.Step();
    const std::int64_t id = row ? largest.Int64(0) : 0;
    const bool failed = largest.Failed() || !row;
    error = failed ? reader->connection->LastError() : std::string();
    largest = SqliteStatement();
    ReturnReader(std::move(reader));
    if (failed) return Error{"cannot read the records: " + error};
    return id;
}

Expected<bool> SqliteRecordStore::Import(const std::vector<RecordLine>& batch, ImportProgress& progress) {
    for (const RecordLine& line : batch) {
        if (line.score < 0) return Error{"cannot import the records: the score " + std::to_string(line.score) + " is negative"};
        if (line.level < kFirstLevel || line.level > kLastLevel)
            return Error{"cannot import the records: there is no level " + std::to_string(line.level)};
    }
    ImportProgress next;
    std::string error;
    const bool committed = InTransaction(std::chrono::steady_clock::now() + kImportWait, error, [&](Writer& w) {
        next = progress;
        if (!m_import) {
            auto statements = std::make_unique<ImportStatements>();
            std::string prepareError;
            // Imports write all over the indexes: a large page cache keeps them off the disk.
            if (!w.connection->Execute(kImportCacheSql, prepareError) ||
                !statements->Prepare(w.connection->Handle(), prepareError))
                return false;
            statements->handle = w.connection->Handle();
            m_import = std::move(statements);
        }
        ImportStatements& s = *m_import;
        std::vector<RecordLine> fresh;
        fresh.reserve(batch.size());
        std::vector<std::int64_t> equal;
        for (const RecordLine& line : batch) {
            if (next.storedBefore > 0) {
                if (!s.Equal(line, next.storedBefore, equal)) return false;
                if (TakeEqualRecord(next, equal)) continue;
            }
            fresh.push_back(line);
        }
        bool row = false;
        s.largestId.Reset();
        if (!runOnce(s.largestId, row) || !row) return false;
        // The writer holds the file's write lock: nobody else takes these ids meanwhile.
        const std::int64_t firstId = s.largestId.Int64(0) + 1;
        s.largestId.Reset();
        // The last line is published first: it gets the smallest id.
        std::vector<std::int64_t> ids(fresh.size());
        for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = firstId + std::int64_t(ids.size() - 1 - i);

        std::map<LevelAndName, std::vector<ListedState>> listedNow;
        for (const RecordLine& line : fresh) {
            const auto [at, added] = listedNow.try_emplace(LevelAndName{line.level, line.name});
            if (added && !listedOfName(w.nameListed, line.level, line.name, at->second)) return false;
        }
        const ImportListing plan = PlanImportListing(fresh, ids, listedNow);
        for (std::size_t i = fresh.size(); i-- > 0;) {
            const RecordLine& line = fresh[i];
            bindAll(s.insert, ids[i], std::int64_t(line.level), std::int64_t(line.score), std::string_view(line.name),
                    line.publishedAt, std::int64_t(plan.listed[i] ? 1 : 0), std::string_view(kImportedReason));
            if (!runOnce(s.insert, row)) return false;
            bindAll(s.addReport, std::string_view(ReportText(line.level, line.score, line.name)), ids[i]);
            if (!runOnce(s.addReport, row)) return false;
        }
        for (const std::int64_t id : plan.unlisted) {
            bindAll(s.unlist, id);
            if (!runOnce(s.unlist, row)) return false;
        }
        if (!s.AddCounts(plan.changes)) return false;
        // Every level the batch wrote to may show new first rows: the servers read them again.
        bool levelWritten[kLastLevel + 1] = {};
        for (const RecordLine& line : fresh) levelWritten[line.level] = true;
        for (int level = kFirstLevel; level <= kLastLevel; ++level) {
            if (!levelWritten[level]) continue;
            bindAll(w.bumpVersion, std::int64_t(level));
            if (!runOnce(w.bumpVersion, row)) return false;
        }
        next.imported += std::int64_t(fresh.size());
        return true;
    });
    if (!committed) return Error{"cannot import the records: " + error};
    progress = std::move(next);
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
        bindAll(listed, std::int64_t(level), std::int64_t(1));
        bindAll(unlisted, std::int64_t(level), std::int64_t(0));
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
