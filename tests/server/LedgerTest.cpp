// The ledger's rules over each dialect's statements, and what the two stores make of the
// ledger's policies: refusals before any store is asked, the versions' margin, the rank
// counted in the transaction or after it.
#include <gtest/gtest.h>

#include <pqxx/pqxx>

#include <functional>
#include <memory>

#include "TestDatabase.hpp"
#include "server/Ledger.hpp"
#include "server/ListingSql.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/PostgresLedgerTransaction.hpp"
#include "server/SqliteConnection.hpp"
#include "server/SqliteLedgerTransaction.hpp"

using namespace server;

namespace {

NewRecord record(int level, std::int32_t score, const std::string& name) {
    NewRecord r;
    r.level = level;
    r.score = score;
    r.name = name;
    r.report = std::to_string(score) + '\t' + std::to_string(level) + '\t' + name;
    r.receivedAt = 1000;
    return r;
}

constexpr LedgerPolicy kExact{0, PublishRank::InTransaction};
constexpr LedgerPolicy kWithMargin{16, PublishRank::InTransaction};

TEST(ListingSql, WritesOneTemplateForEitherTable) {
    const char* sql = "UPDATE r SET {listed} = 1 WHERE {listed} = 0 AND hidden = 0{verified} LIMIT 3";
    EXPECT_EQ(ListingSql(sql, Listing::All, " AND verified = 1"),
              "UPDATE r SET listed = 1 WHERE listed = 0 AND hidden = 0 LIMIT 3");
    EXPECT_EQ(
        ListingSql(sql, Listing::Verified, " AND verified = 1"),
        "UPDATE r SET listed_verified = 1 WHERE listed_verified = 0 AND hidden = 0 AND verified = 1 LIMIT 3");
    EXPECT_EQ(ListingSql("SELECT 1", Listing::Verified, " AND verified"), "SELECT 1");
    // A day's table is picked by its day, and lists verified records only.
    EXPECT_EQ(ListingSql("SELECT id FROM r WHERE {table} = ?1 AND {listed} = 1{verified}", Listing::Daily,
                         " AND verified = 1"),
              "SELECT id FROM r WHERE daily_day = ?1 AND listed_daily = 1 AND verified = 1");
    EXPECT_EQ(ListingSql("WHERE {table} = ?1", Listing::Verified, ""), "WHERE level = ?1");
}

TEST(Refusals, ANegativeScoreOrALevelOutsideOneToThreeIsRefused) {
    EXPECT_FALSE(RefusePublish(record(1, 0, "a")));
    EXPECT_FALSE(RefusePublish(record(3, 2'147'483'647, "a")));
    const std::optional<Error> negative = RefusePublish(record(2, -1, "a"));
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->message, "cannot store the record: the score -1 is negative");
    for (const int level : {0, 4, -1}) {
        const std::optional<Error> refused = RefusePublish(record(level, 5, "a"));
        ASSERT_TRUE(refused) << level;
        EXPECT_EQ(refused->message, "cannot store the record: there is no level " + std::to_string(level));
    }
}

TEST(Refusals, AnImportIsRefusedForItsFirstBadLine) {
    EXPECT_FALSE(RefuseImport({}));
    EXPECT_FALSE(RefuseImport({{1, 5, "a", 0}, {3, 0, "b", 0}}));
    const std::optional<Error> refused = RefuseImport({{1, 5, "a", 0}, {4, 5, "b", 0}, {1, -3, "c", 0}});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->message, "cannot import the records: there is no level 4");
    const std::optional<Error> negative = RefuseImport({{2, -3, "c", 0}});
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->message, "cannot import the records: the score -3 is negative");
}

// A record whose replay the server verified; `game` stands for the replay.
NewRecord verified(int level, std::int32_t score, const std::string& name, const std::string& game) {
    NewRecord r = record(level, score, name);
    r.check.verified = true;
    r.check.reason.clear();
    r.check.replay = "R" + game;
    r.check.replayHash = std::string(64 - game.size(), '0') + game;
    r.check.board = "board of " + game;
    return r;
}

// A real transaction whose `failAt`th statement fails (0 for the first) and every later one,
// counting the calls.
class FailingTransaction final : public LedgerTransaction {
public:
    FailingTransaction(LedgerTransaction& real, int failAt) : m_real(real), m_failAt(failAt) {}
    int calls = 0;

    std::string FailureReason() const override { return "failed at call " + std::to_string(m_failAt); }
    bool LockName(int l, const std::string& n) override { return Go() && m_real.LockName(l, n); }
    bool LockReplay(const std::string& h) override { return Go() && m_real.LockReplay(h); }
    bool FindReport(const std::string& r, std::optional<std::int64_t>& id) override {
        return Go() && m_real.FindReport(r, id);
    }
    bool StateOf(std::int64_t id, std::optional<RecordState>& s) override {
        return Go() && m_real.StateOf(id, s);
    }
    bool FindVerifiedReplay(const std::string& h, std::optional<std::int64_t>& id) override {
        return Go() && m_real.FindVerifiedReplay(h, id);
    }
    bool Insert(const RecordRow& row, std::int64_t& id) override { return Go() && m_real.Insert(row, id); }
    bool AddReport(const std::string& r, std::int64_t id) override { return Go() && m_real.AddReport(r, id); }
    bool ListBest(int l, const std::string& n, Listing listing, int limit) override {
        return Go() && m_real.ListBest(l, n, listing, limit);
    }
    bool ListedOfName(int l, const std::string& n, std::vector<ListedState>& r) override {
        return Go() && m_real.ListedOfName(l, n, r);
    }
    bool PlaceOf(std::int64_t id, std::optional<RecordPlace>& p) override {
        return Go() && m_real.PlaceOf(id, p);
    }
    bool DayOf(std::int64_t id, std::optional<std::int64_t>& d) override {
        return Go() && m_real.DayOf(id, d);
    }
    bool DailyPlaceOf(std::int64_t id, std::optional<DailyPlace>& p) override {
        return Go() && m_real.DailyPlaceOf(id, p);
    }
    bool DailyListedOfName(std::int64_t d, const std::string& n, std::vector<ListedState>& r) override {
        return Go() && m_real.DailyListedOfName(d, n, r);
    }
    bool SumNodes(int l, Listing listing, const std::vector<std::int64_t>& nodes,
                  std::int64_t& sum) override {
        return Go() && m_real.SumNodes(l, listing, nodes, sum);
    }
    bool LaterTies(int l, Listing listing, std::int32_t s, std::int64_t id, std::int64_t& c) override {
        return Go() && m_real.LaterTies(l, listing, s, id, c);
    }
    bool AddCounts(const RankTreeChanges& c) override { return Go() && m_real.AddCounts(c); }
    bool RowAt(int l, Listing listing, std::int64_t o, std::optional<RowKey>& r) override {
        return Go() && m_real.RowAt(l, listing, o, r);
    }
    bool Rows(int l, Listing listing, std::int64_t c, std::int64_t o, std::vector<RankedRecord>& r) override {
        return Go() && m_real.Rows(l, listing, c, o, r);
    }
    bool BumpVersion(int l) override { return Go() && m_real.BumpVersion(l); }
    bool Versions(std::vector<LevelVersion>& v) override { return Go() && m_real.Versions(v); }
    bool VerifiedReplaysAfter(std::int64_t after, std::size_t n, std::vector<VerifiedReplay>& r) override {
        return Go() && m_real.VerifiedReplaysAfter(after, n, r);
    }
    bool VerificationOf(std::int64_t id, std::optional<Verification>& v) override {
        return Go() && m_real.VerificationOf(id, v);
    }
    bool SetVerification(std::int64_t id, const Verification& v) override {
        return Go() && m_real.SetVerification(id, v);
    }
    bool Owner(std::int64_t id, std::optional<LevelAndName>& o) override {
        return Go() && m_real.Owner(id, o);
    }
    bool Hide(std::int64_t id, bool h) override { return Go() && m_real.Hide(id, h); }
    bool Remove(std::int64_t id) override { return Go() && m_real.Remove(id); }
    bool BeginImport() override { return Go() && m_real.BeginImport(); }
    bool EqualRecords(const std::vector<RecordLine>& lines, std::int64_t before,
                      std::vector<std::vector<std::int64_t>>& equal) override {
        return Go() && m_real.EqualRecords(lines, before, equal);
    }
    bool ReserveIds(std::size_t n, std::vector<std::int64_t>& ids) override {
        return Go() && m_real.ReserveIds(n, ids);
    }
    bool InsertImported(const std::vector<ImportedRow>& rows) override {
        return Go() && m_real.InsertImported(rows);
    }
    bool Unlist(const std::vector<std::int64_t>& ids) override { return Go() && m_real.Unlist(ids); }

private:
    // Whether the call goes on to the database.
    bool Go() { return calls++ < m_failAt; }
    LedgerTransaction& m_real;
    int m_failAt;
};

// A fresh database set up by its store, and the dialect's statements on a connection of
// their own, for running the ledger directly.
class LedgerTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(m_database);
        auto opened = OpenRecordStore(m_database.Url());
        ASSERT_TRUE(opened) << opened.error();
        m_store = std::move(*opened);
    }

    // Runs `body` in one transaction of the backend's dialect, committed or rolled back.
    void InTransaction(const std::function<void(LedgerTransaction&)>& body, bool commit = true) {
        if (GetParam() == Backend::Sqlite) {
            const std::string path = m_database.Url().substr(std::string("sqlite://").size());
            auto connection = SqliteConnection::Open(path, false);
            ASSERT_TRUE(connection) << connection.error();
            SqliteLedgerTransaction tx(**connection);
            std::string error;
            ASSERT_TRUE(tx.Prepare(error)) << error;
            ASSERT_TRUE((*connection)->Execute("BEGIN IMMEDIATE", error)) << error;
            body(tx);
            ASSERT_TRUE((*connection)->Execute(commit ? "COMMIT" : "ROLLBACK", error)) << error;
            return;
        }
        pqxx::connection connection(m_database.Url());
        PostgresLedgerTransaction::Prepare(connection);
        pqxx::work work(connection);
        PostgresLedgerTransaction tx(work);
        body(tx);
        if (commit) work.commit();
    }

    Published PublishWith(const Ledger& ledger, const NewRecord& r) {
        Published published;
        InTransaction([&](LedgerTransaction& tx) {
            const Expected<Published> result = ledger.PublishIn(tx, r);
            ASSERT_TRUE(result) << result.error();
            published = *result;
        });
        return published;
    }

    std::int64_t Version(int level) {
        const Expected<std::vector<std::int64_t>> versions = m_store->TableVersions();
        EXPECT_TRUE(versions) << versions.error();
        return versions ? (*versions)[std::size_t(level - kFirstLevel)] : -1;
    }

    // `count` records on the level of distinct names, scores 1000 and up.
    void Fill(int level, int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(m_store->Publish(record(level, 1000 + i, "filler " + std::to_string(i))));
    }

    TestDatabase m_database{GetParam()};
    std::unique_ptr<RecordStore> m_store;
};

TEST_P(LedgerTest, RanksTheRecordInItsTransactionAndKeepsTenPerName) {
    const Ledger ledger(kExact, Listing::All);
    for (int score = 10; score >= 1; --score)
        EXPECT_EQ(PublishWith(ledger, record(1, score * 10, "anna")).result.rank, 11 - score);
    const Published worse = PublishWith(ledger, record(1, 5, "anna"));
    EXPECT_EQ(worse.result.outcome, PublishOutcome::NotListed);
    EXPECT_EQ(worse.result.rank, 0);
    const Published better = PublishWith(ledger, record(1, 55, "anna"));
    EXPECT_EQ(better.result.outcome, PublishOutcome::Stored);
    EXPECT_EQ(better.result.rank, 6);
    const Published again = PublishWith(ledger, record(1, 55, "anna"));
    EXPECT_EQ(again.result.outcome, PublishOutcome::Duplicate);
    EXPECT_EQ(again.id, better.id);
    EXPECT_EQ(again.result.rank, 6);
    // The 10 pushed off: the store's table agrees with the ledger's ranks.
    const auto top = m_store->Top(1, 1, 100);
    ASSERT_TRUE(top) << top.error();
    ASSERT_EQ(top->size(), 10u);
    EXPECT_EQ(top->back().score, 20);
}

TEST_P(LedgerTest, LeavesTheRankToTheStoreWhenItCountsItAfterTheCommit) {
    const Ledger ledger({0, PublishRank::AfterCommit}, Listing::All);
    const Published published = PublishWith(ledger, record(2, 7, "bob"));
    EXPECT_EQ(published.result.outcome, PublishOutcome::Stored);
    EXPECT_EQ(published.result.rank, 0);
    InTransaction([&](LedgerTransaction& tx) {
        const Expected<std::int64_t> rank = ledger.RankIn(tx, published.id);
        ASSERT_TRUE(rank) << rank.error();
        EXPECT_EQ(*rank, 1);
    });
}

TEST_P(LedgerTest, AChangeOfNoRecordFindsNothingAndAHideIsUndoneByShowing) {
    const Ledger ledger(kExact, Listing::All);
    const Published first = PublishWith(ledger, record(3, 9, "a"));
    const Published second = PublishWith(ledger, record(3, 8, "b"));
    InTransaction([&](LedgerTransaction& tx) {
        const Expected<bool> none = ledger.ChangeIn(tx, first.id + second.id + 100, RecordChange::Hide);
        ASSERT_TRUE(none) << none.error();
        EXPECT_FALSE(*none);
        const Expected<bool> hidden = ledger.ChangeIn(tx, first.id, RecordChange::Hide);
        ASSERT_TRUE(hidden && *hidden);
        EXPECT_EQ(*ledger.RankIn(tx, first.id), 0);
        EXPECT_EQ(*ledger.RankIn(tx, second.id), 1);
        ASSERT_TRUE(*ledger.ChangeIn(tx, first.id, RecordChange::Show));
        EXPECT_EQ(*ledger.RankIn(tx, first.id), 1);
        EXPECT_EQ(*ledger.RankIn(tx, second.id), 2);
        ASSERT_TRUE(*ledger.ChangeIn(tx, second.id, RecordChange::Delete));
        EXPECT_FALSE(*ledger.ChangeIn(tx, second.id, RecordChange::Delete));
    });
}

TEST_P(LedgerTest, AnImportBatchRanksAnEarlierLineAboveALaterOneOfTheSameScore) {
    const Ledger ledger(kExact, Listing::All);
    ImportProgress progress;
    InTransaction([&](LedgerTransaction& tx) {
        const Expected<bool> stored =
            ledger.ImportIn(tx, {{2, 50, "first", 0}, {2, 50, "second", 0}}, progress);
        ASSERT_TRUE(stored) << stored.error();
    });
    EXPECT_EQ(progress.imported, 2);
    const auto top = m_store->Top(2, 1, 10);
    ASSERT_TRUE(top) << top.error();
    ASSERT_EQ(top->size(), 2u);
    EXPECT_EQ((*top)[0].name, "first");
    EXPECT_GT((*top)[0].id, (*top)[1].id);
}

TEST_P(LedgerTest, AMarginRenewsTheVersionForRowsJustBelowTheFirst) {
    // Each policy on a level of its own: level 1 exact, level 2 with the margin.
    for (const int level : {1, 2}) {
        const LedgerPolicy policy = level == 1 ? kExact : kWithMargin;
        const Ledger ledger(policy, Listing::All);
        Fill(level, kVersionedRows + 20);
        // Rank 116, then rank 101 above it: within a margin of 16, outside the first 100.
        for (const int rank : {kVersionedRows + 16, kVersionedRows + 1}) {
            const std::int64_t before = Version(level);
            // The fillers score 1000 to 1119: an equal score ranks above the earlier filler.
            const std::int32_t score = 1000 + kVersionedRows + 20 - rank;
            const Published published = PublishWith(ledger, record(level, score, "p" + std::to_string(rank)));
            EXPECT_EQ(published.result.rank, rank);
            EXPECT_EQ(Version(level) - before, level == 1 ? 0 : 1) << rank;
        }
        const std::int64_t before = Version(level);
        EXPECT_EQ(PublishWith(ledger, record(level, 0, "far below")).result.rank, kVersionedRows + 23);
        EXPECT_EQ(Version(level), before);
    }
}

TEST_P(LedgerTest, TheVerifiedTableCountsVerifiedRecordsAndEachReplayOnce) {
    const Ledger ledger(kExact, Listing::Verified);
    const Published first = PublishWith(ledger, verified(1, 40, "a", "game1"));
    EXPECT_EQ(first.result.outcome, PublishOutcome::Stored);
    EXPECT_EQ(first.result.rank, 1);
    EXPECT_TRUE(first.result.verified);
    const Published copy = PublishWith(ledger, verified(1, 40, "b", "game1"));
    EXPECT_FALSE(copy.result.verified);
    EXPECT_EQ(copy.result.reason, SameReplayReason(first.id));
    EXPECT_EQ(copy.result.outcome, PublishOutcome::NotListed);
    const Published unverified = PublishWith(ledger, record(1, 90, "c"));
    EXPECT_EQ(unverified.result.outcome, PublishOutcome::NotListed);
    EXPECT_EQ(unverified.result.rank, 0);
    // The table of all records has all three, the copy and the unverified one with no board.
    InTransaction([&](LedgerTransaction& tx) {
        const Expected<std::vector<RankedRecord>> all = Ledger(kExact, Listing::All).TopIn(tx, 1, 1, 10);
        ASSERT_TRUE(all) << all.error();
        ASSERT_EQ(all->size(), 3u);
        EXPECT_EQ((*all)[0].name, "c");
        EXPECT_EQ((*all)[1].name, "b");
        EXPECT_EQ((*all)[1].board, "");
        EXPECT_EQ((*all)[2].board, "board of game1");
        const Expected<std::vector<RankedRecord>> mine = ledger.TopIn(tx, 1, 1, 10);
        ASSERT_TRUE(mine && mine->size() == 1u);
        EXPECT_EQ((*mine)[0].rank, 1);
        EXPECT_EQ((*mine)[0].name, "a");
    });
}

TEST_P(LedgerTest, AnImportRunAgainSkipsWhatTheFirstRunStored) {
    const Ledger ledger(kExact, Listing::All);
    const std::vector<RecordLine> lines{{1, 5, "a", 86'400}, {1, 5, "a", 86'400}, {3, 7, "b", 0}};
    ImportProgress first;
    InTransaction([&](LedgerTransaction& tx) { ASSERT_TRUE(ledger.ImportIn(tx, lines, first)); });
    EXPECT_EQ(first.imported, 3);
    ImportProgress again;
    again.storedBefore = *m_store->LargestRecordId();
    std::vector<RecordLine> more = lines;
    more.push_back({1, 5, "a", 86'400 + 3'600});
    InTransaction([&](LedgerTransaction& tx) { ASSERT_TRUE(ledger.ImportIn(tx, more, again)); });
    EXPECT_EQ(again.skipped, 3);
    EXPECT_EQ(again.imported, 1) << "the third equal line stands for no stored record";
    EXPECT_EQ(m_store->List({})->size(), 4u);
}

TEST_P(LedgerTest, StopsAtTheFirstFailedStatementAndGivesItsReason) {
    const Ledger ledger(kWithMargin, Listing::All);
    const std::int64_t id = PublishWith(ledger, record(1, 10, "anna")).id;
    const std::vector<std::function<Expected<bool>(LedgerTransaction&)>> operations{
        [&](LedgerTransaction& tx) {
            const Expected<Published> published = ledger.PublishIn(tx, verified(1, 20, "anna", "g"));
            return published ? Expected<bool>(true) : Error{published.error()};
        },
        [&](LedgerTransaction& tx) {
            const Expected<std::int64_t> rank = ledger.RankIn(tx, id);
            return rank ? Expected<bool>(true) : Error{rank.error()};
        },
        [&](LedgerTransaction& tx) { return ledger.ChangeIn(tx, id, RecordChange::Hide); },
        [&](LedgerTransaction& tx) {
            ImportProgress progress;
            progress.storedBefore = id;
            return ledger.ImportIn(tx, {{2, 3, "b", 0}, {1, 10, "anna", 0}}, progress);
        },
    };
    // Every statement of each operation fails in its turn, until the operation runs through.
    for (std::size_t operation = 0; operation < operations.size(); ++operation) {
        for (int failAt = 0;; ++failAt) {
            ASSERT_LT(failAt, 100);
            int calls = 0;
            bool done = false;
            InTransaction([&](LedgerTransaction& real) {
                FailingTransaction tx(real, failAt);
                const Expected<bool> result = operations[operation](tx);
                calls = tx.calls;
                done = bool(result);
                if (!result) {
                    EXPECT_EQ(result.error(), "failed at call " + std::to_string(failAt)) << operation;
                }
            });
            if (done) {
                EXPECT_LE(calls, failAt) << operation << ": a failed statement went unnoticed";
                EXPECT_GT(failAt, 1) << operation;
                break;
            }
            EXPECT_EQ(calls, failAt + 1) << operation << ": the failed statement is the last";
        }
    }
}

// The verdicts of the current rules on stored verified records: each game verified for its
// first publisher, a replay that no longer verifies unverified for the rules' reason.
TEST_P(LedgerTest, AReverifyFailsAtEachStatementInTurnAndThenGivesEachGameToItsFirstRecord) {
    const Ledger ledger(kWithMargin, Listing::Verified);
    const Published first = PublishWith(ledger, verified(1, 40, "a", "old1"));
    const Published copy = PublishWith(ledger, verified(1, 40, "b", "old2"));
    // Published after the upgrade: it holds the game under its new hash already.
    const NewRecord taken = verified(1, 30, "c", "game");
    const Published later = PublishWith(ledger, taken);
    const Published padded = PublishWith(ledger, verified(2, 50, "d", "old3"));
    auto recheck = [](const Published& p, int level, std::int32_t score, const std::string& name, bool ok) {
        Recheck r{VerifiedReplay{p.id, level, score, name, "R" + name}, ReplayCheck{}};
        r.check.replay = r.record.replay;
        if (!ok) {
            r.check.reason = "the replay goes on for 7 frames after its game ended";
            return r;
        }
        r.check.verified = true;
        r.check.reason.clear();
        r.check.replayHash = verified(1, 1, "", "game").check.replayHash;
        r.check.board = "board of the game";
        return r;
    };
    // In no order: the ledger takes them by id.
    const std::vector<Recheck> batch{recheck(padded, 2, 50, "d", false), recheck(copy, 1, 40, "b", true),
                                     recheck(first, 1, 40, "a", true)};
    const std::vector<std::int64_t> before{Version(1), Version(2)};

    for (int failAt = 0;; ++failAt) {
        ASSERT_LT(failAt, 200);
        int calls = 0;
        bool done = false;
        ReverifyCounts counts;
        InTransaction(
            [&](LedgerTransaction& real) {
                FailingTransaction tx(real, failAt);
                const Expected<bool> result = ledger.ReverifyIn(tx, batch, counts);
                calls = tx.calls;
                done = bool(result);
                if (!result) {
                    EXPECT_EQ(result.error(), "failed at call " + std::to_string(failAt));
                    EXPECT_EQ(counts.checked, 0) << "a failed batch counts nothing";
                }
            },
            false);
        if (done) {
            EXPECT_LE(calls, failAt) << "a failed statement went unnoticed";
            break;
        }
        EXPECT_EQ(calls, failAt + 1) << "the failed statement is the last";
    }

    ReverifyCounts counts;
    InTransaction([&](LedgerTransaction& tx) {
        const Expected<bool> result = ledger.ReverifyIn(tx, batch, counts);
        ASSERT_TRUE(result) << result.error();
    });
    EXPECT_EQ(counts.checked, 4);
    EXPECT_EQ(counts.stillVerified, 1);
    EXPECT_EQ(counts.notFaithful, 1);
    EXPECT_EQ(counts.sameGame, 2);
    const Expected<std::vector<StoredRecord>> stored = m_store->List({});
    ASSERT_TRUE(stored) << stored.error();
    std::map<std::int64_t, StoredRecord> byId;
    for (const StoredRecord& r : *stored) byId[r.id] = r;
    EXPECT_TRUE(byId[first.id].verified);
    EXPECT_EQ(byId[copy.id].reason, SameReplayReason(first.id));
    EXPECT_EQ(byId[later.id].reason, SameReplayReason(first.id));
    EXPECT_FALSE(byId[later.id].verified);
    EXPECT_EQ(byId[padded.id].reason, "the replay goes on for 7 frames after its game ended");
    EXPECT_FALSE(byId[padded.id].verified);
    InTransaction([&](LedgerTransaction& tx) {
        const Expected<std::vector<RankedRecord>> one = ledger.TopIn(tx, 1, 1, 10);
        ASSERT_TRUE(one && one->size() == 1u);
        EXPECT_EQ((*one)[0].name, "a");
        EXPECT_EQ((*one)[0].board, "board of the game");
        EXPECT_EQ(*ledger.RankIn(tx, first.id), 1);
        EXPECT_TRUE(ledger.TopIn(tx, 2, 1, 10)->empty());
        EXPECT_EQ(*ledger.RankIn(tx, padded.id), 0);
        // The game is the first record's now: a publish of it is a copy.
        const Expected<Published> again = ledger.PublishIn(tx, verified(1, 30, "e", "game"));
        ASSERT_TRUE(again);
        EXPECT_EQ(again->result.reason, SameReplayReason(first.id));
    });
    EXPECT_GT(Version(1), before[0]);
    EXPECT_GT(Version(2), before[1]);

    // The same verdicts again change nothing.
    const std::vector<std::int64_t> settled{Version(1), Version(2)};
    ReverifyCounts again;
    InTransaction([&](LedgerTransaction& tx) { ASSERT_TRUE(ledger.ReverifyIn(tx, batch, again)); });
    EXPECT_EQ(again.checked, 1) << "only the first record is verified still";
    EXPECT_EQ(again.stillVerified, 1);
    EXPECT_EQ((std::vector<std::int64_t>{Version(1), Version(2)}), settled);
}

// The stores: each keeps its own policy, both refuse what the ledger refuses.

TEST_P(LedgerTest, BothStoresRefuseAnImportOfALevelOutsideOneToThree) {
    ImportProgress progress;
    for (const int level : {0, 4}) {
        const Expected<bool> refused = m_store->Import({{1, 5, "good", 0}, {level, 5, "bad", 0}}, progress);
        ASSERT_FALSE(refused);
        EXPECT_NE(refused.error().find("there is no level " + std::to_string(level)), std::string::npos)
            << refused.error();
    }
    const Expected<bool> negative = m_store->Import({{1, -1, "bad", 0}}, progress);
    ASSERT_FALSE(negative);
    EXPECT_NE(negative.error().find("negative"), std::string::npos) << negative.error();
    EXPECT_EQ(progress.imported, 0);
    EXPECT_TRUE(m_store->List({})->empty()) << "nothing of a refused batch is stored";
}

TEST_P(LedgerTest, BothStoresRefuseAPublishOfALevelOutsideOneToThree) {
    const Expected<PublishResult> refused = m_store->Publish(record(4, 5, "a"));
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("there is no level 4"), std::string::npos) << refused.error();
    EXPECT_TRUE(m_store->List({})->empty());
}

TEST_P(LedgerTest, SqliteRenewsExactlyTheFirstRowsAndPostgresAMarginBelowThem) {
    Fill(1, kVersionedRows + 20);
    const std::int64_t before = Version(1);
    const Expected<PublishResult> published = m_store->Publish(record(1, 1000 + 19, "just below"));
    ASSERT_TRUE(published) << published.error();
    EXPECT_EQ(published->rank, kVersionedRows + 1);
    EXPECT_EQ(Version(1) - before, GetParam() == Backend::Postgres ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, LedgerTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

} // namespace
