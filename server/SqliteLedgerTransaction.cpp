#include "SqliteLedgerTransaction.hpp"

#include <sqlite3.h>

#include <array>
#include <cassert>

#include "server/ImportPlan.hpp"
#include "server/ListingSql.hpp"
#include "server/RecordRows.hpp"
#include "server/SqliteConnection.hpp"
#include "server/SqliteStatement.hpp"

namespace server {

namespace {

// The statements of either table, written once (see ListingSql). Equalities on the listing
// column, not its bare truth, let SQLite walk the table's index in order.
constexpr const char* kVerifiedCondition = " AND verified = 1";
constexpr const char* kUnlistSql =
    "UPDATE records SET {listed} = 0 WHERE {table} = ?1 AND name = ?2 AND {listed} = 1";
constexpr const char* kRelistSql =
    "UPDATE records SET {listed} = 1 WHERE id IN (SELECT id FROM records WHERE {table} = ?1 AND name = ?2 "
    "AND "
    "hidden = 0{verified} ORDER BY score DESC, id DESC LIMIT ?3)";
// A row some rows below a table's first, found by walking as many entries of its index.
constexpr const char* kRowAtSql =
    "SELECT score, id FROM records WHERE {table} = ?1 AND {listed} = 1 ORDER BY score DESC, id DESC LIMIT 1 "
    "OFFSET ?2";
// Ids only grow while the largest stays: SQLite reuses a deleted largest id, which is still
// above every id left, so a larger id always means a later record.
constexpr const char* kRowsSql =
    "SELECT score, name, published_at, id, verified, board FROM records WHERE {table} = ?1 AND {listed} = 1 "
    "ORDER BY score DESC, id DESC LIMIT ?2 OFFSET ?3";
// The later records of the same score, which rank above: one seek in the table's index, and
// for a new record few or none.
constexpr const char* kLaterTiesSql =
    "SELECT COUNT(*) FROM records WHERE {table} = ?1 AND {listed} = 1 AND score = ?2 AND id > ?3";

// The records above a score, from at most 31 nodes of the tree; unused places hold node 0,
// which no tree has.
constexpr int kMaxSummedNodes = 31;
constexpr const char* kSumNodesSql =
    "SELECT COALESCE(SUM(count), 0) FROM rank_counts WHERE level = ?1 AND listing = ?2 AND node IN ("
    "?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23, ?24, "
    "?25, ?26, ?27, ?28, ?29, ?30, ?31, ?32, ?33)";

// 256 MiB of pages for the writes of imports all over the indexes.
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

template <std::size_t N>
using PerListing = std::array<SqliteStatement, N>;

} // namespace

struct SqliteLedgerTransaction::Statements {
    SqliteStatement findReport, stateOf, findReplay, insert, addReport, listedOfName, placeOf, sumNodes,
        addToNode, newNode, bumpVersion, versions, owner, hide, remove, largestId, unlistOne, verifiedReplays,
        verificationOf, setVerification, dayOf, dailyPlaceOf, dailyListedOfName;
    PerListing<3> unlist, relist, rowAt, rows, laterTies;
};

struct SqliteLedgerTransaction::ImportStatements {
    SqliteStatement equal, insert, addReport;
};

SqliteLedgerTransaction::SqliteLedgerTransaction(SqliteConnection& connection) : m_connection(connection) {}

SqliteLedgerTransaction::~SqliteLedgerTransaction() = default;

bool SqliteLedgerTransaction::Prepare(std::string& error) {
    auto s = std::make_unique<Statements>();
    sqlite3* db = m_connection.Handle();
    for (const auto& [statement, sql] : std::initializer_list<std::pair<SqliteStatement*, const char*>>{
             {&s->findReport, "SELECT record_id FROM reports WHERE report = ?1"},
             {&s->stateOf, "SELECT verified, reason FROM records WHERE id = ?1"},
             {&s->findReplay, "SELECT id FROM records WHERE replay_hash = ?1 AND verified = 1"},
             {&s->insert,
              "INSERT INTO records (level, score, name, published_at, hidden, listed, verified, reason, "
              "replay, "
              "replay_hash, board, listed_verified, daily_day, listed_daily) VALUES (?1, ?2, ?3, ?4, 0, 0, "
              "?5, ?6, "
              "?7, ?8, ?9, 0, NULLIF(?10, -1), 0) "
              "RETURNING id"},
             {&s->addReport, "INSERT INTO reports (report, record_id) VALUES (?1, ?2)"},
             {&s->listedOfName,
              "SELECT id, score, listed, listed_verified FROM records WHERE level = ?1 AND name = ?2 AND "
              "(listed = 1 OR listed_verified = 1)"},
             {&s->placeOf, "SELECT level, score, listed, listed_verified FROM records WHERE id = ?1"},
             {&s->dayOf, "SELECT daily_day FROM records WHERE id = ?1 AND daily_day IS NOT NULL"},
             {&s->dailyPlaceOf,
              "SELECT daily_day, score, listed_daily FROM records WHERE id = ?1 AND daily_day IS NOT NULL"},
             {&s->dailyListedOfName,
              "SELECT id, score, listed_daily, 0 FROM records WHERE daily_day = ?1 AND name = ?2 AND "
              "listed_daily = 1"},
             {&s->sumNodes, kSumNodesSql},
             // Most nodes a change writes exist already: an update finds them with one search,
             // where an upsert searches twice.
             {&s->addToNode,
              "UPDATE rank_counts SET count = count + ?1 WHERE level = ?2 AND listing = ?3 AND node = ?4"},
             {&s->newNode, "INSERT INTO rank_counts (level, listing, node, count) VALUES (?1, ?2, ?3, ?4)"},
             {&s->bumpVersion, "UPDATE table_versions SET version = version + 1 WHERE level = ?1"},
             {&s->versions, "SELECT level, version FROM table_versions ORDER BY level"},
             {&s->owner, "SELECT level, name FROM records WHERE id = ?1"},
             {&s->hide, "UPDATE records SET hidden = ?2 WHERE id = ?1"},
             {&s->remove, "DELETE FROM records WHERE id = ?1"},
             {&s->largestId, "SELECT COALESCE(MAX(id), 0) FROM records"},
             {&s->unlistOne, "UPDATE records SET listed = 0 WHERE id = ?1"},
             {&s->verifiedReplays,
              "SELECT id, level, score, name, replay FROM records WHERE id > ?1 AND verified = 1 AND "
              "replay <> '' ORDER BY id LIMIT ?2"},
             {&s->verificationOf, "SELECT verified, reason, replay_hash, board FROM records WHERE id = ?1"},
             {&s->setVerification,
              "UPDATE records SET verified = ?2, reason = ?3, replay_hash = ?4, board = ?5 WHERE id = ?1"},
         })
        if (!statement->Prepare(db, sql, error)) return false;
    for (const Listing listing : {Listing::All, Listing::Verified, Listing::Daily}) {
        const auto i = std::size_t(listing);
        for (const auto& [statement, sql] : std::initializer_list<std::pair<SqliteStatement*, const char*>>{
                 {&s->unlist[i], kUnlistSql},
                 {&s->relist[i], kRelistSql},
                 {&s->rowAt[i], kRowAtSql},
                 {&s->rows[i], kRowsSql},
                 {&s->laterTies[i], kLaterTiesSql},
             })
            if (!statement->Prepare(db, ListingSql(sql, listing, kVerifiedCondition), error)) return false;
    }
    m_statements = std::move(s);
    return true;
}

std::string SqliteLedgerTransaction::FailureReason() const {
    return m_connection.LastError();
}

namespace {

// Runs a statement that returns at most one id.
bool findId(SqliteStatement& statement, std::optional<std::int64_t>& id) {
    bool row = false;
    if (!statement.RunOnce(row)) return false;
    id.reset();
    if (row) id = statement.Int64(0);
    statement.Reset();
    return true;
}

// Runs a statement that returns one count.
bool count(SqliteStatement& statement, std::int64_t& result) {
    bool row = false;
    if (!statement.RunOnce(row) || !row) return false;
    result = statement.Int64(0);
    statement.Reset();
    return true;
}

bool run(SqliteStatement& statement) {
    bool row = false;
    return statement.RunOnce(row);
}

} // namespace

bool SqliteLedgerTransaction::FindReport(const std::string& report, std::optional<std::int64_t>& id) {
    m_statements->findReport.BindAll(std::string_view(report));
    return findId(m_statements->findReport, id);
}

bool SqliteLedgerTransaction::StateOf(std::int64_t id, std::optional<RecordState>& state) {
    SqliteStatement& s = m_statements->stateOf;
    s.BindAll(id);
    bool row = false;
    if (!s.RunOnce(row)) return false;
    state.reset();
    if (row) state = RecordState{s.Flag(0), s.Text(1)};
    s.Reset();
    return true;
}

bool SqliteLedgerTransaction::FindVerifiedReplay(const std::string& replayHash,
                                                 std::optional<std::int64_t>& id) {
    m_statements->findReplay.BindAll(std::string_view(replayHash));
    return findId(m_statements->findReplay, id);
}

bool SqliteLedgerTransaction::Insert(const RecordRow& r, std::int64_t& id) {
    SqliteStatement& s = m_statements->insert;
    s.BindAll(std::int64_t(r.level), std::int64_t(r.score), std::string_view(r.name), r.publishedAt,
              std::int64_t(r.state.verified ? 1 : 0), std::string_view(r.state.reason),
              std::string_view(r.replay), std::string_view(r.replayHash), std::string_view(r.board),
              r.day.value_or(-1));
    return count(s, id);
}

bool SqliteLedgerTransaction::AddReport(const std::string& report, std::int64_t id) {
    m_statements->addReport.BindAll(std::string_view(report), id);
    return run(m_statements->addReport);
}

bool SqliteLedgerTransaction::ListBest(int level, const std::string& name, Listing listing, int limit) {
    SqliteStatement& unlist = m_statements->unlist[std::size_t(listing)];
    SqliteStatement& relist = m_statements->relist[std::size_t(listing)];
    unlist.BindAll(std::int64_t(level), std::string_view(name));
    relist.BindAll(std::int64_t(level), std::string_view(name), std::int64_t(limit));
    return run(unlist) && run(relist);
}

bool SqliteLedgerTransaction::ListedOfName(int level, const std::string& name,
                                           std::vector<ListedState>& records) {
    SqliteStatement& s = m_statements->listedOfName;
    records.clear();
    s.BindAll(std::int64_t(level), std::string_view(name));
    while (s.Step()) records.push_back(ListedStateOf(s));
    const bool failed = s.Failed();
    s.Reset();
    return !failed;
}

bool SqliteLedgerTransaction::PlaceOf(std::int64_t id, std::optional<RecordPlace>& place) {
    SqliteStatement& s = m_statements->placeOf;
    s.BindAll(id);
    bool row = false;
    if (!s.RunOnce(row)) return false;
    place.reset();
    if (row) place = RecordPlaceOf(s, id);
    s.Reset();
    return true;
}

bool SqliteLedgerTransaction::DayOf(std::int64_t id, std::optional<std::int64_t>& day) {
    m_statements->dayOf.BindAll(id);
    return findId(m_statements->dayOf, day);
}

bool SqliteLedgerTransaction::DailyPlaceOf(std::int64_t id, std::optional<DailyPlace>& place) {
    SqliteStatement& s = m_statements->dailyPlaceOf;
    s.BindAll(id);
    bool row = false;
    if (!s.RunOnce(row)) return false;
    place.reset();
    if (row) place = DailyPlace{s.Int64(0), std::int32_t(s.Int64(1)), s.Flag(2)};
    s.Reset();
    return true;
}

bool SqliteLedgerTransaction::DailyListedOfName(std::int64_t day, const std::string& name,
                                                std::vector<ListedState>& records) {
    SqliteStatement& s = m_statements->dailyListedOfName;
    records.clear();
    s.BindAll(day, std::string_view(name));
    while (s.Step()) records.push_back(ListedStateOf(s));
    const bool failed = s.Failed();
    s.Reset();
    return !failed;
}

bool SqliteLedgerTransaction::SumNodes(int level, Listing listing, const std::vector<std::int64_t>& nodes,
                                       std::int64_t& sum) {
    assert(int(nodes.size()) <= kMaxSummedNodes);
    SqliteStatement& s = m_statements->sumNodes;
    s.BindAll(std::int64_t(level), std::int64_t(listing));
    for (int i = 0; i < kMaxSummedNodes; ++i)
        s.Bind(3 + i, i < int(nodes.size()) ? nodes[std::size_t(i)] : std::int64_t(0));
    return count(s, sum);
}

bool SqliteLedgerTransaction::LaterTies(int level, Listing listing, std::int32_t score, std::int64_t id,
                                        std::int64_t& result) {
    SqliteStatement& s = m_statements->laterTies[std::size_t(listing)];
    s.BindAll(std::int64_t(level), std::int64_t(score), id);
    return count(s, result);
}

bool SqliteLedgerTransaction::AddCounts(const RankTreeChanges& changes) {
    Statements& s = *m_statements;
    for (const auto& [key, delta] : changes) {
        s.addToNode.BindAll(delta, std::int64_t(key.level), std::int64_t(key.listing), key.node);
        if (!run(s.addToNode)) return false;
        if (sqlite3_changes(m_connection.Handle()) > 0) continue;
        s.newNode.BindAll(std::int64_t(key.level), std::int64_t(key.listing), key.node, delta);
        if (!run(s.newNode)) return false;
    }
    return true;
}

bool SqliteLedgerTransaction::RowAt(int level, Listing listing, std::int64_t offset,
                                    std::optional<RowKey>& result) {
    SqliteStatement& s = m_statements->rowAt[std::size_t(listing)];
    s.BindAll(std::int64_t(level), offset);
    bool row = false;
    if (!s.RunOnce(row)) return false;
    result.reset();
    if (row) result = RowKey{std::int32_t(s.Int64(0)), s.Int64(1)};
    s.Reset();
    return true;
}

bool SqliteLedgerTransaction::Rows(int level, Listing listing, std::int64_t count, std::int64_t offset,
                                   std::vector<RankedRecord>& rows) {
    SqliteStatement& s = m_statements->rows[std::size_t(listing)];
    s.BindAll(std::int64_t(level), count, offset);
    while (s.Step()) rows.push_back(RankedRecordOf(s));
    const bool failed = s.Failed();
    s.Reset();
    return !failed;
}

bool SqliteLedgerTransaction::BumpVersion(int level) {
    m_statements->bumpVersion.BindAll(std::int64_t(level));
    return run(m_statements->bumpVersion);
}

bool SqliteLedgerTransaction::Versions(std::vector<LevelVersion>& versions) {
    SqliteStatement& s = m_statements->versions;
    s.Reset();
    while (s.Step()) versions.push_back(LevelVersion{int(s.Int64(0)), s.Int64(1)});
    const bool failed = s.Failed();
    s.Reset();
    return !failed;
}

bool SqliteLedgerTransaction::Owner(std::int64_t id, std::optional<LevelAndName>& owner) {
    SqliteStatement& s = m_statements->owner;
    s.BindAll(id);
    bool row = false;
    if (!s.RunOnce(row)) return false;
    owner.reset();
    if (row) owner = LevelAndName{int(s.Int64(0)), s.Text(1)};
    s.Reset();
    return true;
}

bool SqliteLedgerTransaction::VerifiedReplaysAfter(std::int64_t afterId, std::size_t count,
                                                   std::vector<VerifiedReplay>& records) {
    SqliteStatement& s = m_statements->verifiedReplays;
    records.clear();
    s.BindAll(afterId, std::int64_t(count));
    while (s.Step())
        records.push_back(
            VerifiedReplay{s.Int64(0), int(s.Int64(1)), std::int32_t(s.Int64(2)), s.Text(3), s.Text(4)});
    const bool failed = s.Failed();
    s.Reset();
    return !failed;
}

bool SqliteLedgerTransaction::VerificationOf(std::int64_t id, std::optional<Verification>& verification) {
    SqliteStatement& s = m_statements->verificationOf;
    s.BindAll(id);
    bool row = false;
    if (!s.RunOnce(row)) return false;
    verification.reset();
    if (row) verification = Verification{RecordState{s.Flag(0), s.Text(1)}, s.Text(2), s.Text(3)};
    s.Reset();
    return true;
}

bool SqliteLedgerTransaction::SetVerification(std::int64_t id, const Verification& v) {
    m_statements->setVerification.BindAll(id, std::int64_t(v.state.verified ? 1 : 0),
                                          std::string_view(v.state.reason), std::string_view(v.replayHash),
                                          std::string_view(v.board));
    return run(m_statements->setVerification);
}

bool SqliteLedgerTransaction::Hide(std::int64_t id, bool hidden) {
    m_statements->hide.BindAll(id, std::int64_t(hidden ? 1 : 0));
    return run(m_statements->hide);
}

bool SqliteLedgerTransaction::Remove(std::int64_t id) {
    m_statements->remove.BindAll(id);
    return run(m_statements->remove);
}

bool SqliteLedgerTransaction::BeginImport() {
    if (m_import) return true;
    auto s = std::make_unique<ImportStatements>();
    sqlite3* db = m_connection.Handle();
    std::string error;
    // Imports write all over the indexes: a large page cache keeps them off the disk.
    if (!m_connection.Execute(kImportCacheSql, error) || !s->equal.Prepare(db, kEqualRecordsSql, error) ||
        !s->insert.Prepare(db, kImportInsertSql, error) || !s->addReport.Prepare(db, kImportReportSql, error))
        return false;
    m_import = std::move(s);
    return true;
}

bool SqliteLedgerTransaction::EqualRecords(const std::vector<RecordLine>& lines, std::int64_t storedBefore,
                                           std::vector<std::vector<std::int64_t>>& equal) {
    SqliteStatement& s = m_import->equal;
    equal.assign(lines.size(), {});
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const RecordLine& line = lines[i];
        s.BindAll(std::int64_t(line.level), std::string_view(line.name), std::int64_t(line.score),
                  StartOfUtcDay(line.publishedAt), storedBefore);
        while (s.Step()) equal[i].push_back(s.Int64(0));
        const bool failed = s.Failed();
        s.Reset();
        if (failed) return false;
    }
    return true;
}

bool SqliteLedgerTransaction::ReserveIds(std::size_t n, std::vector<std::int64_t>& ids) {
    // The writer holds the file's write lock: nobody else takes these ids meanwhile.
    std::int64_t largest = 0;
    m_statements->largestId.Reset();
    if (!count(m_statements->largestId, largest)) return false;
    ids.resize(n);
    for (std::size_t i = 0; i < n; ++i) ids[i] = largest + 1 + std::int64_t(i);
    return true;
}

bool SqliteLedgerTransaction::InsertImported(const std::vector<ImportedRow>& rows) {
    ImportStatements& s = *m_import;
    for (const ImportedRow& r : rows) {
        const RecordLine& line = *r.line;
        s.insert.BindAll(r.id, std::int64_t(line.level), std::int64_t(line.score),
                         std::string_view(line.name), line.publishedAt, std::int64_t(r.listed ? 1 : 0),
                         std::string_view(kImportedReason));
        s.addReport.BindAll(std::string_view(r.report), r.id);
        if (!run(s.insert) || !run(s.addReport)) return false;
    }
    return true;
}

bool SqliteLedgerTransaction::Unlist(const std::vector<std::int64_t>& ids) {
    for (const std::int64_t id : ids) {
        m_statements->unlistOne.BindAll(id);
        if (!run(m_statements->unlistOne)) return false;
    }
    return true;
}

} // namespace server
