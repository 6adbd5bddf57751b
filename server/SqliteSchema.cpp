#include "SqliteSchema.hpp"

#include <sqlite3.h>

#include "server/RankTree.hpp"
#include "server/SqliteConnection.hpp"
#include "server/SqliteLedgerTransaction.hpp"
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

// Added to tables made before the day's tables: their records are on none. `daily_day` is
// the day (days since 1970-01-01) of a verified game of the day's court published in the
// day's window, NULL for every other record; `listed_daily` marks each name's best of them.
constexpr const char* kDailyColumns = R"sql(
ALTER TABLE records ADD COLUMN daily_day INTEGER;
ALTER TABLE records ADD COLUMN listed_daily INTEGER NOT NULL DEFAULT 0;
)sql";

constexpr const char* kIndexes = R"sql(
CREATE INDEX IF NOT EXISTS records_listed ON records (level, listed, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_listed_verified ON records (level, listed_verified, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_by_name ON records (level, name, score DESC, id DESC);
CREATE INDEX IF NOT EXISTS records_listed_by_name ON records (level, name, listed);
CREATE UNIQUE INDEX IF NOT EXISTS records_verified_replay ON records (replay_hash) WHERE verified = 1;
CREATE INDEX IF NOT EXISTS records_listed_daily ON records (daily_day, listed_daily, score DESC, id DESC)
    WHERE daily_day IS NOT NULL;
CREATE INDEX IF NOT EXISTS records_daily_listed_by_name ON records (daily_day, name, listed_daily)
    WHERE daily_day IS NOT NULL;
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

constexpr const char* kHasRankTreeSql =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'rank_counts'";
constexpr const char* kListedPerScoreSql =
    "SELECT level, score, SUM(listed <> 0), SUM(listed_verified <> 0) FROM records "
    "WHERE (listed <> 0 OR listed_verified <> 0) AND score >= 0 GROUP BY level, score";

// Builds the count trees from the records of a database made before them; false on a failure.
bool buildRankTree(sqlite3* db, SqliteLedgerTransaction& tx, std::string& error) {
    SqliteStatement perScore;
    if (!perScore.Prepare(db, kListedPerScoreSql, error)) return false;
    RankTreeChanges changes;
    while (perScore.Step()) {
        const int level = int(perScore.Int64(0));
        const std::int32_t score = std::int32_t(perScore.Int64(1));
        AddToRankTree(changes, level, Listing::All, score, perScore.Int64(2));
        AddToRankTree(changes, level, Listing::Verified, score, perScore.Int64(3));
    }
    DropZeroChanges(changes);
    if (perScore.Failed() || !tx.AddCounts(changes)) {
        error = "cannot count the listed records: " + std::string(sqlite3_errmsg(db));
        return false;
    }
    return true;
}

} // namespace

bool SetUpSqliteDatabase(SqliteConnection& db, SqliteLedgerTransaction& tx, std::string& error) {
    // Full sync makes every commit reach the disk before the publish is acknowledged.
    bool ok = db.Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;", error) &&
              db.Execute("BEGIN IMMEDIATE", error) && db.Execute(kSchema, error);
    bool hasRankTree = false;
    if (ok) {
        SqliteStatement probe;
        ok = probe.Prepare(db.Handle(), kHasRankTreeSql, error);
        hasRankTree = ok && probe.Step();
        ok = ok && !probe.Failed();
    }
    if (ok) {
        SqliteStatement probe;
        ok = probe.Prepare(db.Handle(), "SELECT hidden FROM records LIMIT 0", error) ||
             db.Execute(kNewColumns, error);
    }
    if (ok) {
        SqliteStatement probe;
        ok = probe.Prepare(db.Handle(), "SELECT verified FROM records LIMIT 0", error) ||
             db.Execute(kReplayColumns, error);
    }
    if (ok) {
        SqliteStatement probe;
        ok = probe.Prepare(db.Handle(), "SELECT daily_day FROM records LIMIT 0", error) ||
             db.Execute(kDailyColumns, error);
    }
    ok = ok && db.Execute(kIndexes, error) && db.Execute(kVersionsTable, error);
    if (ok && !hasRankTree) ok = db.Execute(kRankTreeTable, error);
    ok = ok && tx.Prepare(error);
    if (ok && !hasRankTree) ok = buildRankTree(db.Handle(), tx, error);
    return ok && db.Execute("COMMIT", error);
}

} // namespace server
