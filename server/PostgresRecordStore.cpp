#include "PostgresRecordStore.hpp"

#include <pqxx/pqxx>

#include <exception>

namespace server {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS records (
    id BIGSERIAL PRIMARY KEY,
    level INTEGER NOT NULL,
    score INTEGER NOT NULL,
    name TEXT NOT NULL,
    published_at BIGINT NOT NULL
);
CREATE INDEX IF NOT EXISTS records_by_rank ON records (level, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_by_name ON records (level, name, score DESC, id DESC);
CREATE TABLE IF NOT EXISTS recent_reports (
    report TEXT PRIMARY KEY,
    received_at BIGINT NOT NULL
);
CREATE INDEX IF NOT EXISTS recent_reports_by_age ON recent_reports (received_at);
)sql";

// Any fixed number: servers starting together create the tables one after the other.
constexpr const char* kSchemaLockSql = "SELECT pg_advisory_xact_lock(7415032)";

void prepare(pqxx::connection& c) {
    // Publishes of one name and level wait for each other, so the ten-record limit holds.
    c.prepare("lock_name", "SELECT pg_advisory_xact_lock(hashtext($1::text || ':' || $2::text))");
    // A row comes back when the report is new, or its last copy is old enough.
    c.prepare("claim_report",
              "INSERT INTO recent_reports (report, received_at) VALUES ($1, $2) "
              "ON CONFLICT (report) DO UPDATE SET received_at = excluded.received_at "
              "WHERE recent_reports.received_at <= $3 RETURNING 1");
    c.prepare("latest_same",
              "SELECT id FROM records WHERE level = $1 AND name = $2 AND score = $3 "
              "ORDER BY id DESC LIMIT 1");
    c.prepare("insert",
              "INSERT INTO records (level, score, name, published_at) VALUES ($1, $2, $3, $4) "
              "RETURNING id");
    c.prepare("prune",
              "DELETE FROM records WHERE id IN (SELECT id FROM records WHERE level = $1 AND name = $2 "
              "ORDER BY score DESC, id DESC OFFSET $3)");
    c.prepare("kept", "SELECT 1 FROM records WHERE id = $1");
    c.prepare("rank",
              "SELECT COUNT(*) FROM records WHERE level = $1 AND (score > $2 OR (score = $2 AND id > $3))");
    c.prepare("purge", "DELETE FROM recent_reports WHERE received_at <= $1");
    c.prepare("top",
              "SELECT score, name, published_at FROM records WHERE level = $1 "
              "ORDER BY score DESC, id DESC LIMIT $2 OFFSET $3");
}

std::int64_t rankOf(pqxx::work& tx, int level, std::int32_t score, std::int64_t id) {
    return tx.exec_prepared1("rank", level, score, id)[0].as<std::int64_t>() + 1;
}

PublishResult publishIn(pqxx::work& tx, const NewRecord& record) {
    PublishResult result;
    tx.exec_prepared("lock_name", record.level, record.name);
    const pqxx::result claimed = tx.exec_prepared(
        "claim_report", record.report, record.receivedAt, record.receivedAt - kDuplicateWindowSeconds);
    if (claimed.empty()) {
        result.outcome = PublishOutcome::Duplicate;
        const pqxx::result same = tx.exec_prepared("latest_same", record.level, record.name, record.score);
        if (!same.empty()) result.rank = rankOf(tx, record.level, record.score, same[0][0].as<std::int64_t>());
        return result;
    }
    const std::int64_t id = tx.exec_prepared1("insert", record.level, record.score, record.name,
                                              record.receivedAt)[0].as<std::int64_t>();
    tx.exec_prepared("prune", record.level, record.name, kRecordsPerNameAndLevel);
    if (tx.exec_prepared("kept", id).empty()) {
        result.outcome = PublishOutcome::NotKept;
    } else {
        result.outcome = PublishOutcome::Stored;
        result.rank = rankOf(tx, record.level, record.score, id);
    }
    tx.exec_prepared("purge", record.receivedAt - kDuplicateWindowSeconds);
    return result;
}

} // namespace

struct PostgresRecordStore::Session {
    explicit Session(const std::string& url) : connection(url) { prepare(connection); }
    pqxx::connection connection;
};

PostgresRecordStore::PostgresRecordStore(std::string url) : m_url(std::move(url)) {}

PostgresRecordStore::~PostgresRecordStore() = default;

Expected<std::unique_ptr<PostgresRecordStore>> PostgresRecordStore::Open(const std::string& url) {
    std::unique_ptr<PostgresRecordStore> store(new PostgresRecordStore(url));
    try {
        pqxx::connection connection(url);
        pqxx::work tx(connection);
        tx.exec(kSchemaLockSql);
        tx.exec(kSchema);
        tx.commit();
    } catch (const std::exception& e) {
        return Error{std::string("cannot set up the PostgreSQL database: ") + e.what()};
    }
    return store;
}

Expected<std::unique_ptr<PostgresRecordStore::Session>> PostgresRecordStore::Take() {
    {
        std::unique_lock lock(m_lock);
        m_returned.wait(lock, [&] { return !m_idle.empty() || m_open < kMaxConnections; });
        if (!m_idle.empty()) {
            std::unique_ptr<Session> session = std::move(m_idle.back());
            m_idle.pop_back();
            return session;
        }
        ++m_open;
    }
    try {
        return std::make_unique<Session>(m_url);
    } catch (const std::exception& e) {
        Return(nullptr);
        return Error{std::string("cannot connect to PostgreSQL: ") + e.what()};
    }
}

void PostgresRecordStore::Return(std::unique_ptr<Session> session) {
    {
        std::lock_guard lock(m_lock);
        if (session && session->connection.is_open())
            m_idle.push_back(std::move(session));
        else
            --m_open;
    }
    m_returned.notify_one();
}

Expected<PublishResult> PostgresRecordStore::Publish(const NewRecord& record) {
    auto taken = Take();
    if (!taken) return Error{taken.error()};
    std::unique_ptr<Session> session = std::move(*taken);
    try {
        pqxx::work tx(session->connection);
        PublishResult result = publishIn(tx, record);
        tx.commit();
        Return(std::move(session));
        return result;
    } catch (const pqxx::in_doubt_error& e) {
        // The commit may or may not have happened; the caller must not report success.
        Return(nullptr);
        return Error{std::string("the commit of the record is in doubt: ") + e.what()};
    } catch (const std::exception& e) {
        Return(std::move(session));
        return Error{std::string("cannot store the record: ") + e.what()};
    }
}

Expected<std::vector<RankedRecord>> PostgresRecordStore::Top(int level, int first, int count) {
    auto taken = Take();
    if (!taken) return Error{taken.error()};
    std::unique_ptr<Session> session = std::move(*taken);
    const std::int64_t offset = first > 1 ? first - 1 : 0;
    try {
        std::vector<RankedRecord> rows;
        {
            pqxx::read_transaction tx(session->connection);
            const pqxx::result result = tx.exec_prepared("top", level, count > 0 ? count : 0, offset);
            rows.reserve(result.size());
            for (const auto& row : result) {
                RankedRecord record;
                record.rank = offset + std::int64_t(rows.size()) + 1;
                record.score = row[0].as<std::int32_t>();
                record.name = row[1].as<std::string>();
                record.publishedAt = row[2].as<std::int64_t>();
                rows.push_back(std::move(record));
            }
        }
        Return(std::move(session));
        return rows;
    } catch (const std::exception& e) {
        Return(std::move(session));
        return Error{std::string("cannot read the records: ") + e.what()};
    }
}

} // namespace server
