#include "SqliteRecordStore.hpp"

#include "server/SqliteConnection.hpp"
#include "server/SqliteStatement.hpp"

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
CREATE INDEX IF NOT EXISTS records_by_rank ON records (level, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_by_name ON records (level, name, score DESC, id DESC);
CREATE TABLE IF NOT EXISTS recent_reports (
    report TEXT PRIMARY KEY,
    received_at INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS recent_reports_by_age ON recent_reports (received_at);
)sql";

// Ids only grow while the largest stays: SQLite reuses a deleted largest id, which is still
// above every id left, so a larger id always means a later record.
constexpr const char* kTopSql =
    "SELECT score, name, published_at FROM records WHERE level = ?1 "
    "ORDER BY score DESC, id DESC LIMIT ?2 OFFSET ?3";

bool prepareAll(sqlite3* db, std::initializer_list<std::pair<SqliteStatement*, const char*>> list,
                std::string& error) {
    for (const auto& [statement, sql] : list)
        if (!statement->Prepare(db, sql, error)) return false;
    return true;
}

} // namespace

struct SqliteRecordStore::Writer {
    std::unique_ptr<SqliteConnection> connection;
    SqliteStatement begin, commit, rollback;
    SqliteStatement claimReport, latestSame, insert, prune, kept, rank, purge;

    bool Prepare(std::string& error) {
        return prepareAll(
            connection->Handle(),
            {{&begin, "BEGIN IMMEDIATE"},
             {&commit, "COMMIT"},
             {&rollback, "ROLLBACK"},
             // A row comes back when the report is new, or its last copy is old enough.
             {&claimReport,
              "INSERT INTO recent_reports (report, received_at) VALUES (?1, ?2) "
              "ON CONFLICT (report) DO UPDATE SET received_at = excluded.received_at "
              "WHERE recent_reports.received_at <= ?3 RETURNING 1"},
             {&latestSame,
              "SELECT id FROM records WHERE level = ?1 AND name = ?2 AND score = ?3 "
              "ORDER BY id DESC LIMIT 1"},
             {&insert,
              "INSERT INTO records (level, score, name, published_at) VALUES (?1, ?2, ?3, ?4) "
              "RETURNING id"},
             {&prune,
              "DELETE FROM records WHERE id IN (SELECT id FROM records WHERE level = ?1 AND name = ?2 "
              "ORDER BY score DESC, id DESC LIMIT -1 OFFSET ?3)"},
             {&kept, "SELECT score FROM records WHERE id = ?1"},
             {&rank,
              "SELECT COUNT(*) FROM records WHERE level = ?1 AND (score > ?2 OR (score = ?2 AND id > ?3))"},
             {&purge, "DELETE FROM recent_reports WHERE received_at <= ?1"}},
            error);
    }

    // Runs a statement that returns at most one row; false on a database failure.
    static bool RunOnce(SqliteStatement& statement, bool& gotRow) {
        gotRow = statement.Step();
        return !statement.Failed();
    }

    // The rank of record `id` with `score` on `level`, or nothing on a failure.
    bool RankOf(int level, std::int64_t score, std::int64_t id, std::int64_t& result) {
        rank.Reset();
        rank.Bind(1, std::int64_t(level));
        rank.Bind(2, score);
        rank.Bind(3, id);
        const bool ok = rank.Step();
        if (ok) result = rank.Int64(0) + 1;
        rank.Reset();
        return ok;
    }

    // The body of the publish transaction; false on a database failure.
    bool Publish(const NewRecord& record, PublishResult& result) {
        const std::int64_t level = record.level;
        bool row = false;
        claimReport.Reset();
        claimReport.Bind(1, record.report);
        claimReport.Bind(2, record.receivedAt);
        claimReport.Bind(3, record.receivedAt - kDuplicateWindowSeconds);
        if (!RunOnce(claimReport, row)) return false;
        claimReport.Reset();
        if (!row) {
            result.outcome = PublishOutcome::Duplicate;
            latestSame.Reset();
            latestSame.Bind(1, level);
            latestSame.Bind(2, record.name);
            latestSame.Bind(3, std::int64_t(record.score));
            if (!RunOnce(latestSame, row)) return false;
            const std::int64_t sameId = row ? latestSame.Int64(0) : 0;
            latestSame.Reset();
            result.rank = 0;
            return !row || RankOf(record.level, record.score, sameId, result.rank);
        }

        insert.Reset();
        insert.Bind(1, level);
        insert.Bind(2, std::int64_t(record.score));
        insert.Bind(3, record.name);
        insert.Bind(4, record.receivedAt);
        if (!insert.Step()) {
            insert.Reset();
            return false;
        }
        const std::int64_t id = insert.Int64(0);
        insert.Reset();

        prune.Reset();
        prune.Bind(1, level);
        prune.Bind(2, record.name);
        prune.Bind(3, std::int64_t(kRecordsPerNameAndLevel));
        if (!RunOnce(prune, row)) return false;

        kept.Reset();
        kept.Bind(1, id);
        if (!RunOnce(kept, row)) return false;
        kept.Reset();
        result.outcome = row ? PublishOutcome::Stored : PublishOutcome::NotKept;
        result.rank = 0;
        if (row && !RankOf(record.level, record.score, id, result.rank)) return false;

        purge.Reset();
        purge.Bind(1, record.receivedAt - kDuplicateWindowSeconds);
        return RunOnce(purge, row);
    }
};

struct SqliteRecordStore::Reader {
    std::unique_ptr<SqliteConnection> connection;
    SqliteStatement top;
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
    if (!writer->connection->Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;", error) ||
        !writer->connection->Execute(kSchema, error) || !writer->Prepare(error))
        return Error{"cannot set up the database " + path + ": " + error};
    return std::unique_ptr<SqliteRecordStore>(new SqliteRecordStore(path, std::move(writer)));
}

Expected<PublishResult> SqliteRecordStore::Publish(const NewRecord& record) {
    std::lock_guard lock(m_writeLock);
    Writer& w = *m_writer;
    w.begin.Reset();
    w.begin.Step();
    if (w.begin.Failed()) return Error{"cannot begin a transaction: " + w.connection->LastError()};
    PublishResult result;
    if (!w.Publish(record, result)) {
        std::string message = w.connection->LastError();
        w.rollback.Reset();
        w.rollback.Step();
        return Error{"cannot store the record: " + message};
    }
    w.commit.Reset();
    w.commit.Step();
    if (w.commit.Failed()) {
        std::string message = w.connection->LastError();
        w.rollback.Reset();
        w.rollback.Step();
        return Error{"cannot commit the record: " + message};
    }
    return result;
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
    auto reader = std::make_unique<Reader>();
    reader->connection = std::move(*connection);
    std::string error;
    if (!reader->connection->Execute("PRAGMA query_only = 1;", error) ||
        !reader->top.Prepare(reader->connection->Handle(), kTopSql, error))
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
    reader->top.Reset();
    reader->top.Bind(1, std::int64_t(level));
    reader->top.Bind(2, std::int64_t(count > 0 ? count : 0));
    reader->top.Bind(3, offset);
    std::vector<RankedRecord> rows;
    while (reader->top.Step()) {
        RankedRecord row;
        row.rank = offset + std::int64_t(rows.size()) + 1;
        row.score = std::int32_t(reader->top.Int64(0));
        row.name = reader->top.Text(1);
        row.publishedAt = reader->top.Int64(2);
        rows.push_back(std::move(row));
    }
    const bool failed = reader->top.Failed();
    std::string message = failed ? reader->connection->LastError() : std::string();
    reader->top.Reset();
    ReturnReader(std::move(reader));
    if (failed) return Error{"cannot read the records: " + message};
    return rows;
}

} // namespace server
