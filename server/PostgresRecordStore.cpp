#include "PostgresRecordStore.hpp"

#include <poll.h>

#include <pqxx/pqxx>

#include <algorithm>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "server/PublishRequest.hpp"
#include "server/RankTree.hpp"
#include "server/TopRowsChange.hpp"

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
// Rows are written in the order given, which is node order (see RankTreeChanges).
constexpr const char* kAddCountsSql =
    "INSERT INTO rank_counts (level, listing, node, count) "
    "SELECT c.level, c.listing, c.node, c.count FROM unnest($1::INTEGER[], $2::INTEGER[], $3::BIGINT[], "
    "$4::BIGINT[]) WITH ORDINALITY AS c(level, listing, node, count, n) ORDER BY n "
    "ON CONFLICT (level, listing, node) DO UPDATE SET count = rank_counts.count + EXCLUDED.count";
constexpr const char* kListedPerScoreSql =
    "SELECT level, score, COUNT(*) FILTER (WHERE listed), COUNT(*) FILTER (WHERE listed_verified) FROM records "
    "WHERE (listed OR listed_verified) AND score >= 0 GROUP BY level, score";

// Any fixed number: servers starting together create the tables one after the other.
constexpr const char* kSchemaLockSql = "SELECT pg_advisory_xact_lock(7415032)";
// A statement the server itself ends after this long.
constexpr const char* kStatementTimeoutSql = "SET statement_timeout = 5000";
// Seconds libpq waits for a connection, unless the address says otherwise.
constexpr const char* kConnectTimeout = "connect_timeout=3";
// Reads are bounded as publishes are.
constexpr auto kReadWait = std::chrono::seconds(5);
// A publish judges whether it reached the first rows from the records committed when it
// looks; records hidden or deleted meanwhile by other transactions can raise it after that.
// So a publish this many rows below the first ones bumps the version as well: only as many
// hides committing during one publish could hide a change from the cache.
constexpr int kVersionedRowsMargin = 16;

void prepare(pqxx::connection& c) {
    // Changes to one name and level wait for each other, so its listing stays consistent.
    c.prepare("lock_name", "SELECT pg_advisory_xact_lock(hashtext($1::text || ':' || $2::text))");
    // Publishes of one replay wait for each other, so that it is verified for one record only.
    c.prepare("lock_replay", "SELECT pg_advisory_xact_lock(hashtext('replay:' || $1::text))");
    c.prepare("find_report", "SELECT record_id FROM reports WHERE report = $1");
    c.prepare("state_of", "SELECT verified, reason FROM records WHERE id = $1");
    c.prepare("find_replay", "SELECT id FROM records WHERE replay_hash = $1 AND verified");
    c.prepare("insert",
              "INSERT INTO records (level, score, name, published_at, hidden, listed, verified, reason, replay, "
              "replay_hash, board, listed_verified) "
              "VALUES ($1, $2, $3, $4, FALSE, FALSE, $5, $6, $7, $8, $9, FALSE) RETURNING id");
    c.prepare("add_report", "INSERT INTO reports (report, record_id) VALUES ($1, $2)");
    c.prepare("unlist", "UPDATE records SET listed = FALSE WHERE level = $1 AND name = $2 AND listed");
    c.prepare("relist",
              "UPDATE records SET listed = TRUE WHERE id IN (SELECT id FROM records WHERE level = $1 AND "
              "name = $2 AND NOT hidden ORDER BY score DESC, id DESC LIMIT $3)");
    c.prepare("unlist_verified",
              "UPDATE records SET listed_verified = FALSE WHERE level = $1 AND name = $2 AND listed_verified");
    c.prepare("relist_verified",
              "UPDATE records SET listed_verified = TRUE WHERE id IN (SELECT id FROM records WHERE level = $1 AND "
              "name = $2 AND NOT hidden AND verified ORDER BY score DESC, id DESC LIMIT $3)");
    c.prepare("listed", "SELECT level, score, listed, listed_verified FROM records WHERE id = $1");
    c.prepare("listed_of_name",
              "SELECT id, score, listed, listed_verified FROM records WHERE level = $1 AND name = $2 AND "
              "(listed OR listed_verified)");
    // The records above a score, from at most 31 nodes of the tree.
    // One primary-key lookup per node, whatever the planner believes of the table's size: with
    // `node = ANY(...)` it may scan all of a level's nodes when its statistics are old.
    c.prepare("sum_nodes",
              "SELECT COALESCE(SUM((SELECT r.count FROM rank_counts r WHERE r.level = $1 AND r.listing = $2 AND "
              "r.node = n.node)), 0)::BIGINT FROM unnest($3::BIGINT[]) AS n(node)");
    // The later records of the same score, which rank above: for a new record few or none.
    c.prepare("later_ties", "SELECT COUNT(*) FROM records WHERE level = $1 AND listed AND score = $2 AND id > $3");
    c.prepare("later_ties_verified",
              "SELECT COUNT(*) FROM records WHERE level = $1 AND listed_verified AND score = $2 AND id > $3");
    c.prepare("add_counts", kAddCountsSql);
    c.prepare("owner", "SELECT level, name FROM records WHERE id = $1");
    c.prepare("hide", "UPDATE records SET hidden = $2 WHERE id = $1");
    c.prepare("remove", "DELETE FROM records WHERE id = $1");
    c.prepare("top",
              "SELECT score, name, published_at, id, verified, board FROM records WHERE level = $1 AND listed "
              "ORDER BY score DESC, id DESC LIMIT $2 OFFSET $3");
    c.prepare("top_verified",
              "SELECT score, name, published_at, id, verified, board FROM records WHERE level = $1 AND "
              "listed_verified ORDER BY score DESC, id DESC LIMIT $2 OFFSET $3");
    c.prepare("replay", "SELECT id, level, score, replay FROM records WHERE id = $1 AND verified AND NOT hidden");
    // The row $2 rows below a table's first, found by walking as many entries of its index.
    c.prepare("last_versioned_row",
              "SELECT score, id FROM records WHERE level = $1 AND listed ORDER BY score DESC, id DESC LIMIT 1 "
              "OFFSET $2");
    c.prepare("last_versioned_row_verified",
              "SELECT score, id FROM records WHERE level = $1 AND listed_verified ORDER BY score DESC, id DESC "
              "LIMIT 1 OFFSET $2");
    // The last row a transaction writes: the publishes that wait for it hold no other row.
    c.prepare("bump_version", "UPDATE table_versions SET version = version + 1 WHERE level = $1");
    c.prepare("versions", "SELECT level, version FROM table_versions ORDER BY level");
    c.prepare("list",
              "SELECT id, level, score, name, published_at, hidden, verified, reason FROM records "
              "WHERE ($1 = 0 OR level = $1) AND (NOT $2 OR name = $3) ORDER BY level, score DESC, id DESC");
}

// A PostgreSQL array literal of integers.
template <class T>
std::string arrayOf(const std::vector<T>& values) {
    std::string text = "{";
    for (std::size_t i = 0; i < values.size(); ++i) text += (i ? "," : "") + std::to_string(values[i]);
    return text + "}";
}

// Writes changes to the count trees; `prepared` when the session prepared its statements.
void applyChanges(pqxx::work& tx, RankTreeChanges changes, bool prepared = true) {
    DropZeroChanges(changes);
    if (changes.empty()) return;
    std::vector<int> levels, listings;
    std::vector<std::int64_t> nodes, counts;
    for (const auto& [key, delta] : changes) {
        levels.push_back(key.level);
        listings.push_back(int(key.listing));
        nodes.push_back(key.node);
        counts.push_back(delta);
    }
    if (prepared)
        tx.exec_prepared("add_counts", arrayOf(levels), arrayOf(listings), arrayOf(nodes), arrayOf(counts));
    else
        tx.exec_params(kAddCountsSql, arrayOf(levels), arrayOf(listings), arrayOf(nodes), arrayOf(counts));
}

std::vector<ListedState> listedOfName(pqxx::work& tx, int level, const std::string& name) {
    std::vector<ListedState> out;
    for (const auto& row : tx.exec_prepared("listed_of_name", level, name))
        out.push_back(ListedState{row[0].as<std::int64_t>(), row[1].as<std::int32_t>(), row[2].as<bool>(),
                                  row[3].as<bool>()});
    return out;
}

// Lists the best records of a name on a level again, counts the change in the trees and
// bumps the level's version when the change reached the first rows of a table (give or take
// kVersionedRowsMargin), or `alwaysBump`; `before` holds the name's listed records before the
// change.
void relist(pqxx::work& tx, int level, const std::string& name, const std::vector<ListedState>& before,
            bool alwaysBump) {
    tx.exec_prepared("unlist", level, name);
    tx.exec_prepared("relist", level, name, kRecordsPerNameAndLevel);
    tx.exec_prepared("unlist_verified", level, name);
    tx.exec_prepared("relist_verified", level, name, kRecordsPerNameAndLevel);
    RankTreeChanges changes;
    const std::vector<ListedState> after = listedOfName(tx, level, name);
    AddListingChanges(changes, level, before, after);
    applyChanges(tx, std::move(changes));
    bool bump = alwaysBump;
    for (const Listing listing : {Listing::All, Listing::Verified}) {
        if (bump) break;
        const std::vector<RowKey> moved = MovedRows(before, after, listing);
        if (moved.empty()) continue;
        const pqxx::result last =
            tx.exec_prepared(listing == Listing::Verified ? "last_versioned_row_verified" : "last_versioned_row",
                             level, kVersionedRows + kVersionedRowsMargin - 1);
        std::optional<RowKey> lastRow;
        if (!last.empty()) lastRow = RowKey{last[0][0].as<std::int32_t>(), last[0][1].as<std::int64_t>()};
        bump = ChangesFirstRows(moved, lastRow);
    }
    if (bump) tx.exec_prepared("bump_version", level);
}

// Builds the count trees from the records of a database made before them.
void buildRankTree(pqxx::work& tx) {
    RankTreeChanges changes;
    for (const auto& row : tx.exec(kListedPerScoreSql)) {
        const int level = row[0].as<int>();
        const std::int32_t score = row[1].as<std::int32_t>();
        AddToRankTree(changes, level, Listing::All, score, row[2].as<std::int64_t>());
        AddToRankTree(changes, level, Listing::Verified, score, row[3].as<std::int64_t>());
    }
    applyChanges(tx, std::move(changes), false);
}

std::int64_t rankOf(pqxx::work& tx, std::int64_t id, bool verifiedOnly) {
    const pqxx::result row = tx.exec_prepared("listed", id);
    if (row.empty() || !row[0][verifiedOnly ? 3 : 2].as<bool>()) return 0;
    const int level = row[0][0].as<int>();
    const std::int32_t score = row[0][1].as<std::int32_t>();
    const Listing listing = verifiedOnly ? Listing::Verified : Listing::All;
    const std::int64_t above =
        tx.exec_prepared1("sum_nodes", level, int(listing), arrayOf(RankTreeNodesAbove(score)))[0].as<std::int64_t>();
    const std::int64_t ties =
        tx.exec_prepared1(verifiedOnly ? "later_ties_verified" : "later_ties", level, score, id)[0].as<std::int64_t>();
    return above + ties + 1;
}

PublishResult publishIn(pqxx::work& tx, const NewRecord& record, bool verifiedOnly) {
    PublishResult result;
    tx.exec_prepared("lock_name", record.level, record.name);
    const pqxx::result found = tx.exec_prepared("find_report", record.report);
    if (!found.empty()) {
        const std::int64_t earlier = found[0][0].as<std::int64_t>();
        result.outcome = PublishOutcome::Duplicate;
        result.rank = rankOf(tx, earlier, verifiedOnly);
        const pqxx::result state = tx.exec_prepared("state_of", earlier);
        if (!state.empty()) {
            result.verified = state[0][0].as<bool>();
            result.reason = state[0][1].as<std::string>();
        }
        return result;
    }
    result.verified = record.check.verified;
    result.reason = record.check.reason;
    if (result.verified) {
        tx.exec_prepared("lock_replay", record.check.replayHash);
        const pqxx::result same = tx.exec_prepared("find_replay", record.check.replayHash);
        if (!same.empty()) {
            result.verified = false;
            result.reason = SameReplayReason(same[0][0].as<std::int64_t>());
        }
    }
    const std::int64_t id =
        tx.exec_prepared1("insert", record.level, record.score, record.name, record.receivedAt, result.verified,
                          result.reason, record.check.replay, record.check.replayHash,
                          result.verified ? record.check.board : std::string())[0]
            .as<std::int64_t>();
    tx.exec_prepared("add_report", record.report, id);
    relist(tx, record.level, record.name, listedOfName(tx, record.level, record.name), false);
    result.rank = rankOf(tx, id, verifiedOnly);
    result.outcome = result.rank > 0 ? PublishOutcome::Stored : PublishOutcome::NotListed;
    return result;
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
        prepare(connection);
        pqxx::nontransaction(connection).exec(kStatementTimeoutSql);
    }
    pqxx::connection connection;
};

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
            if (!m_returned.wait_until(lock, deadline, [&] { return !m_idle.empty() || m_open < kMaxConnections; }))
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
    if (record.score < 0) return Error{"cannot store the record: the score " + std::to_string(record.score) + " is negative"};
    return WithSession<PublishResult>(deadline, "cannot store the record", [&](pqxx::connection& c) {
        pqxx::work tx(c);
        PublishResult result = publishIn(tx, record, VerifiedOnly());
        tx.commit();
        return result;
    });
}

Expected<std::vector<RankedRecord>> PostgresRecordStore::Top(int level, int first, int count) {
    const std::int64_t offset = first > 1 ? first - 1 : 0;
    return WithSession<std::vector<RankedRecord>>(
        std::chrono::steady_clock::now() + kReadWait, "cannot read the records", [&](pqxx::connection& c) {
            std::vector<RankedRecord> rows;
            pqxx::read_transaction tx(c);
            const pqxx::result result =
                tx.exec_prepared(VerifiedOnly() ? "top_verified" : "top", level, count > 0 ? count : 0, offset);
            rows.reserve(result.size());
            for (const auto& row : result) {
                RankedRecord record;
                record.rank = offset + std::int64_t(rows.size()) + 1;
                record.score = row[0].as<std::int32_t>();
                record.name = row[1].as<std::string>();
                record.publishedAt = row[2].as<std::int64_t>();
                record.id = row[3].as<std::int64_t>();
                record.verified = row[4].as<bool>();
                if (record.verified) record.board = row[5].as<std::string>();
                rows.push_back(std::move(record));
            }
            return rows;
        });
}

Expected<std::vector<std::int64_t>> PostgresRecordStore::TableVersions() {
    return WithSession<std::vector<std::int64_t>>(
        std::chrono::steady_clock::now() + kReadWait, "cannot read the table versions", [&](pqxx::connection& c) {
            std::vector<std::int64_t> versions(std::size_t(kLastLevel - kFirstLevel + 1), 0);
            std::size_t found = 0;
            pqxx::read_transaction tx(c);
            for (const auto& row : tx.exec_prepared("versions")) {
                const int level = row[0].as<int>();
                if (level < kFirstLevel || level > kLastLevel) continue;
                versions[std::size_t(level - kFirstLevel)] = row[1].as<std::int64_t>();
                ++found;
            }
            if (found != versions.size()) throw std::runtime_error("a level has no version");
            return versions;
        });
}

Expected<std::vector<StoredRecord>> PostgresRecordStore::List(const RecordFilter& filter) {
    return WithSession<std::vector<StoredRecord>>(
        std::chrono::steady_clock::now() + std::chrono::seconds(60), "cannot list the records",
        [&](pqxx::connection& c) {
            std::vector<StoredRecord> rows;
            pqxx::read_transaction tx(c);
            const std::string name = filter.name.value_or("");
            for (const auto& row : tx.exec_prepared("list", filter.level.value_or(0), filter.name.has_value(), name)) {
                StoredRecord record;
                record.id = row[0].as<std::int64_t>();
                record.level = row[1].as<int>();
                record.score = row[2].as<std::int32_t>();
                record.name = row[3].as<std::string>();
                record.publishedAt = row[4].as<std::int64_t>();
                record.hidden = row[5].as<bool>();
                record.verified = row[6].as<bool>();
                record.reason = row[7].as<std::string>();
                rows.push_back(std::move(record));
            }
            return rows;
        });
}

Expected<bool> PostgresRecordStore::Change(std::int64_t id, std::optional<bool> hidden) {
    return WithSession<bool>(std::chrono::steady_clock::now() + kPublishWait, "cannot change the record",
                             [&](pqxx::connection& c) {
                                 pqxx::work tx(c);
                                 const pqxx::result owner = tx.exec_prepared("owner", id);
                                 if (owner.empty()) return false;
                                 const int level = owner[0][0].as<int>();
                                 const std::string name = owner[0][1].as<std::string>();
                                 tx.exec_prepared("lock_name", level, name);
                                 const std::vector<ListedState> before = listedOfName(tx, level, name);
                                 if (hidden)
                                     tx.exec_prepared("hide", id, *hidden);
                                 else
                                     tx.exec_prepared("remove", id);
                                 // Rare: the level's cached rows are renewed always.
                                 relist(tx, level, name, before, true);
                                 tx.commit();
                                 return true;
                             });
}

Expected<bool> PostgresRecordStore::SetHidden(std::int64_t id, bool hidden) { return Change(id, hidden); }

Expected<bool> PostgresRecordStore::Delete(std::int64_t id) { return Change(id, std::nullopt); }

Expected<std::optional<StoredReplay>> PostgresRecordStore::Replay(std::int64_t id) {
    return WithSession<std::optional<StoredReplay>>(
        std::chrono::steady_clock::now() + kReadWait, "cannot read the replay", [&](pqxx::connection& c) {
            pqxx::read_transaction tx(c);
            const pqxx::result row = tx.exec_prepared("replay", id);
            std::optional<StoredReplay> found;
            if (row.empty()) return found;
            found.emplace();
            found->id = row[0][0].as<std::int64_t>();
            found->level = row[0][1].as<int>();
            found->score = row[0][2].as<std::int32_t>();
            found->replay = row[0][3].as<std::string>();
            return found;
        });
}

} // namespace server

namespace server {

namespace {

// The longest a batch of an import may take, waiting for the table included.
constexpr auto kImportWait = std::chrono::minutes(10);
// An export hands its records to a writer that may be slow (a pipe into another import).
constexpr auto kExportWait = std::chrono::hours(12);
// Records an export fetches at a time.
constexpr int kExportFetch = 10'000;

// Publishes, hides and deletes wait while a batch is written (they insert, update or delete
// and need ROW EXCLUSIVE); pages go on reading. So the batch sees every name's listing as it
// is and takes ids above every stored one.
constexpr const char* kLockForImportSql = "LOCK TABLE records IN SHARE ROW EXCLUSIVE MODE";
constexpr const char* kNoStatementTimeoutSql = "SET LOCAL statement_timeout = 0";
constexpr const char* kLargestIdSql = "SELECT COALESCE(MAX(id), 0) FROM records";
// Stored records equal to the lines: same level, name and score, published on the line's day.
constexpr const char* kEqualRecordsSql =
    "SELECT k.n, r.id FROM unnest($1::INTEGER[], $2::INTEGER[], $3::TEXT[], $4::BIGINT[]) WITH ORDINALITY "
    "AS k(level, score, name, day, n) JOIN records r ON r.level = k.level AND r.name = k.name AND "
    "r.score = k.score AND r.published_at >= k.day AND r.published_at < k.day + 86400 AND r.id <= $5 "
    "ORDER BY k.n, r.id";
constexpr const char* kReserveIdsSql =
    "SELECT nextval(pg_get_serial_sequence('records', 'id')) FROM generate_series(1, $1)";
constexpr const char* kListedOfNamesSql =
    "SELECT r.level, r.name, r.id, r.score FROM (SELECT DISTINCT level, name FROM unnest($1::INTEGER[], "
    "$2::TEXT[]) AS u(level, name)) k JOIN records r ON r.level = k.level AND r.name = k.name AND r.listed";
constexpr const char* kImportInsertSql =
    "INSERT INTO records (id, level, score, name, published_at, hidden, listed, verified, reason, replay, "
    "replay_hash, board, listed_verified) SELECT u.id, u.level, u.score, u.name, u.at, FALSE, u.listed, FALSE, "
    "$7, '', '', '', FALSE FROM unnest($1::BIGINT[], $2::INTEGER[], $3::INTEGER[], $4::TEXT[], $5::BIGINT[], "
    "$6::BOOLEAN[]) AS u(id, level, score, name, at, listed)";
// The first record of a report text, the one of the smallest id, keeps it.
constexpr const char* kImportReportsSql =
    "INSERT INTO reports (report, record_id) SELECT * FROM unnest($1::TEXT[], $2::BIGINT[]) AS u(report, id) "
    "ORDER BY u.id ON CONFLICT (report) DO NOTHING";
constexpr const char* kImportUnlistSql = "UPDATE records SET listed = FALSE WHERE id = ANY($1::BIGINT[])";
constexpr const char* kExportCursorSql =
    "DECLARE export_records NO SCROLL CURSOR FOR SELECT level, score, name, published_at FROM records "
    "WHERE NOT hidden AND level BETWEEN 1 AND 3 ORDER BY level, score DESC, id DESC";

// A PostgreSQL array literal of texts: each element quoted, its quotes and backslashes escaped.
std::string textArrayOf(const std::vector<std::string>& values) {
    std::string text = "{";
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += i ? ",\"" : "\"";
        for (const char c : values[i]) {
            if (c == '"' || c == '\\') text.push_back('\\');
            text.push_back(c);
        }
        text.push_back('"');
    }
    return text + "}";
}

std::string boolArrayOf(const std::vector<bool>& values) {
    std::string text = "{";
    for (std::size_t i = 0; i < values.size(); ++i) text += (i ? "," : "") + std::string(values[i] ? "t" : "f");
    return text + "}";
}

// The stored records equal to each line with ids up to `storedBefore`, in line order.
std::vector<std::vector<std::int64_t>> equalRecords(pqxx::work& tx, const std::vector<RecordLine>& batch,
                                                    std::int64_t storedBefore) {
    std::vector<int> levels, scores;
    std::vector<std::string> names;
    std::vector<std::int64_t> days;
    for (const RecordLine& line : batch) {
        levels.push_back(line.level);
        scores.push_back(line.score);
        names.push_back(line.name);
        days.push_back(StartOfUtcDay(line.publishedAt));
    }
    std::vector<std::vector<std::int64_t>> equal(batch.size());
    for (const auto& row : tx.exec_params(kEqualRecordsSql, arrayOf(levels), arrayOf(scores), textArrayOf(names),
                                          arrayOf(days), storedBefore))
        equal[row[0].as<std::size_t>() - 1].push_back(row[1].as<std::int64_t>());
    return equal;
}

// Stores the lines of `batch` that `progress` does not skip, in the transaction `tx`.
void importIn(pqxx::work& tx, const std::vector<RecordLine>& batch, ImportProgress& progress) {
    tx.exec(kNoStatementTimeoutSql);
    tx.exec(kLockForImportSql);
    std::vector<RecordLine> fresh;
    fresh.reserve(batch.size());
    if (progress.storedBefore > 0) {
        const std::vector<std::vector<std::int64_t>> equal = equalRecords(tx, batch, progress.storedBefore);
        for (std::size_t i = 0; i < batch.size(); ++i)
            if (!TakeEqualRecord(progress, equal[i])) fresh.push_back(batch[i]);
    } else {
        fresh = batch;
    }
    if (fresh.empty()) return;

    std::vector<std::int64_t> ids;
    ids.reserve(fresh.size());
    for (const auto& row : tx.exec_params(kReserveIdsSql, std::int64_t(fresh.size()))) ids.push_back(row[0].as<std::int64_t>());
    // The last line is published first: it gets the smallest id.
    std::sort(ids.begin(), ids.end(), std::greater<>());
    if (ids.size() != fresh.size()) throw std::runtime_error("the database gave too few record ids");

    std::vector<int> levels, scores;
    std::vector<std::string> names, reports;
    std::vector<std::int64_t> times;
    for (const RecordLine& line : fresh) {
        levels.push_back(line.level);
        scores.push_back(line.score);
        names.push_back(line.name);
        times.push_back(line.publishedAt);
        reports.push_back(ReportText(line.level, line.score, line.name));
    }
    const std::string levelArray = arrayOf(levels), nameArray = textArrayOf(names);
    std::map<LevelAndName, std::vector<ListedState>> listedNow;
    for (const auto& row : tx.exec_params(kListedOfNamesSql, levelArray, nameArray))
        listedNow[{row[0].as<int>(), row[1].as<std::string>()}].push_back(
            ListedState{row[2].as<std::int64_t>(), row[3].as<std::int32_t>(), true, false});
    const ImportListing plan = PlanImportListing(fresh, ids, listedNow);

    const std::string idArray = arrayOf(ids);
    tx.exec_params(kImportInsertSql, idArray, levelArray, arrayOf(scores), nameArray, arrayOf(times),
                   boolArrayOf(plan.listed), std::string(kImportedReason));
    tx.exec_params(kImportReportsSql, textArrayOf(reports), idArray);
    if (!plan.unlisted.empty()) tx.exec_params(kImportUnlistSql, arrayOf(plan.unlisted));
    applyChanges(tx, plan.changes);
    // Every level the batch wrote to may show new first rows: the servers read them again.
    std::vector<int> written = levels;
    std::sort(written.begin(), written.end());
    written.erase(std::unique(written.begin(), written.end()), written.end());
    for (const int level : written) tx.exec_prepared("bump_version", level);
    progress.imported += std::int64_t(fresh.size());
}

} // namespace

Expected<std::int64_t> PostgresRecordStore::LargestRecordId() {
    return WithSession<std::int64_t>(std::chrono::steady_clock::now() + kReadWait, "cannot read the records",
                                     [&](pqxx::connection& c) {
                                         pqxx::read_transaction tx(c);
                                         return tx.exec1(kLargestIdSql)[0].as<std::int64_t>();
                                     });
}

Expected<bool> PostgresRecordStore::Import(const std::vector<RecordLine>& batch, ImportProgress& progress) {
    for (const RecordLine& line : batch)
        if (line.score < 0) return Error{"cannot import the records: the score " + std::to_string(line.score) + " is negative"};
    ImportProgress next;
    const Expected<bool> done = WithSession<bool>(std::chrono::steady_clock::now() + kImportWait,
                                                  "cannot import the records", [&](pqxx::connection& c) {
                                                      next = progress;
                                                      pqxx::work tx(c);
                                                      importIn(tx, batch, next);
                                                      tx.commit();
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

Expected<bool> PostgresRecordStore::Export(const std::function<bool(const RecordLine&)>& write) {
    return WithSession<bool>(
        std::chrono::steady_clock::now() + kExportWait, "cannot read the records", [&](pqxx::connection& c) {
            pqxx::work tx(c);
            tx.exec(kNoStatementTimeoutSql);
            tx.exec(kExportCursorSql);
            const std::string fetch = "FETCH FORWARD " + std::to_string(kExportFetch) + " FROM export_records";
            for (;;) {
                const pqxx::result rows = tx.exec(fetch);
                for (const auto& row : rows) {
                    const RecordLine line{row[0].as<int>(), row[1].as<std::int32_t>(), row[2].as<std::string>(),
                                          row[3].as<std::int64_t>()};
                    if (!write(line)) return false;
                }
                if (rows.size() < std::size_t(kExportFetch)) break;
            }
            tx.commit();
            return true;
        });
}

} // namespace server
