// The storage rules, run against every backend: the game's ordering, ten listed records per
// name and level with none ever deleted by a publish, one copy of a report ever, the operator's
// hide, unhide and delete, and durability across reopening.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include <pqxx/pqxx>
#include <sqlite3.h>

#include "TestDatabase.hpp"
#include "server/OpenRecordStore.hpp"

using namespace server;

namespace {

NewRecord record(int level, std::int32_t score, const std::string& name, std::int64_t at = 1000) {
    NewRecord r;
    r.level = level;
    r.score = score;
    r.name = name;
    r.report = std::to_string(score) + '\t' + std::to_string(level) + '\t' + name;
    r.receivedAt = at;
    return r;
}

// A record whose replay the server verified; `game` stands for the replay.
NewRecord verified(int level, std::int32_t score, const std::string& name, const std::string& game,
                   std::int64_t at = 1000) {
    NewRecord r = record(level, score, name, at);
    r.check.verified = true;
    r.check.reason.clear();
    r.check.replay = "R" + game;
    r.check.replayHash = std::string(64 - game.size(), '0') + game;
    r.check.board = std::string(15 * 17, '0') + "1234567012345670";
    for (std::size_t i = 16; i < r.check.board.size(); i += 17) r.check.board[i] = '/';
    return r;
}

NewRecord failed(int level, std::int32_t score, const std::string& name, const std::string& reason) {
    NewRecord r = record(level, score, name);
    r.check.reason = reason;
    r.check.replay = "AAAA";
    return r;
}

class RecordStoreTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(m_database);
        Reopen();
    }
    void Reopen() {
        m_store.reset();
        auto opened = OpenRecordStore(m_database.Url());
        ASSERT_TRUE(opened) << opened.error();
        m_store = std::move(*opened);
    }
    PublishResult Publish(const NewRecord& r) {
        const Expected<PublishResult> result = m_store->Publish(r);
        EXPECT_TRUE(result) << result.error();
        return result ? *result : PublishResult{};
    }
    std::vector<RankedRecord> Top(int level, int first = 1, int count = 100) {
        const auto rows = m_store->Top(level, first, count);
        EXPECT_TRUE(rows) << rows.error();
        return rows ? *rows : std::vector<RankedRecord>{};
    }
    // "name:score" per row, best first.
    std::vector<std::string> Rows(int level) {
        std::vector<std::string> out;
        for (const RankedRecord& r : Top(level)) out.push_back(r.name + ":" + std::to_string(r.score));
        return out;
    }

    TestDatabase m_database{GetParam()};
    std::unique_ptr<RecordStore> m_store;
};

TEST_P(RecordStoreTest, OrdersByScoreThenLaterFirstWithinOneLevel) {
    Publish(record(1, 50, "a", 1000));
    Publish(record(1, 70, "b", 1001));
    Publish(record(1, 50, "c", 1002));
    Publish(record(2, 999, "other level", 1003));
    EXPECT_EQ(Rows(1), (std::vector<std::string>{"b:70", "c:50", "a:50"}));
    EXPECT_EQ(Rows(2), (std::vector<std::string>{"other level:999"}));
    EXPECT_TRUE(Rows(3).empty());

    const std::vector<RankedRecord> top = Top(1);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0].rank, 1);
    EXPECT_EQ(top[2].rank, 3);
    EXPECT_EQ(top[1].publishedAt, 1002);
}

TEST_P(RecordStoreTest, RanksTheNewRecordAmongItsLevel) {
    EXPECT_EQ(Publish(record(1, 50, "a")).rank, 1);
    EXPECT_EQ(Publish(record(1, 40, "b")).rank, 2);
    // An equal score ranks above the earlier one.
    const PublishResult tie = Publish(record(1, 40, "c"));
    EXPECT_EQ(tie.outcome, PublishOutcome::Stored);
    EXPECT_EQ(tie.rank, 2);
    EXPECT_EQ(Publish(record(2, 1, "d")).rank, 1);
}

TEST_P(RecordStoreTest, RanksAreExactFarDownTheTable) {
    // Past the 10,000th place, where ranks were once no longer counted.
    constexpr int kThreads = 4, kEach = 2'550;
    NewRecord top = record(2, 1'000'000, "top");
    ASSERT_TRUE(m_store->Publish(top));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                ASSERT_TRUE(m_store->Publish(record(2, 100'000 + i, "p" + std::to_string(t) + "-" + std::to_string(i))));
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(Publish(record(2, 100'000 + kEach, "high")).rank, 2);
    EXPECT_EQ(Publish(record(2, 1, "low")).rank, kThreads * kEach + 3);
    // The fourth of four equal scores, published last, ranks first among them.
    EXPECT_EQ(Publish(record(2, 100'000, "tie")).rank, 2 + kThreads * (kEach - 1) + 1);
    EXPECT_EQ(Publish(record(2, 1, "low")).rank, kThreads * kEach + 4) << "the duplicate's own place";
}

TEST_P(RecordStoreTest, ANegativeScoreIsRefusedAndStoresNothing) {
    const Expected<PublishResult> refused = m_store->Publish(record(1, -1, "below zero"));
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("negative"), std::string::npos) << refused.error();
    EXPECT_TRUE(m_store->List({})->empty());
    EXPECT_EQ(Publish(record(1, 0, "zero")).rank, 1);
}

TEST_P(RecordStoreTest, TopStartsAtTheGivenRankAndStopsAtTheCount) {
    for (int i = 1; i <= 25; ++i) Publish(record(3, i, "p" + std::to_string(i)));
    const std::vector<RankedRecord> page = Top(3, 11, 10);
    ASSERT_EQ(page.size(), 10u);
    EXPECT_EQ(page.front().rank, 11);
    EXPECT_EQ(page.front().score, 15);
    EXPECT_EQ(page.back().rank, 20);
    EXPECT_EQ(Top(3, 21, 100).size(), 5u);
    EXPECT_TRUE(Top(3, 26, 10).empty());
}

TEST_P(RecordStoreTest, ListsTenBestRecordsPerNameAndLevelAndDeletesNone) {
    for (int score = 1; score <= 10; ++score) Publish(record(1, score * 10, "anna"));
    Publish(record(1, 5, "bob"));
    Publish(record(2, 1, "anna"));

    const PublishResult eleventhBetter = Publish(record(1, 55, "anna"));
    EXPECT_EQ(eleventhBetter.outcome, PublishOutcome::Stored);
    const PublishResult eleventhWorse = Publish(record(1, 3, "anna"));
    EXPECT_EQ(eleventhWorse.outcome, PublishOutcome::NotListed);
    EXPECT_EQ(eleventhWorse.rank, 0);

    std::vector<std::int32_t> annas;
    for (const RankedRecord& r : Top(1))
        if (r.name == "anna") annas.push_back(r.score);
    EXPECT_EQ(annas, (std::vector<std::int32_t>{100, 90, 80, 70, 60, 55, 50, 40, 30, 20}));
    // Another name and another level keep theirs.
    EXPECT_EQ(Top(1).back().name, "bob");
    EXPECT_EQ(Rows(2), (std::vector<std::string>{"anna:1"}));
    // Every record is still stored: the unlisted ones too.
    EXPECT_EQ(m_store->List({1, std::string("anna")})->size(), 12u);
}

TEST_P(RecordStoreTest, AForgerCannotEraseAPlayersRecords) {
    for (int score = 1; score <= 10; ++score) Publish(record(1, score, "Anna", 1000 + score));
    // Ten forged better scores under her name push hers off the table, but not out of the
    // database: hiding the forgeries brings them back.
    std::vector<std::int64_t> forged;
    for (int score = 1; score <= 10; ++score) Publish(record(1, 1000 + score, "Anna", 2000 + score));
    const Expected<std::vector<StoredRecord>> annas = m_store->List({1, std::string("Anna")});
    ASSERT_TRUE(annas) << annas.error();
    for (const StoredRecord& r : *annas)
        if (r.score > 1000) forged.push_back(r.id);
    ASSERT_EQ(forged.size(), 10u);
    EXPECT_EQ(Top(1).front().score, 1010);
    for (std::size_t i = 0; i < forged.size(); ++i) {
        // Half hidden, half deleted.
        const Expected<bool> done = i % 2 ? m_store->SetHidden(forged[i], true) : m_store->Delete(forged[i]);
        ASSERT_TRUE(done && *done);
    }
    std::vector<std::int32_t> scores;
    for (const RankedRecord& r : Top(1)) scores.push_back(r.score);
    EXPECT_EQ(scores, (std::vector<std::int32_t>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    const Expected<std::vector<StoredRecord>> stored = m_store->List({});
    ASSERT_TRUE(stored) << stored.error();
    const std::vector<StoredRecord>& all = *stored;
    EXPECT_EQ(all.size(), 15u);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const StoredRecord& r) { return r.hidden; }), 5);
    // Shown again, a hidden record is listed again (forged[1] is the 1009, hidden above).
    ASSERT_TRUE(*m_store->SetHidden(forged[1], false));
    EXPECT_EQ(Top(1).front().score, 1009);
    EXPECT_FALSE(*m_store->SetHidden(999999, true));
    EXPECT_FALSE(*m_store->Delete(999999));
}

TEST_P(RecordStoreTest, ListPicksByLevelAndName) {
    Publish(record(1, 5, "a"));
    Publish(record(1, 9, "b"));
    Publish(record(2, 7, "a"));
    const Expected<std::vector<StoredRecord>> stored = m_store->List({});
    ASSERT_TRUE(stored) << stored.error();
    const std::vector<StoredRecord>& all = *stored;
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].score, 9);  // by level, then as ranked
    EXPECT_EQ(all[2].level, 2);
    EXPECT_EQ(m_store->List({2, std::nullopt})->size(), 1u);
    EXPECT_EQ(m_store->List({std::nullopt, std::string("a")})->size(), 2u);
    EXPECT_TRUE(m_store->List({3, std::nullopt})->empty());
}

TEST_P(RecordStoreTest, NamesDifferingInCaseOrSpacesAreDifferentNames) {
    for (int score = 1; score <= 10; ++score) Publish(record(1, score, "Anna"));
    EXPECT_EQ(Publish(record(1, 0, "anna")).outcome, PublishOutcome::Stored);
    EXPECT_EQ(Publish(record(1, 0, "Anna ")).outcome, PublishOutcome::Stored);
    EXPECT_EQ(Top(1).size(), 12u);
}

TEST_P(RecordStoreTest, TheSameReportIsStoredOnceEver) {
    const PublishResult first = Publish(record(2, 300, "kim", 5000));
    const PublishResult again = Publish(record(2, 300, "kim", 5059));
    EXPECT_EQ(first.outcome, PublishOutcome::Stored);
    EXPECT_EQ(again.outcome, PublishOutcome::Duplicate);
    EXPECT_EQ(again.rank, first.rank);
    // Days later it is still the same report.
    EXPECT_EQ(Publish(record(2, 300, "kim", 5000 + 86400 * 30)).outcome, PublishOutcome::Duplicate);
    EXPECT_EQ(Top(2).size(), 1u);
    // Another score, name or level is another report.
    EXPECT_EQ(Publish(record(2, 301, "kim", 5061)).outcome, PublishOutcome::Stored);
    EXPECT_EQ(Publish(record(2, 300, "kim2", 5061)).outcome, PublishOutcome::Stored);
    EXPECT_EQ(Publish(record(3, 300, "kim", 5061)).outcome, PublishOutcome::Stored);
}

TEST_P(RecordStoreTest, NamesAreStoredAsGivenWithoutInterpretation) {
    const std::string tricky = "Robert'); DROP TABLE records;-- <b>\"\\%_\t";
    Publish(record(1, 7, tricky));
    const std::vector<RankedRecord> top = Top(1);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].name, tricky);
}

TEST_P(RecordStoreTest, RecordsSurviveReopening) {
    Publish(record(1, 42, "durable"));
    Reopen();
    EXPECT_EQ(Rows(1), (std::vector<std::string>{"durable:42"}));
    EXPECT_EQ(Publish(record(1, 42, "durable", 99999)).outcome, PublishOutcome::Duplicate);
}

TEST_P(RecordStoreTest, ConcurrentPublishesAreAllStoredAndTheLimitHolds) {
    constexpr int kThreads = 8, kEach = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                // Every thread publishes its own names, and all of them the shared name too.
                EXPECT_TRUE(m_store->Publish(record(1, t * 1000 + i, "t" + std::to_string(t) + "-" + std::to_string(i))));
                EXPECT_TRUE(m_store->Publish(record(2, t * 1000 + i, "shared")));
                EXPECT_TRUE(m_store->Top(1, 1, 10));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(Top(1, 1, 1000).size(), std::size_t(kThreads * kEach));
    const std::vector<RankedRecord> shared = Top(2, 1, 1000);
    ASSERT_EQ(shared.size(), std::size_t(kRecordsPerNameAndLevel));
    EXPECT_EQ(shared.front().score, (kThreads - 1) * 1000 + kEach - 1);
}

TEST_P(RecordStoreTest, TheSameReportFromManyThreadsAtOnceIsStoredOnce) {
    // Publishes that arrive together are written together; the copies of one report in a
    // batch still make one record.
    std::atomic<int> stored{0}, duplicates{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&, t] {
            const Expected<PublishResult> same = m_store->Publish(record(3, 77, "twin", 1000 + t));
            const Expected<PublishResult> own = m_store->Publish(record(3, 100 + t, "own"));
            ASSERT_TRUE(same && own);
            (same->outcome == PublishOutcome::Stored ? stored : duplicates)++;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(stored, 1);
    EXPECT_EQ(duplicates, 15);
    EXPECT_EQ(m_store->List({3, std::nullopt})->size(), 17u);
}

TEST_P(RecordStoreTest, KeepsWhetherARecordIsVerifiedWhyNotAndItsReplay) {
    const PublishResult good = Publish(verified(1, 500, "Anna", "a1"));
    EXPECT_TRUE(good.verified);
    EXPECT_EQ(good.reason, "");
    const PublishResult bad = Publish(failed(1, 600, "Bob", "the score differs: the game ended with 590"));
    EXPECT_FALSE(bad.verified);
    EXPECT_EQ(bad.reason, "the score differs: the game ended with 590");
    EXPECT_EQ(Publish(record(1, 700, "Cy")).reason, "no replay");

    const std::vector<RankedRecord> top = Top(1);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_FALSE(top[0].verified);
    EXPECT_TRUE(top[0].board.empty());
    ASSERT_TRUE(top[2].verified);
    EXPECT_EQ(top[2].board, verified(1, 0, "", "a1").check.board);
    const Expected<std::vector<StoredRecord>> stored = m_store->List({});
    ASSERT_TRUE(stored) << stored.error();
    ASSERT_EQ(stored->size(), 3u);
    EXPECT_EQ((*stored)[1].reason, "the score differs: the game ended with 590");
    EXPECT_TRUE((*stored)[2].verified);

    // Only a verified record's replay can be had, and not while it is hidden.
    const auto replay = m_store->Replay(top[2].id);
    ASSERT_TRUE(replay && *replay);
    EXPECT_EQ((*replay)->replay, "Ra1");
    EXPECT_EQ((*replay)->score, 500);
    EXPECT_EQ((*replay)->level, 1);
    EXPECT_FALSE(*m_store->Replay(top[1].id));
    EXPECT_FALSE(*m_store->Replay(top[0].id));
    EXPECT_FALSE(*m_store->Replay(987654));
    ASSERT_TRUE(*m_store->SetHidden(top[2].id, true));
    EXPECT_FALSE(*m_store->Replay(top[2].id));
    // The same report sent again is the earlier record, verified or not.
    ASSERT_TRUE(*m_store->SetHidden(top[2].id, false));
    const PublishResult again = Publish(record(1, 500, "Anna"));
    EXPECT_EQ(again.outcome, PublishOutcome::Duplicate);
    EXPECT_TRUE(again.verified);
}

TEST_P(RecordStoreTest, AVerifiedReplayCountsForOneRecordWhateverTheName) {
    EXPECT_TRUE(Publish(verified(2, 900, "Anna", "g1")).verified);
    const PublishResult copy = Publish(verified(2, 900, "Thief", "g1"));
    EXPECT_EQ(copy.outcome, PublishOutcome::Stored);
    EXPECT_FALSE(copy.verified);
    EXPECT_NE(copy.reason.find("the same game was published before, as record "), std::string::npos) << copy.reason;
    // Stored and shown, without the mark; its replay is not served.
    const std::vector<RankedRecord> top = Top(2);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].name, "Thief");
    EXPECT_FALSE(top[0].verified);
    EXPECT_FALSE(*m_store->Replay(top[0].id));
    // Once the verified record is deleted the game may verify again.
    ASSERT_TRUE(*m_store->Delete(top[1].id));
    EXPECT_TRUE(Publish(verified(2, 900, "Anna again", "g1")).verified);
}

TEST_P(RecordStoreTest, OneReplayFromManyThreadsAtOnceIsVerifiedOnce) {
    std::atomic<int> verifiedCount{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 12; ++t)
        threads.emplace_back([&, t] {
            const Expected<PublishResult> result = m_store->Publish(verified(3, 400, "n" + std::to_string(t), "same"));
            ASSERT_TRUE(result) << result.error();
            if (result->verified) ++verifiedCount;
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(verifiedCount, 1);
    EXPECT_EQ(m_store->List({3, std::nullopt})->size(), 12u);
}

TEST_P(RecordStoreTest, VerifiedOnlyRanksVerifiedRecordsAndForgeriesPushNoneOff) {
    for (int score = 1; score <= 10; ++score) Publish(verified(1, score * 10, "Anna", "v" + std::to_string(score)));
    // Ten unverified better scores under her name, and other unverified records.
    for (int score = 1; score <= 10; ++score) Publish(record(1, 1000 + score, "Anna"));
    Publish(failed(1, 5000, "Bob", "not finished"));
    Publish(verified(1, 55, "Cy", "c1"));

    m_store->SetVerifiedOnly(true);
    std::vector<std::string> names;
    for (const RankedRecord& r : Top(1)) {
        EXPECT_TRUE(r.verified);
        names.push_back(r.name + ":" + std::to_string(r.score));
    }
    EXPECT_EQ(names.size(), 11u);
    EXPECT_EQ(names.front(), "Anna:100");
    EXPECT_EQ(names[5], "Cy:55");
    // Ranks count verified records only.
    EXPECT_EQ(Publish(verified(1, 65, "Di", "d1")).rank, 5);
    EXPECT_EQ(Publish(record(1, 99999, "Eve")).rank, 0);
    EXPECT_EQ(Publish(record(1, 99999, "Eve")).outcome, PublishOutcome::Duplicate);
    // Unverified records are still stored and listed for the operator.
    EXPECT_EQ(m_store->List({1, std::nullopt})->size(), 24u);

    m_store->SetVerifiedOnly(false);
    EXPECT_EQ(Top(1).front().name, "Eve");
}

TEST_P(RecordStoreTest, ReasonsAndNamesOfAnyTextAreStoredAsGiven) {
    const std::string reason = "Robert'); DROP TABLE records;-- <b> \\ % _ \u00e9 \xc3\xa9";
    Publish(failed(2, 3, "x", reason));
    EXPECT_EQ(m_store->List({})->front().reason, reason);
}

// The ranks the store gives, in publish answers and tables, against a plain count over every
// stored record: each name's ten best records that are not hidden are listed (among verified
// records for verified-only ranking), and a record ranks below every listed better score and
// every later listed equal score.
class RankOracle {
public:
    explicit RankOracle(const std::vector<StoredRecord>& stored) : m_stored(stored) {}

    // The rank of record `id`, or 0 when it is not listed.
    std::int64_t RankOf(std::int64_t id, bool verifiedOnly) const {
        const std::vector<const StoredRecord*> listed = Listed(verifiedOnly);
        const auto it = std::find_if(listed.begin(), listed.end(), [&](const StoredRecord* r) { return r->id == id; });
        if (it == listed.end()) return 0;
        const StoredRecord& me = **it;
        return 1 + std::count_if(listed.begin(), listed.end(), [&](const StoredRecord* r) {
                   return r->level == me.level && (r->score > me.score || (r->score == me.score && r->id > me.id));
               });
    }

private:
    std::vector<const StoredRecord*> Listed(bool verifiedOnly) const {
        std::map<std::pair<int, std::string>, std::vector<const StoredRecord*>> byName;
        for (const StoredRecord& r : m_stored)
            if (!r.hidden && (!verifiedOnly || r.verified)) byName[{r.level, r.name}].push_back(&r);
        std::vector<const StoredRecord*> listed;
        for (auto& [key, records] : byName) {
            std::sort(records.begin(), records.end(), [](const StoredRecord* a, const StoredRecord* b) {
                return a->score != b->score ? a->score > b->score : a->id > b->id;
            });
            for (std::size_t i = 0; i < records.size() && i < std::size_t(kRecordsPerNameAndLevel); ++i)
                listed.push_back(records[i]);
        }
        return listed;
    }

    const std::vector<StoredRecord>& m_stored;
};

TEST_P(RecordStoreTest, RanksOfRandomPublishesHidesAndDeletesAgreeWithAPlainCount) {
    std::mt19937 random(21);
    auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    std::map<std::int64_t, NewRecord> reports;  // by record id, to ask for its rank again
    int game = 0;
    auto storedNow = [&] {
        const Expected<std::vector<StoredRecord>> stored = m_store->List({});
        EXPECT_TRUE(stored) << stored.error();
        return stored ? *stored : std::vector<StoredRecord>{};
    };
    // Every record's rank, asked by publishing its report again, and every table's ranks.
    auto checkAll = [&](const char* when) {
        const std::vector<StoredRecord> stored = storedNow();
        const RankOracle oracle(stored);
        for (const bool verifiedOnly : {false, true}) {
            m_store->SetVerifiedOnly(verifiedOnly);
            for (const StoredRecord& r : stored) {
                const PublishResult again = Publish(reports.at(r.id));
                ASSERT_EQ(again.outcome, PublishOutcome::Duplicate);
                ASSERT_EQ(again.rank, oracle.RankOf(r.id, verifiedOnly))
                    << when << ": record " << r.id << " verified-only " << verifiedOnly;
            }
            for (int level = 1; level <= 2; ++level)
                for (const RankedRecord& row : Top(level, 1, 100'000))
                    ASSERT_EQ(row.rank, oracle.RankOf(row.id, verifiedOnly)) << when;
        }
        m_store->SetVerifiedOnly(false);
    };
    for (int step = 1; step <= 360; ++step) {
        const int action = pick(0, 9);
        const std::vector<StoredRecord> stored = action >= 8 ? storedNow() : std::vector<StoredRecord>{};
        if (action >= 8 && !stored.empty()) {
            // The operator hides, shows again or deletes a random record.
            const StoredRecord& r = stored[std::size_t(pick(0, int(stored.size()) - 1))];
            const int what = pick(0, 2);
            const Expected<bool> changed = what == 2 ? m_store->Delete(r.id) : m_store->SetHidden(r.id, what == 0);
            ASSERT_TRUE(changed && *changed) << (changed ? "" : changed.error());
            if (what == 2) reports.erase(r.id);
        } else {
            // Few names and scores: many ties, and names with far more than ten records.
            const int level = pick(1, 2);
            const std::int32_t score = pick(0, 12) * 10;
            const std::string name = "n" + std::to_string(pick(1, 6));
            NewRecord r = pick(0, 2) == 0 ? verified(level, score, name, "g" + std::to_string(++game))
                                          : record(level, score, name);
            r.report += '\t' + std::to_string(step);
            const bool verifiedOnly = pick(0, 3) == 0;
            m_store->SetVerifiedOnly(verifiedOnly);
            const PublishResult result = Publish(r);
            m_store->SetVerifiedOnly(false);
            const std::vector<StoredRecord> after = storedNow();
            ASSERT_FALSE(after.empty());
            // Ids grow: the new record has the largest.
            const std::int64_t id = std::max_element(after.begin(), after.end(), [](const auto& a, const auto& b) {
                                        return a.id < b.id;
                                    })->id;
            reports[id] = r;
            const std::int64_t expected = RankOracle(after).RankOf(id, verifiedOnly);
            ASSERT_EQ(result.rank, expected) << "publish " << step;
            ASSERT_EQ(result.outcome, expected > 0 ? PublishOutcome::Stored : PublishOutcome::NotListed) << step;
        }
        if (step % 120 == 0) checkAll(("after step " + std::to_string(step)).c_str());
    }
    // The counts are kept in the database: a store opened again ranks the same.
    Reopen();
    checkAll("after reopening");
}

TEST_P(RecordStoreTest, ConcurrentPublishesAndChangesKeepTheCountsExact) {
    // Threads publish on shared names, pushing each other's records off the tables, while the
    // operator hides and deletes: every count change lands once.
    constexpr int kThreads = 6, kEach = 40;
    std::vector<std::thread> threads;
    std::mutex reportsLock;
    std::map<std::int64_t, NewRecord> byTime;  // every record has a time of its own
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            std::mt19937 random{std::uint32_t(t)};
            for (int i = 0; i < kEach; ++i) {
                const std::int64_t at = 1000 + t * kEach + i;
                const std::int32_t score = std::int32_t(random() % 8) * 5;
                const std::string name = "shared" + std::to_string(random() % 3);
                NewRecord r = i % 3 == 0 ? verified(1, score, name, std::to_string(at), at) : record(1, score, name, at);
                r.report += '\t' + std::to_string(at);
                {
                    std::lock_guard lock(reportsLock);
                    byTime[at] = r;
                }
                EXPECT_TRUE(m_store->Publish(r));
                if (t == 0 && i % 4 == 0) {
                    const Expected<std::vector<StoredRecord>> stored = m_store->List({});
                    ASSERT_TRUE(stored && !stored->empty());
                    const std::int64_t id = stored->at(random() % stored->size()).id;
                    EXPECT_TRUE(i % 8 == 0 ? m_store->Delete(id) : m_store->SetHidden(id, true));
                }
            }
        });
    for (std::thread& thread : threads) thread.join();
    const Expected<std::vector<StoredRecord>> stored = m_store->List({});
    ASSERT_TRUE(stored) << stored.error();
    const RankOracle oracle(*stored);
    for (const bool verifiedOnly : {false, true}) {
        m_store->SetVerifiedOnly(verifiedOnly);
        for (const StoredRecord& r : *stored) {
            const PublishResult again = Publish(byTime.at(r.publishedAt));
            ASSERT_EQ(again.outcome, PublishOutcome::Duplicate);
            EXPECT_EQ(again.rank, oracle.RankOf(r.id, verifiedOnly)) << "verified-only " << verifiedOnly;
        }
    }
    m_store->SetVerifiedOnly(false);
}

INSTANTIATE_TEST_SUITE_P(Backends, RecordStoreTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

// Databases made by earlier versions of the server, with records in them: every record is
// kept, unverified for want of a replay, and the tables go on as before.
class MigrationTest : public ::testing::TestWithParam<Backend> {
protected:
    // Runs SQL on the test database directly; false when it failed.
    bool Run(const std::string& sql) {
        if (GetParam() == Backend::Sqlite) {
            sqlite3* db = nullptr;
            const bool ok = sqlite3_open(m_database.Url().substr(9).c_str(), &db) == SQLITE_OK &&
                            sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
            sqlite3_close(db);
            return ok;
        }
        try {
            pqxx::connection c(m_database.Url());
            pqxx::nontransaction(c).exec(sql);
            return true;
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
            return false;
        }
    }
    void ExpectMigrated(std::size_t records) {
        auto opened = OpenRecordStore(m_database.Url());
        ASSERT_TRUE(opened) << opened.error();
        RecordStore& store = **opened;
        const Expected<std::vector<StoredRecord>> stored = store.List({});
        ASSERT_TRUE(stored) << stored.error();
        ASSERT_EQ(stored->size(), records);
        for (const StoredRecord& r : *stored) {
            EXPECT_FALSE(r.verified);
            EXPECT_EQ(r.reason, "no replay");
        }
        const Expected<std::vector<RankedRecord>> top = store.Top(1, 1, 10);
        ASSERT_TRUE(top) << top.error();
        ASSERT_EQ(top->size(), 2u);
        EXPECT_EQ((*top)[0].name, "old best");
        EXPECT_FALSE((*top)[0].verified);
        EXPECT_FALSE(*store.Replay((*top)[0].id));
        // A new verified record is stored beside them; verified-only tables show it alone.
        NewRecord fresh = verified(1, 5, "new", "n1");
        const Expected<PublishResult> published = store.Publish(fresh);
        ASSERT_TRUE(published) << published.error();
        EXPECT_TRUE(published->verified);
        // The old records are counted in the ranks from the first publish on.
        EXPECT_EQ(published->rank, 3);
        EXPECT_EQ(store.Publish(record(1, 41, "middle"))->rank, 2);
        const Expected<PublishResult> duplicate = store.Publish(record(1, 90, "old best"));
        EXPECT_EQ(duplicate->outcome, PublishOutcome::Duplicate);
        EXPECT_EQ(duplicate->rank, 1);
        store.SetVerifiedOnly(true);
        EXPECT_EQ(store.Publish(fresh)->rank, 1);
        ASSERT_EQ(store.Top(1, 1, 10)->size(), 1u);
        EXPECT_EQ(store.Top(1, 1, 10)->front().name, "new");
        // Opening again changes nothing more.
        opened->reset();
        auto again = OpenRecordStore(m_database.Url());
        ASSERT_TRUE(again) << again.error();
        EXPECT_EQ((*again)->List({})->size(), records + 2);
        EXPECT_EQ((*again)->Publish(record(1, 1, "last"))->rank, 5);
    }

    TestDatabase m_database{GetParam()};
};

TEST_P(MigrationTest, TheFirstTablesGetEveryNewColumn) {
    SKIP_UNLESS_AVAILABLE(m_database);
    const std::string id = GetParam() == Backend::Sqlite ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY";
    ASSERT_TRUE(Run("CREATE TABLE records (id " + id + ", level INTEGER NOT NULL, score INTEGER NOT NULL, "
                    "name TEXT NOT NULL, published_at BIGINT NOT NULL);"
                    "CREATE TABLE reports (report TEXT PRIMARY KEY, record_id BIGINT NOT NULL);"
                    "INSERT INTO records (level, score, name, published_at) VALUES (1, 90, 'old best', 100), "
                    "(1, 40, 'old', 101), (2, 7, 'other', 102);"
                    "INSERT INTO reports VALUES ('90	1	old best', 1);"));
    ExpectMigrated(3);
}

TEST_P(MigrationTest, TablesWithHiddenRecordsGetTheReplayColumns) {
    SKIP_UNLESS_AVAILABLE(m_database);
    const bool lite = GetParam() == Backend::Sqlite;
    const std::string id = lite ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY";
    const std::string no = lite ? "0" : "FALSE", yes = lite ? "1" : "TRUE";
    ASSERT_TRUE(Run("CREATE TABLE records (id " + id + ", level INTEGER NOT NULL, score INTEGER NOT NULL, "
                    "name TEXT NOT NULL, published_at BIGINT NOT NULL, hidden " + std::string(lite ? "INTEGER" : "BOOLEAN") +
                    " NOT NULL DEFAULT " + no + ", listed " + (lite ? "INTEGER" : "BOOLEAN") + " NOT NULL DEFAULT " + yes + ");"
                    "CREATE TABLE reports (report TEXT PRIMARY KEY, record_id BIGINT NOT NULL);"
                    "INSERT INTO records (level, score, name, published_at, hidden, listed) VALUES "
                    "(1, 90, 'old best', 100, " + no + ", " + yes + "), (1, 40, 'old', 101, " + no + ", " + yes + "), "
                    "(1, 95, 'hidden', 102, " + yes + ", " + no + "), (3, 1, 'x', 103, " + no + ", " + yes + ");"
                    "INSERT INTO reports VALUES ('90	1	old best', 1);"));
    ExpectMigrated(4);
}

INSTANTIATE_TEST_SUITE_P(Backends, MigrationTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

TEST(OpenRecordStore, RefusesUnknownAddressesAndUnreachableDatabases) {
    EXPECT_FALSE(OpenRecordStore("mysql://localhost/x"));
    EXPECT_FALSE(OpenRecordStore("sqlite://"));
    EXPECT_FALSE(OpenRecordStore("sqlite:///proc/no-such-folder/x.db"));
    const auto postgres = OpenRecordStore("postgresql://nobody@/none?host=/nonexistent-socket-folder");
    ASSERT_FALSE(postgres);
    EXPECT_NE(postgres.error().find("PostgreSQL"), std::string::npos);
}

TEST(OpenRecordStore, CreatesTheFoldersOfAnSqliteFile) {
    TestDatabase database(Backend::Sqlite);
    const std::string url = database.Url() + "-folder/a/b/board.db";
    auto opened = OpenRecordStore(url);
    ASSERT_TRUE(opened) << opened.error();
}

} // namespace
