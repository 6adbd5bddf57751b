#include "PostgresRecordStore.hpp"

#include <poll.h>

#include <pqxx/pqxx>

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "server/PostgresLedgerTransaction.hpp"
#include "server/PostgresRow.hpp"
#include "server/RecordRows.hpp"

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
ALTER TABLE records ADD COLUMN IF NOT EXISTS hidden BOOLEAN NOT NULL DEFAULT FALSE;
ALTER TABLE records ADD COLUMN IF NOT EXISTS listed BOOLEAN NOT NULL DEFAULT TRUE;
ALTER TABLE records ADD COLUMN IF NOT EXISTS verified BOOLEAN NOT NULL DEFAULT FALSE;
ALTER TABLE records ADD COLUMN IF NOT EXISTS reason TEXT NOT NULL DEFAULT 'no replay';
ALTER TABLE records ADD COLUMN IF NOT EXISTS replay TEXT NOT NULL DEFAULT '';
ALTER TABLE records ADD COLUMN IF NOT EXISTS replay_hash TEXT NOT NULL DEFAULT '';
ALTER TABLE records ADD COLUMN IF NOT EXISTS board TEXT NOT NULL DEFAULT '';
ALTER TABLE records ADD COLUMN IF NOT EXISTS listed_verified BOOLEAN NOT NULL DEFAULT FALSE;
ALTER TABLE records ADD COLUMN IF NOT EXISTS daily_day INTEGER;
ALTER TABLE records ADD COLUMN IF NOT EXISTS listed_daily BOOLEAN NOT NULL DEFAULT FALSE;
CREATE TABLE IF NOT EXISTS reports (
    report TEXT PRIMARY KEY,
    record_id BIGINT NOT NULL
);
DROP TABLE IF EXISTS recent_reports;
DROP INDEX IF EXISTS records_by_rank;
CREATE INDEX IF NOT EXISTS records_listed ON records (level, listed, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_listed_verified ON records (level, listed_verified, score DESC, id DESC);
CREATE UNIQUE INDEX IF NOT EXISTS records_verified_replay ON records (replay_hash) WHERE verified;
CREATE INDEX IF NOT EXISTS records_by_name ON records (level, name, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_listed_by_name ON records (level, name, listed);
CREATE INDEX IF NOT EXISTS records_listed_daily ON records (daily_day, listed_daily, score DESC, id DESC)
    WHERE daily_day IS NOT NULL;
CREATE INDEX IF NOT EXISTS records_daily_listed_by_name ON records (daily_day, name, listed_daily)
    WHERE daily_day IS NOT NULL;
CREATE TABLE IF NOT EXISTS table_versions (
    level INTEGER PRIMARY KEY,
    version BIGINT NOT NULL
);
INSERT INTO table_versions (level, version) VALUES (1, 0), (2, 0), (3, 0) ON CONFLICT (level) DO NOTHING;
)sql";

// The count trees of the listed records (see RankTree.hpp). Databases made before it get it
// built once from their records when they are opened.
constexpr const char* kHasRankTreeSql = "SELECT to_regclass('rank_counts') IS NOT NULL";
constexpr const char* kRankTreeTable = R"sql(
CREATE TABLE rank_counts (
    level INTEGER NOT NULL,
    listing INTEGER NOT NULL,
    node BIGINT NOT NULL,
    count BIGINT NOT NULL,
    PRIMARY KEY (level, listing, node)
);
)sql";
constexpr const char* kListedPerScoreSql =
    "SELECT level, score, COUNT(*) FILTER (WHERE listed), COUNT(*) FILTER (WHERE listed_verified) "
    "FROM records WHERE (listed OR listed_verified) AND score >= 0 GROUP BY level, score";

// Any fixed number: servers starting together create the tables one after the other.
constexpr const char* kSchemaLockSql = "SELECT pg_advisory_xact_lock(7415032)";
// A statement the server itself ends after this long.
constexpr const char* kStatementTimeoutSql = "SET statement_timeout = 5000";
// Seconds libpq waits for a connection, unless the address says otherwise.
constexpr const char* kConnectTimeout = "connect_timeout=3";
// Reads are bounded as publishes are.
constexpr auto kReadWait = std::chrono::seconds(5);

// Several servers may write at once. A change judges whether it reached the first rows from
// the records committed when it looks, and records hidden or deleted meanwhile by other
// transactions can raise it after that; so a change this many rows below the first ones bumps
// the version as well: only as many hides committing during one publish could hide a change
// from the cache. A publish counts its rank in its own transaction, which holds the name's
// lock: the rank is the one of the committed record.
constexpr LedgerPolicy kPolicy{16, PublishRank::InTransaction};

// The longest a batch of an import may take, waiting for the table included.
constexpr auto kImportWait = std::chrono::minutes(10);
// A batch of rechecks waits for the names it changes, each held by one publish at a time.
constexpr auto kReverifyWait = std::chrono::seconds(60);
// An export hands its records to a writer that may be slow (a pipe into another import).
constexpr auto kExportWait = std::chrono::hours(12);
// Records an export fetches at a time.
constexpr int kExportFetch = 10'000;
constexpr const char* kLargestIdSql = "SELECT COALESCE(MAX(id), 0) FROM records";
constexpr const char* kExportCursorSql =
    "DECLARE export_records NO SCROLL CURSOR FOR SELECT level, score, name, published_at FROM records "
    "WHERE NOT hidden AND level BETWEEN 1 AND 3 ORDER BY level, score DESC, id DESC";

// Builds the count trees from the records of a database made before them.
void buildRankTree(pqxx::work& tx) {
    RankTreeChanges changes;
    for (const auto& row : tx.exec(kListedPerScoreSql)) {
        const int level = row[0].as<int>();
        const std::int32_t score = row[1].as<std::int32_t>();
        AddToRankTree(changes, level, Listing::All, score, row[2].as<std::int64_t>());
        AddToRankTree(changes, level, Listing::Verified, score, row[3].as<std::int64_t>());
    }
    DropZeroChanges(changes);
    PostgresLedgerTransaction::AddCountsUnprepared(tx, changes);
}

// The value of a ledger call; its failure thrown again, for WithSession to tell a broken
// connection from other failures.
template <class T>
T valueOf(Expected<T> result, const PostgresLedgerTransaction& tx) {
    if (result) return std::move(*result);
    tx.RethrowFailure();
    throw std::runtime_error(result.error());
}

std::string withConnectTimeout(const std::string& url) {
    if (url.find("connect_timeout=") != std::string::npos) return url;
    return url + (url.find('?') == std::string::npos ? "?" : "&") + kConnectTimeout;
}

// An idle pooled connection that has something to read was closed by the server (a restart
// sends a notice and hangs up); a sound idle one has nothing.
bool looksClosed(int socket) {
    pollfd p{socket, POLLIN, 0};
    return socket < 0 || ::poll(&p, 1, 0) != 0;
}

} // namespace

struct PostgresRecordStore::Session {
    explicit Session(const std::string& url) : connection(url) {
        PostgresLedgerTransaction::Prepare(connection);
        connection.prepare(
            "replay",
            "SELECT id, level, score, replay FROM records WHERE id = $1 AND verified AND NOT hidden");
        connection.prepare(
            "list",
            "SELECT id, level, score, name, published_at, hidden, verified, reason FROM records "
            "WHERE ($1 = 0 OR level = $1) AND (NOT $2 OR name = $3) ORDER BY level, score DESC, id DESC");
        pqxx::nontransaction(connection).exec(kStatementTimeoutSql);
    }
    pqxx::connection connection;
};

Ledger PostgresRecordStore::MakeLedger() const {
    return Ledger(kPolicy, VerifiedOnly() ? Listing::Verified : Listing::All);
}

PostgresRecordStore::PostgresRecordStore(std::string url) : m_url(withConnectTimeout(url)) {}

PostgresRecordStore::~PostgresRecordStore() = default;

Expected<std::unique_ptr<PostgresRecordStore>> PostgresRecordStore::Open(const std::string& url) {
    std::unique_ptr<PostgresRecordStore> store(new PostgresRecordStore(url));
    try {
        pqxx::connection connection(store->m_url);
        pqxx::work tx(connection);
        tx.exec(kSchemaLockSql);
        const bool hasRankTree = tx.exec1(kHasRankTreeSql)[0].as<bool>();
        tx.exec(kSchema);
        if (!hasRankTree) {
            tx.exec(kRankTreeTable);
            buildRankTree(tx);
        }
        tx.commit();
    } catch (const std::exception& e) {
        return Error{std::string("cannot set up the PostgreSQL database: ") + e.what()};
    }
    return store;
}

Expected<std::unique_ptr<PostgresRecordStore::Session>> PostgresRecordStore::Take(Deadline deadline) {
    for (;;) {
        std::unique_ptr<Session> session;
        {
            std::unique_lock lock(m_lock);
            if (!m_returned.wait_until(lock, deadline,
                                       [&] { return !m_idle.empty() || m_open < kMaxConnections; }))
                return Error{"all connections to PostgreSQL are busy"};
            if (m_idle.empty()) {
                ++m_open;
                break;
            }
            session = std::move(m_idle.back());
            m_idle.pop_back();
        }
        if (!looksClosed(session->connection.sock())) return session;
        // Dropped and replaced below.
        session.reset();
        std::lock_guard lock(m_lock);
        --m_open;
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

template <class T, class Body>
Expected<T> PostgresRecordStore::WithSession(Deadline deadline, const char* what, Body body) {
    // One more try on a fresh connection when the pooled one turns out broken before anything
    // was committed: after a restart of PostgreSQL no request fails for a dead connection.
    for (int attempt = 0;; ++attempt) {
        auto taken = Take(deadline);
        if (!taken) return Error{std::string(what) + ": " + taken.error()};
        std::unique_ptr<Session> session = std::move(*taken);
        std::string error;
        bool retry = false;
        try {
            std::optional<T> value;
            {
                SocketWatchdog::Watch watch(m_watchdog, session->connection.sock(), deadline);
                value.emplace(body(session->connection));
            }
            Return(std::move(session));
            return std::move(*value);
        } catch (const pqxx::in_doubt_error& e) {
            error = std::string("the outcome is in doubt: ") + e.what();
        } catch (const pqxx::broken_connection& e) {
            error = std::string("the connection broke: ") + e.what();
            retry = attempt == 0 && std::chrono::steady_clock::now() < deadline;
        } catch (const std::exception& e) {
            error = e.what();
        }
        // A connection that failed is not trusted again.
        session.reset();
        Return(nullptr);
        if (!retry) return Error{std::string(what) + ": " + error};
    }
}

Expected<PublishResult> PostgresRecordStore::Publish(const NewRecord& record, Deadline deadline) {
    if (std::optional<Error> refused = RefusePublish(record)) return *refused;
    return WithSession<PublishResult>(deadline, "cannot store the record", [&](pqxx::connection& c) {
        pqxx::work work(c);
        PostgresLedgerTransaction tx(work);
        const PublishResult result = valueOf(MakeLedger().PublishIn(tx, record), tx).result;
        work.commit();
        return result;
    });
}

Expected<std::vector<RankedRecord>> PostgresRecordStore::Top(int level, int first, int count) {
    return WithSession<std::vector<RankedRecord>>(
        std::chrono::steady_clock::now() + kReadWait, "cannot read the records", [&](pqxx::connection& c) {
            pqxx::read_transaction work(c);
            PostgresLedgerTransaction tx(work);
            return valueOf(MakeLedger().TopIn(tx, level, first, count), tx);
        });
}

Expected<std::vector<RankedRecord>> PostgresRecordStore::DailyTop(std::int64_t day, int first, int count) {
    return WithSession<std::vector<RankedRecord>>(std::chrono::steady_clock::now() + kReadWait,
                                                  "cannot read the day's records", [&](pqxx::connection& c) {
                                                      pqxx::read_transaction work(c);
                                                      PostgresLedgerTransaction tx(work);
                                                      return valueOf(
                                                          Ledger::DailyTopIn(tx, day, first, count), tx);
                                                  });
}

Expected<std::vector<std::int64_t>> PostgresRecordStore::TableVersions() {
    return WithSession<std::vector<std::int64_t>>(std::chrono::steady_clock::now() + kReadWait,
                                                  "cannot read the table versions", [&](pqxx::connection& c) {
                                                      pqxx::read_transaction work(c);
                                                      PostgresLedgerTransaction tx(work);
                                                      return valueOf(Ledger::ReadTableVersions(tx), tx);
                                                  });
}

Expected<std::vector<StoredRecord>> PostgresRecordStore::List(const RecordFilter& filter) {
    return WithSession<std::vector<StoredRecord>>(
        std::chrono::steady_clock::now() + std::chrono::seconds(60), "cannot list the records",
        [&](pqxx::connection& c) {
            std::vector<StoredRecord> rows;
            pqxx::read_transaction tx(c);
            const std::string name = filter.name.value_or("");
            for (const auto& row :
                 tx.exec_prepared("list", filter.level.value_or(0), filter.name.has_value(), name))
                rows.push_back(StoredRecordOf(PostgresRow{row}));
            return rows;
        });
}

Expected<bool> PostgresRecordStore::Change(std::int64_t id, RecordChange change) {
    return WithSession<bool>(std::chrono::steady_clock::now() + kPublishWait, "cannot change the record",
                             [&](pqxx::connection& c) {
                                 pqxx::work work(c);
                                 PostgresLedgerTransaction tx(work);
                                 const bool found = valueOf(MakeLedger().ChangeIn(tx, id, change), tx);
                                 if (found) work.commit();
                                 return found;
                             });
}

Expected<bool> PostgresRecordStore::SetHidden(std::int64_t id, bool hidden) {
    return Change(id, hidden ? RecordChange::Hide : RecordChange::Show);
}

Expected<bool> PostgresRecordStore::Delete(std::int64_t id) {
    return Change(id, RecordChange::Delete);
}

Expected<std::optional<StoredReplay>> PostgresRecordStore::Replay(std::int64_t id) {
    return WithSession<std::optional<StoredReplay>>(
        std::chrono::steady_clock::now() + kReadWait, "cannot read the replay", [&](pqxx::connection& c) {
            pqxx::read_transaction tx(c);
            const pqxx::result row = tx.exec_prepared("replay", id);
            std::optional<StoredReplay> found;
            if (!row.empty()) found = StoredReplayOf(PostgresRow{row[0]});
            return found;
        });
}

Expected<std::int64_t> PostgresRecordStore::LargestRecordId() {
    return WithSession<std::int64_t>(std::chrono::steady_clock::now() + kReadWait, "cannot read the records",
                                     [&](pqxx::connection& c) {
                                         pqxx::read_transaction tx(c);
                                         return tx.exec1(kLargestIdSql)[0].as<std::int64_t>();
                                     });
}

Expected<bool> PostgresRecordStore::Import(const std::vector<RecordLine>& batch, ImportProgress& progress) {
    if (std::optional<Error> refused = RefuseImport(batch)) return *refused;
    ImportProgress next;
    const Expected<bool> done = WithSession<bool>(std::chrono::steady_clock::now() + kImportWait,
                                                  "cannot import the records", [&](pqxx::connection& c) {
                                                      next = progress;
                                                      pqxx::work work(c);
                                                      PostgresLedgerTransaction tx(work);
                                                      valueOf(MakeLedger().ImportIn(tx, batch, next), tx);
                                                      work.commit();
                                                      return true;
                                                  });
    if (!done) return Error{done.error()};
    progress = std::move(next);
    return true;
}

Expected<bool> PostgresRecordStore::FinishImport() {
    return WithSession<bool>(std::chrono::steady_clock::now() + kImportWait, "cannot update the statistics",
                             [&](pqxx::connection& c) {
                                 pqxx::nontransaction tx(c);
                                 tx.exec(kNoStatementTimeoutSql);
                                 tx.exec("ANALYZE records, rank_counts");
                                 return true;
                             });
}

Expected<std::vector<VerifiedReplay>> PostgresRecordStore::VerifiedReplays(std::int64_t afterId,
                                                                           std::size_t count) {
    return WithSession<std::vector<VerifiedReplay>>(
        std::chrono::steady_clock::now() + kReadWait, "cannot read the records", [&](pqxx::connection& c) {
            pqxx::read_transaction work(c);
            PostgresLedgerTransaction tx(work);
            return valueOf(Ledger::VerifiedReplaysIn(tx, afterId, count), tx);
        });
}

Expected<bool> PostgresRecordStore::Reverify(const std::vector<Recheck>& batch, ReverifyCounts& counts) {
    ReverifyCounts next;
    const Expected<bool> done = WithSession<bool>(std::chrono::steady_clock::now() + kReverifyWait,
                                                  "cannot check the records again", [&](pqxx::connection& c) {
                                                      next = counts;
                                                      pqxx::work work(c);
                                                      PostgresLedgerTransaction tx(work);
                                                      valueOf(MakeLedger().ReverifyIn(tx, batch, next), tx);
                                                      work.commit();
                                                      return true;
                                                  });
    if (!done) return Error{done.error()};
    counts = next;
    return true;
}

Expected<bool> PostgresRecordStore::Export(const std::function<bool(const RecordLine&)>& write) {
    return WithSession<bool>(std::chrono::steady_clock::now() + kExportWait, "cannot read the records",
                             [&](pqxx::connection& c) {
                                 pqxx::work tx(c);
                                 tx.exec(kNoStatementTimeoutSql);
                                 tx.exec(kExportCursorSql);
                                 const std::string fetch =
                                     "FETCH FORWARD " + std::to_string(kExportFetch) + " FROM export_records";
                                 for (;;) {
                                     const pqxx::result rows = tx.exec(fetch);
                                     for (const auto& row : rows) {
                                         if (!write(RecordLineOf(PostgresRow{row}))) return false;
                                     }
                                     if (rows.size() < std::size_t(kExportFetch)) break;
                                 }
                                 tx.commit();
                                 return true;
                             });
}

} // namespace server
