#include "PostgresLedgerTransaction.hpp"

#include <pqxx/pqxx>

#include <algorithm>

#include "server/ImportPlan.hpp"
#include "server/ListingSql.hpp"
#include "server/PostgresRow.hpp"
#include "server/RecordRows.hpp"

namespace server {

namespace {

// The statements of either table, written once (see ListingSql); the verified table's are
// prepared under the name with "_verified" added.
constexpr const char* kVerifiedCondition = " AND verified";
constexpr const char* kUnlistSql =
    "UPDATE records SET {listed} = FALSE WHERE {table} = $1 AND name = $2 AND {listed}";
constexpr const char* kRelistSql =
    "UPDATE records SET {listed} = TRUE WHERE id IN (SELECT id FROM records WHERE {table} = $1 AND name = $2 "
    "AND "
    "NOT hidden{verified} ORDER BY score DESC, id DESC LIMIT $3)";
// The row $2 rows below a table's first, found by walking as many entries of its index.
constexpr const char* kRowAtSql =
    "SELECT score, id FROM records WHERE {table} = $1 AND {listed} ORDER BY score DESC, id DESC LIMIT 1 "
    "OFFSET "
    "$2";
constexpr const char* kRowsSql =
    "SELECT score, name, published_at, id, verified, board FROM records WHERE {table} = $1 AND {listed} "
    "ORDER BY score DESC, id DESC LIMIT $2 OFFSET $3";
// The later records of the same score, which rank above: for a new record few or none.
constexpr const char* kLaterTiesSql =
    "SELECT COUNT(*) FROM records WHERE {table} = $1 AND {listed} AND score = $2 AND id > $3";

std::string nameFor(const char* name, Listing listing) {
    switch (listing) {
    case Listing::Verified:
        return std::string(name) + "_verified";
    case Listing::Daily:
        return std::string(name) + "_daily";
    case Listing::All:
        break;
    }
    return name;
}

// Rows are written in the order given, which is node order (see RankTreeChanges).
constexpr const char* kAddCountsSql =
    "INSERT INTO rank_counts (level, listing, node, count) "
    "SELECT c.level, c.listing, c.node, c.count FROM unnest($1::INTEGER[], $2::INTEGER[], $3::BIGINT[], "
    "$4::BIGINT[]) WITH ORDINALITY AS c(level, listing, node, count, n) ORDER BY n "
    "ON CONFLICT (level, listing, node) DO UPDATE SET count = rank_counts.count + EXCLUDED.count";

// Publishes, hides and deletes wait while a batch is written (they insert, update or delete
// and need ROW EXCLUSIVE); pages go on reading. So the batch sees every name's listing as it
// is and takes ids above every stored one.
constexpr const char* kLockForImportSql = "LOCK TABLE records IN SHARE ROW EXCLUSIVE MODE";
// Stored records equal to the lines: same level, name and score, published on the line's day.
constexpr const char* kEqualRecordsSql =
    "SELECT k.n, r.id FROM unnest($1::INTEGER[], $2::INTEGER[], $3::TEXT[], $4::BIGINT[]) WITH ORDINALITY "
    "AS k(level, score, name, day, n) JOIN records r ON r.level = k.level AND r.name = k.name AND "
    "r.score = k.score AND r.published_at >= k.day AND r.published_at < k.day + 86400 AND r.id <= $5 "
    "ORDER BY k.n, r.id";
constexpr const char* kReserveIdsSql =
    "SELECT nextval(pg_get_serial_sequence('records', 'id')) FROM generate_series(1, $1)";
constexpr const char* kListedOfNamesSql =
    "SELECT r.level, r.name, r.id, r.score FROM unnest($1::INTEGER[], $2::TEXT[]) AS k(level, name) "
    "JOIN records r ON r.level = k.level AND r.name = k.name AND r.listed";
constexpr const char* kImportInsertSql =
    "INSERT INTO records (id, level, score, name, published_at, hidden, listed, verified, reason, replay, "
    "replay_hash, board, listed_verified) SELECT u.id, u.level, u.score, u.name, u.at, FALSE, u.listed, "
    "FALSE, "
    "$7, '', '', '', FALSE FROM unnest($1::BIGINT[], $2::INTEGER[], $3::INTEGER[], $4::TEXT[], $5::BIGINT[], "
    "$6::BOOLEAN[]) AS u(id, level, score, name, at, listed)";
// The first record of a report text, the one of the smallest id, keeps it.
constexpr const char* kImportReportsSql =
    "INSERT INTO reports (report, record_id) SELECT * FROM unnest($1::TEXT[], $2::BIGINT[]) AS u(report, id) "
    "ORDER BY u.id ON CONFLICT (report) DO NOTHING";
constexpr const char* kImportUnlistSql = "UPDATE records SET listed = FALSE WHERE id = ANY($1::BIGINT[])";

// A PostgreSQL array literal of integers.
template <class T>
std::string arrayOf(const std::vector<T>& values) {
    std::string text = "{";
    for (std::size_t i = 0; i < values.size(); ++i) text += (i ? "," : "") + std::to_string(values[i]);
    return text + "}";
}

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
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? "," : "") + std::string(values[i] ? "t" : "f");
    return text + "}";
}

// The arguments of kAddCountsSql.
struct CountArrays {
    std::string levels, listings, nodes, counts;
};
CountArrays countArrays(const RankTreeChanges& changes) {
    std::vector<int> levels, listings;
    std::vector<std::int64_t> nodes, counts;
    for (const auto& [key, delta] : changes) {
        levels.push_back(key.level);
        listings.push_back(int(key.listing));
        nodes.push_back(key.node);
        counts.push_back(delta);
    }
    return {arrayOf(levels), arrayOf(listings), arrayOf(nodes), arrayOf(counts)};
}

std::optional<std::int64_t> firstId(const pqxx::result& result) {
    if (result.empty()) return std::nullopt;
    return result[0][0].as<std::int64_t>();
}

} // namespace

void PostgresLedgerTransaction::Prepare(pqxx::connection_base& c) {
    // Changes to one name and level wait for each other, so its listing stays consistent.
    c.prepare("lock_name", "SELECT pg_advisory_xact_lock(hashtext($1::text || ':' || $2::text))");
    // Publishes of one replay wait for each other, so that it is verified for one record only.
    c.prepare("lock_replay", "SELECT pg_advisory_xact_lock(hashtext('replay:' || $1::text))");
    c.prepare("find_report", "SELECT record_id FROM reports WHERE report = $1");
    c.prepare("state_of", "SELECT verified, reason FROM records WHERE id = $1");
    c.prepare("find_replay", "SELECT id FROM records WHERE replay_hash = $1 AND verified");
    c.prepare(
        "insert",
        "INSERT INTO records (level, score, name, published_at, hidden, listed, verified, reason, replay, "
        "replay_hash, board, listed_verified, daily_day, listed_daily) "
        "VALUES ($1, $2, $3, $4, FALSE, FALSE, $5, $6, $7, $8, $9, FALSE, NULLIF($10::INTEGER, -1), FALSE) "
        "RETURNING id");
    c.prepare("add_report", "INSERT INTO reports (report, record_id) VALUES ($1, $2)");
    c.prepare("place_of", "SELECT level, score, listed, listed_verified FROM records WHERE id = $1");
    c.prepare("day_of", "SELECT daily_day FROM records WHERE id = $1 AND daily_day IS NOT NULL");
    c.prepare("daily_place_of",
              "SELECT daily_day, score, listed_daily FROM records WHERE id = $1 AND daily_day IS NOT NULL");
    c.prepare("daily_listed_of_name",
              "SELECT id, score, listed_daily, FALSE FROM records WHERE daily_day = $1 AND name = $2 AND "
              "listed_daily");
    c.prepare("listed_of_name",
              "SELECT id, score, listed, listed_verified FROM records WHERE level = $1 AND name = $2 AND "
              "(listed OR listed_verified)");
    // The records above a score, from at most 31 nodes of the tree.
    // One primary-key lookup per node, whatever the planner believes of the table's size: with
    // `node = ANY(...)` it may scan all of a level's nodes when its statistics are old.
    c.prepare(
        "sum_nodes",
        "SELECT COALESCE(SUM((SELECT r.count FROM rank_counts r WHERE r.level = $1 AND r.listing = $2 AND "
        "r.node = n.node)), 0)::BIGINT FROM unnest($3::BIGINT[]) AS n(node)");
    c.prepare("add_counts", kAddCountsSql);
    c.prepare(
        "verified_replays",
        "SELECT id, level, score, name, replay FROM records WHERE id > $1 AND verified AND replay <> '' "
        "ORDER BY id LIMIT $2");
    c.prepare("verification_of", "SELECT verified, reason, replay_hash, board FROM records WHERE id = $1");
    c.prepare("set_verification",
              "UPDATE records SET verified = $2, reason = $3, replay_hash = $4, board = $5 WHERE id = $1");
    c.prepare("owner", "SELECT level, name FROM records WHERE id = $1");
    c.prepare("hide", "UPDATE records SET hidden = $2 WHERE id = $1");
    c.prepare("remove", "DELETE FROM records WHERE id = $1");
    // The last row a transaction writes: the publishes that wait for it hold no other row.
    c.prepare("bump_version", "UPDATE table_versions SET version = version + 1 WHERE level = $1");
    c.prepare("versions", "SELECT level, version FROM table_versions ORDER BY level");
    for (const Listing listing : {Listing::All, Listing::Verified, Listing::Daily})
        for (const auto& [name, sql] : std::initializer_list<std::pair<const char*, const char*>>{
                 {"unlist", kUnlistSql},
                 {"relist", kRelistSql},
                 {"row_at", kRowAtSql},
                 {"rows", kRowsSql},
                 {"later_ties", kLaterTiesSql},
             })
            c.prepare(nameFor(name, listing), ListingSql(sql, listing, kVerifiedCondition));
}

void PostgresLedgerTransaction::AddCountsUnprepared(pqxx::transaction_base& tx,
                                                    const RankTreeChanges& changes) {
    if (changes.empty()) return;
    const CountArrays a = countArrays(changes);
    tx.exec_params(kAddCountsSql, a.levels, a.listings, a.nodes, a.counts);
}

template <class Body>
bool PostgresLedgerTransaction::Guard(Body body) {
    try {
        body();
        return true;
    } catch (...) {
        m_failure = std::current_exception();
        return false;
    }
}

void PostgresLedgerTransaction::RethrowFailure() const {
    if (m_failure) std::rethrow_exception(m_failure);
}

std::string PostgresLedgerTransaction::FailureReason() const {
    try {
        RethrowFailure();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown failure";
    }
    return "no failure";
}

bool PostgresLedgerTransaction::LockName(int level, const std::string& name) {
    return Guard([&] { m_tx.exec_prepared("lock_name", level, name); });
}

bool PostgresLedgerTransaction::LockReplay(const std::string& replayHash) {
    return Guard([&] { m_tx.exec_prepared("lock_replay", replayHash); });
}

bool PostgresLedgerTransaction::FindReport(const std::string& report, std::optional<std::int64_t>& id) {
    return Guard([&] { id = firstId(m_tx.exec_prepared("find_report", report)); });
}

bool PostgresLedgerTransaction::StateOf(std::int64_t id, std::optional<RecordState>& state) {
    return Guard([&] {
        const pqxx::result r = m_tx.exec_prepared("state_of", id);
        state.reset();
        if (!r.empty()) state = RecordState{r[0][0].as<bool>(), r[0][1].as<std::string>()};
    });
}

bool PostgresLedgerTransaction::FindVerifiedReplay(const std::string& replayHash,
                                                   std::optional<std::int64_t>& id) {
    return Guard([&] { id = firstId(m_tx.exec_prepared("find_replay", replayHash)); });
}

bool PostgresLedgerTransaction::Insert(const RecordRow& r, std::int64_t& id) {
    return Guard([&] {
        id = m_tx.exec_prepared1("insert", r.level, r.score, r.name, r.publishedAt, r.state.verified,
                                 r.state.reason, r.replay, r.replayHash, r.board, r.day.value_or(-1))[0]
                 .as<std::int64_t>();
    });
}

bool PostgresLedgerTransaction::AddReport(const std::string& report, std::int64_t id) {
    return Guard([&] { m_tx.exec_prepared("add_report", report, id); });
}

bool PostgresLedgerTransaction::ListBest(int level, const std::string& name, Listing listing, int limit) {
    return Guard([&] {
        m_tx.exec_prepared(nameFor("unlist", listing), level, name);
        m_tx.exec_prepared(nameFor("relist", listing), level, name, limit);
    });
}

bool PostgresLedgerTransaction::ListedOfName(int level, const std::string& name,
                                             std::vector<ListedState>& records) {
    return Guard([&] {
        records.clear();
        for (const auto& row : m_tx.exec_prepared("listed_of_name", level, name))
            records.push_back(ListedStateOf(PostgresRow{row}));
    });
}

bool PostgresLedgerTransaction::ListedOfNames(const std::vector<LevelAndName>& keys,
                                              std::map<LevelAndName, std::vector<ListedState>>& records) {
    return Guard([&] {
        std::vector<int> levels;
        std::vector<std::string> names;
        for (const auto& [level, name] : keys) levels.push_back(level), names.push_back(name);
        for (const auto& row : m_tx.exec_params(kListedOfNamesSql, arrayOf(levels), textArrayOf(names)))
            records[{row[0].as<int>(), row[1].as<std::string>()}].push_back(
                ListedState{row[2].as<std::int64_t>(), row[3].as<std::int32_t>(), true, false});
    });
}

bool PostgresLedgerTransaction::PlaceOf(std::int64_t id, std::optional<RecordPlace>& place) {
    return Guard([&] {
        const pqxx::result r = m_tx.exec_prepared("place_of", id);
        place.reset();
        if (!r.empty()) place = RecordPlaceOf(PostgresRow{r[0]}, id);
    });
}

bool PostgresLedgerTransaction::DayOf(std::int64_t id, std::optional<std::int64_t>& day) {
    return Guard([&] { day = firstId(m_tx.exec_prepared("day_of", id)); });
}

bool PostgresLedgerTransaction::DailyPlaceOf(std::int64_t id, std::optional<DailyPlace>& place) {
    return Guard([&] {
        const pqxx::result r = m_tx.exec_prepared("daily_place_of", id);
        place.reset();
        if (!r.empty())
            place = DailyPlace{r[0][0].as<std::int64_t>(), r[0][1].as<std::int32_t>(), r[0][2].as<bool>()};
    });
}

bool PostgresLedgerTransaction::DailyListedOfName(std::int64_t day, const std::string& name,
                                                  std::vector<ListedState>& records) {
    return Guard([&] {
        records.clear();
        for (const auto& row : m_tx.exec_prepared("daily_listed_of_name", day, name))
            records.push_back(ListedStateOf(PostgresRow{row}));
    });
}

bool PostgresLedgerTransaction::SumNodes(int level, Listing listing, const std::vector<std::int64_t>& nodes,
                                         std::int64_t& sum) {
    return Guard([&] {
        sum = m_tx.exec_prepared1("sum_nodes", level, int(listing), arrayOf(nodes))[0].as<std::int64_t>();
    });
}

bool PostgresLedgerTransaction::LaterTies(int level, Listing listing, std::int32_t score, std::int64_t id,
                                          std::int64_t& count) {
    return Guard([&] {
        count = m_tx.exec_prepared1(nameFor("later_ties", listing), level, score, id)[0].as<std::int64_t>();
    });
}

bool PostgresLedgerTransaction::AddCounts(const RankTreeChanges& changes) {
    return Guard([&] {
        const CountArrays a = countArrays(changes);
        m_tx.exec_prepared("add_counts", a.levels, a.listings, a.nodes, a.counts);
    });
}

bool PostgresLedgerTransaction::RowAt(int level, Listing listing, std::int64_t offset,
                                      std::optional<RowKey>& row) {
    return Guard([&] {
        const pqxx::result r = m_tx.exec_prepared(nameFor("row_at", listing), level, offset);
        row.reset();
        if (!r.empty()) row = RowKey{r[0][0].as<std::int32_t>(), r[0][1].as<std::int64_t>()};
    });
}

bool PostgresLedgerTransaction::Rows(int level, Listing listing, std::int64_t count, std::int64_t offset,
                                     std::vector<RankedRecord>& rows) {
    return Guard([&] {
        const pqxx::result r = m_tx.exec_prepared(nameFor("rows", listing), level, count, offset);
        rows.reserve(r.size());
        for (const auto& row : r) rows.push_back(RankedRecordOf(PostgresRow{row}));
    });
}

bool PostgresLedgerTransaction::BumpVersion(int level) {
    return Guard([&] { m_tx.exec_prepared("bump_version", level); });
}

bool PostgresLedgerTransaction::Versions(std::vector<LevelVersion>& versions) {
    return Guard([&] {
        for (const auto& row : m_tx.exec_prepared("versions"))
            versions.push_back(LevelVersion{row[0].as<int>(), row[1].as<std::int64_t>()});
    });
}

bool PostgresLedgerTransaction::Owner(std::int64_t id, std::optional<LevelAndName>& owner) {
    return Guard([&] {
        const pqxx::result r = m_tx.exec_prepared("owner", id);
        owner.reset();
        if (!r.empty()) owner = LevelAndName{r[0][0].as<int>(), r[0][1].as<std::string>()};
    });
}

bool PostgresLedgerTransaction::VerifiedReplaysAfter(std::int64_t afterId, std::size_t count,
                                                     std::vector<VerifiedReplay>& records) {
    return Guard([&] {
        records.clear();
        for (const auto& row : m_tx.exec_prepared("verified_replays", afterId, std::int64_t(count)))
            records.push_back(VerifiedReplay{row[0].as<std::int64_t>(), row[1].as<int>(),
                                             row[2].as<std::int32_t>(), row[3].as<std::string>(),
                                             row[4].as<std::string>()});
    });
}

bool PostgresLedgerTransaction::VerificationOf(std::int64_t id, std::optional<Verification>& verification) {
    return Guard([&] {
        const pqxx::result r = m_tx.exec_prepared("verification_of", id);
        verification.reset();
        if (!r.empty())
            verification = Verification{RecordState{r[0][0].as<bool>(), r[0][1].as<std::string>()},
                                        r[0][2].as<std::string>(), r[0][3].as<std::string>()};
    });
}

bool PostgresLedgerTransaction::SetVerification(std::int64_t id, const Verification& v) {
    return Guard([&] {
        m_tx.exec_prepared("set_verification", id, v.state.verified, v.state.reason, v.replayHash, v.board);
    });
}

bool PostgresLedgerTransaction::Hide(std::int64_t id, bool hidden) {
    return Guard([&] { m_tx.exec_prepared("hide", id, hidden); });
}

bool PostgresLedgerTransaction::Remove(std::int64_t id) {
    return Guard([&] { m_tx.exec_prepared("remove", id); });
}

bool PostgresLedgerTransaction::BeginImport() {
    return Guard([&] {
        m_tx.exec(kNoStatementTimeoutSql);
        m_tx.exec(kLockForImportSql);
    });
}

bool PostgresLedgerTransaction::EqualRecords(const std::vector<RecordLine>& lines, std::int64_t storedBefore,
                                             std::vector<std::vector<std::int64_t>>& equal) {
    return Guard([&] {
        std::vector<int> levels, scores;
        std::vector<std::string> names;
        std::vector<std::int64_t> days;
        for (const RecordLine& line : lines) {
            levels.push_back(line.level);
            scores.push_back(line.score);
            names.push_back(line.name);
            days.push_back(StartOfUtcDay(line.publishedAt));
        }
        equal.assign(lines.size(), {});
        for (const auto& row : m_tx.exec_params(kEqualRecordsSql, arrayOf(levels), arrayOf(scores),
                                                textArrayOf(names), arrayOf(days), storedBefore))
            equal[row[0].as<std::size_t>() - 1].push_back(row[1].as<std::int64_t>());
    });
}

bool PostgresLedgerTransaction::ReserveIds(std::size_t count, std::vector<std::int64_t>& ids) {
    return Guard([&] {
        ids.clear();
        for (const auto& row : m_tx.exec_params(kReserveIdsSql, std::int64_t(count)))
            ids.push_back(row[0].as<std::int64_t>());
        std::sort(ids.begin(), ids.end());
    });
}

bool PostgresLedgerTransaction::InsertImported(const std::vector<ImportedRow>& rows) {
    return Guard([&] {
        std::vector<std::int64_t> ids, times;
        std::vector<int> levels, scores;
        std::vector<std::string> names, reports;
        std::vector<bool> listed;
        for (const ImportedRow& r : rows) {
            ids.push_back(r.id);
            levels.push_back(r.line->level);
            scores.push_back(r.line->score);
            names.push_back(r.line->name);
            times.push_back(r.line->publishedAt);
            listed.push_back(r.listed);
            reports.push_back(r.report);
        }
        const std::string idArray = arrayOf(ids);
        m_tx.exec_params(kImportInsertSql, idArray, arrayOf(levels), arrayOf(scores), textArrayOf(names),
                         arrayOf(times), boolArrayOf(listed), std::string(kImportedReason));
        m_tx.exec_params(kImportReportsSql, textArrayOf(reports), idArray);
    });
}

bool PostgresLedgerTransaction::Unlist(const std::vector<std::int64_t>& ids) {
    return Guard([&] { m_tx.exec_params(kImportUnlistSql, arrayOf(ids)); });
}

} // namespace server
