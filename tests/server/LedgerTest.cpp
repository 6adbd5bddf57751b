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

    // Runs `body` in one committed transaction of the backend's dialect.
    void InTransaction(const std::function<void(LedgerTransaction&)>& body) {
        if (GetParam() == Backend::Sqlite) {
            const std::string path = m_database.Url().substr(std::string("sqlite://").size());
            auto connection = SqliteConnection::Open(path, false);
            ASSERT_TRUE(connection) << connection.error();
            SqliteLedgerTransaction tx(**connection);
            std::string error;
            ASSERT_TRUE(tx.Prepare(error)) << error;
            ASSERT_TRUE((*connection)->Execute("BEGIN IMMEDIATE", error)) << error;
            body(tx);
            ASSERT_TRUE((*connection)->Execute("COMMIT", error)) << error;
            return;
        }
        pqxx::connection connection(m_database.Url());
        PostgresLedgerTransaction::Prepare(connection);
        pqxx::work work(connection);
        PostgresLedgerTransaction tx(work);
        body(tx);
        work.commit();
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
