// The tables held in memory: which changes grow a level's version, pages that read the
// database once, this server's publishes shown at once, other writers' within a second, a
// failing database, and many readers while the rows are read again.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "ReplayGames.hpp"
#include "TestDatabase.hpp"
#include "TextSearch.hpp"
#include "server/Leaderboard.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/TopCache.hpp"
#include "server/TopRowsChange.hpp"
#include "server/TopWatcher.hpp"
#include "store/ScoreReport.hpp"

using namespace server;
using namespace std::chrono_literals;

namespace {

NewRecord cachedRecord(int level, std::int32_t score, const std::string& name, bool verified = false) {
    NewRecord r;
    r.level = level;
    r.score = score;
    r.name = name;
    r.report = std::to_string(score) + '\t' + std::to_string(level) + '\t' + name;
    r.receivedAt = 1'700'000'000;
    if (verified) {
        r.check.verified = true;
        r.check.reason.clear();
        r.check.replay = "R" + r.report;
        r.check.replayHash = std::to_string(std::hash<std::string>{}(r.report)) + "-" + name;
        r.check.board = std::string(15 * 17, '0') + "1234567012345670";
        for (std::size_t i = 16; i < r.check.board.size(); i += 17) r.check.board[i] = '/';
    }
    return r;
}

// Whether `check` comes true within a second: the watcher polls four times a second.
bool withinASecond(const std::function<bool()>& check) {
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    for (;;) {
        if (check()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
}

// A real store that counts the reads of rows and versions, and fails or slows them on demand.
class CountingStore final : public RecordStore {
public:
    explicit CountingStore(RecordStore& inner) : m_inner(inner) {}
    using RecordStore::Publish;
    Expected<PublishResult> Publish(const NewRecord& r, Deadline deadline) override {
        return m_inner.Publish(r, deadline);
    }
    Expected<std::vector<RankedRecord>> Top(int level, int first, int count) override {
        ++topCalls;
        if (delay.load() > 0ms) std::this_thread::sleep_for(delay.load());
        if (failing) return Error{"the database is gone"};
        return m_inner.Top(level, first, count);
    }
    Expected<std::vector<std::int64_t>> TableVersions() override {
        if (failing) return Error{"the database is gone"};
        return m_inner.TableVersions();
    }
    Expected<std::vector<StoredRecord>> List(const RecordFilter& f) override { return m_inner.List(f); }
    Expected<bool> SetHidden(std::int64_t id, bool hidden) override { return m_inner.SetHidden(id, hidden); }
    Expected<bool> Delete(std::int64_t id) override { return m_inner.Delete(id); }
    Expected<std::optional<StoredReplay>> Replay(std::int64_t id) override { return m_inner.Replay(id); }

    std::atomic<int> topCalls{0};
    std::atomic<bool> failing{false};
    std::atomic<std::chrono::milliseconds> delay{0ms};

private:
    RecordStore& m_inner;
};

class TopCacheTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(m_database);
        m_store = Open();
        ASSERT_TRUE(m_store);
        m_counting = std::make_unique<CountingStore>(*m_store);
        m_board = std::make_unique<Leaderboard>(*m_counting, m_limiter);
    }
    std::unique_ptr<RecordStore> Open() {
        auto opened = OpenRecordStore(m_database.Url());
        EXPECT_TRUE(opened) << opened.error();
        return opened ? std::move(*opened) : nullptr;
    }
    std::int64_t Version(RecordStore& store, int level) {
        const auto versions = store.TableVersions();
        EXPECT_TRUE(versions) << versions.error();
        return versions ? (*versions)[std::size_t(level - kFirstLevel)] : -1;
    }
    // Fills a level with `count` records of as many names, scores 1000, 1010, ...
    void Fill(RecordStore& store, int level, int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(store.Publish(cachedRecord(level, 1000 + 10 * i, "n" + std::to_string(i))));
    }

    TestDatabase m_database{GetParam()};
    std::unique_ptr<RecordStore> m_store;
    std::unique_ptr<CountingStore> m_counting;
    RateLimiter m_limiter{0};
    std::unique_ptr<Leaderboard> m_board;
};

TEST(TopRowsChange, MovedRowsAndTheFirstRowsTheyReach) {
    const std::vector<ListedState> before = {{1, 50, true, false}, {2, 40, true, true}, {3, 30, false, false}};
    const std::vector<ListedState> after = {{1, 50, true, false}, {2, 40, false, true}, {4, 60, true, true}};
    const auto keys = [](const std::vector<RowKey>& rows) {
        std::vector<std::int64_t> ids;
        for (const RowKey& r : rows) ids.push_back(r.id);
        return ids;
    };
    EXPECT_EQ(keys(MovedRows(before, after, Listing::All)), (std::vector<std::int64_t>{2, 4}));
    EXPECT_EQ(keys(MovedRows(before, after, Listing::Verified)), (std::vector<std::int64_t>{4}));
    EXPECT_TRUE(MovedRows(before, before, Listing::All).empty());

    EXPECT_FALSE(ChangesFirstRows({}, std::nullopt)) << "nothing moved";
    EXPECT_TRUE(ChangesFirstRows({{10, 5}}, std::nullopt)) << "a short table shows every row";
    EXPECT_TRUE(ChangesFirstRows({{10, 5}}, RowKey{10, 5})) << "the last row itself";
    EXPECT_TRUE(ChangesFirstRows({{10, 6}}, RowKey{10, 5})) << "a later record of the same score ranks above";
    EXPECT_FALSE(ChangesFirstRows({{10, 4}}, RowKey{10, 5}));
    EXPECT_FALSE(ChangesFirstRows({{9, 99}}, RowKey{10, 5}));
    EXPECT_TRUE(ChangesFirstRows({{9, 99}, {11, 1}}, RowKey{10, 5}));
}

// The version grows with every change to the first rows of either table and with nothing else.
TEST_P(TopCacheTest, VersionsGrowWithChangesToTheFirstRowsOnly) {
    Fill(*m_store, 1, kVersionedRows + 20);
    const std::int64_t full = Version(*m_store, 1);
    const std::int64_t other = Version(*m_store, 2);
    // Below the hundredth row: records, an unlisted eleventh record of a name, a duplicate.
    ASSERT_TRUE(m_store->Publish(cachedRecord(1, 1005, "low")));
    EXPECT_EQ(Version(*m_store, 1), full);
    for (int i = 0; i < kRecordsPerNameAndLevel; ++i)
        ASSERT_TRUE(m_store->Publish(cachedRecord(1, 5000 + i, "ten")));
    const std::int64_t withTen = Version(*m_store, 1);
    EXPECT_GT(withTen, full);
    ASSERT_EQ(m_store->Publish(cachedRecord(1, 1, "ten"))->outcome, PublishOutcome::NotListed);
    ASSERT_EQ(m_store->Publish(cachedRecord(1, 1005, "low"))->outcome, PublishOutcome::Duplicate);
    ASSERT_TRUE(m_store->Publish(cachedRecord(1, 1001, "n0")));
    EXPECT_EQ(Version(*m_store, 1), withTen) << "nothing reached the first rows";
    // A verified record far down the table of all records is first of the verified table.
    ASSERT_TRUE(m_store->Publish(cachedRecord(1, 2, "checked", true)));
    const std::int64_t verifiedFirst = Version(*m_store, 1);
    EXPECT_GT(verifiedFirst, withTen);
    // At the top; then hiding and deleting a record at the bottom, which the operator does rarely.
    ASSERT_TRUE(m_store->Publish(cachedRecord(1, 99999, "top")));
    const std::int64_t afterTop = Version(*m_store, 1);
    EXPECT_GT(afterTop, verifiedFirst);
    const auto all = m_store->List({1, std::string("low")});
    ASSERT_TRUE(all && all->size() == 1u);
    ASSERT_TRUE(*m_store->SetHidden((*all)[0].id, true));
    EXPECT_GT(Version(*m_store, 1), afterTop);
    EXPECT_EQ(Version(*m_store, 2), other) << "other levels keep theirs";
    // The versions are in the database: another store object reads the same.
    std::unique_ptr<RecordStore> second = Open();
    ASSERT_TRUE(second);
    EXPECT_EQ(Version(*second, 1), Version(*m_store, 1));
}

// An import, usually another process, grows the versions of the levels it writes to.
TEST_P(TopCacheTest, AnImportGrowsTheVersionsOfItsLevels) {
    const std::int64_t first = Version(*m_store, 1), second = Version(*m_store, 2), third = Version(*m_store, 3);
    ImportProgress progress;
    ASSERT_TRUE(m_store->Import({{1, 500, "imported", 1'700'000'000}, {3, 20, "imported", 1'700'000'000}}, progress));
    EXPECT_GT(Version(*m_store, 1), first);
    EXPECT_EQ(Version(*m_store, 2), second);
    EXPECT_GT(Version(*m_store, 3), third);
    // A batch of lines already stored writes nothing and leaves them.
    const std::int64_t afterImport = Version(*m_store, 1);
    ImportProgress again;
    again.storedBefore = *m_store->LargestRecordId();
    ASSERT_TRUE(m_store->Import({{1, 500, "imported", 1'700'000'000}}, again));
    EXPECT_EQ(again.imported, 0);
    EXPECT_EQ(Version(*m_store, 1), afterImport);
}

// On random publishes, hides and deletes, whenever the first rows of either table differ
// after a change the version grew; and most publishes, low on a long table, leave it.
TEST_P(TopCacheTest, RandomChangesNeverChangeTheFirstRowsUnseen) {
    std::mt19937 random(7);
    std::unique_ptr<RecordStore> verifiedView = Open();
    ASSERT_TRUE(verifiedView);
    verifiedView->SetVerifiedOnly(true);
    const auto firstRows = [&](RecordStore& store) {
        std::vector<std::int64_t> ids;
        const Expected<std::vector<RankedRecord>> rows = store.Top(3, 1, kVersionedRows);
        EXPECT_TRUE(rows) << rows.error();
        if (rows)
            for (const RankedRecord& r : *rows) ids.push_back(r.id);
        return ids;
    };
    int unchanged = 0;
    const int kSteps = 600;
    for (int step = 0; step < kSteps; ++step) {
        const auto rowsBefore = firstRows(*m_store);
        const auto verifiedBefore = firstRows(*verifiedView);
        const std::int64_t before = Version(*m_store, 3);
        const int action = int(random() % 20);
        if (action == 0 && step > 50) {
            const auto stored = m_store->List({3, std::nullopt});
            ASSERT_TRUE(stored && !stored->empty());
            const std::int64_t id = (*stored)[random() % stored->size()].id;
            ASSERT_TRUE(random() % 2 ? m_store->SetHidden(id, random() % 2 == 0) : m_store->Delete(id));
        } else {
            // Scores mostly low: the first rows fill early and later publishes land below them.
            const std::int32_t score = std::int32_t(random() % 4 == 0 ? random() % 100000 : random() % 1000);
            ASSERT_TRUE(m_store->Publish(
                cachedRecord(3, score, "p" + std::to_string(random() % 40), random() % 3 == 0)));
        }
        const bool grew = Version(*m_store, 3) > before;
        if (!grew) {
            ++unchanged;
            ASSERT_EQ(firstRows(*m_store), rowsBefore) << "step " << step;
            ASSERT_EQ(firstRows(*verifiedView), verifiedBefore) << "step " << step;
        }
    }
    EXPECT_GT(unchanged, kSteps / 4) << "low publishes leave the version";
}

TEST_P(TopCacheTest, PagesReadTheDatabaseOnceUntilATableChanges) {
    Fill(*m_store, 2, 30);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(m_board->Index().status, 200);
        ASSERT_EQ(m_board->Level(std::to_string(1 + i % 3)).status, 200);
        ASSERT_EQ(m_board->ApiTop(std::string("2")).status, 200);
    }
    EXPECT_EQ(m_counting->topCalls, 3) << "one read per level";
    EXPECT_TRUE(Contains(m_board->Level("2").body, "n29"));
    EXPECT_TRUE(Contains(m_board->Level("2").body, "n0"));
}

TEST_P(TopCacheTest, APublishInTheFirstRowsIsShownAtOnceAndOneBelowReadsNothing) {
    // Far enough below for a store that also renews rows a little below the first ones.
    const int filled = kVersionedRows + 30;
    Fill(*m_store, 1, filled);
    ASSERT_EQ(m_board->Index().status, 200);
    const int reads = m_counting->topCalls;
    const Reply low = m_board->Publish(ReportCode(1, 1, "Lowly"), "10.0.0.1");
    ASSERT_EQ(low.status, 200);
    EXPECT_EQ(m_counting->topCalls, reads) << "a publish below the first rows leaves them";
    EXPECT_FALSE(Contains(m_board->Level("1").body, "Lowly"));

    const Reply top = m_board->Publish(ReportCode(50000, 1, "Highest"), "10.0.0.1");
    ASSERT_EQ(top.status, 200);
    EXPECT_EQ(m_counting->topCalls, reads + 1);
    EXPECT_TRUE(Contains(top.body, "<td class=\"name\">Highest</td>")) << "the answer's table holds the record";
    EXPECT_TRUE(Contains(m_board->Index().body, "Highest"));
    EXPECT_TRUE(Contains(m_board->ApiTop(std::string("1")).body, "\"name\":\"Highest\""));
    // The hundredth row is shown on the level page: a record there is read at once too. Above
    // it: Highest and the 98 best of the filling.
    const Reply hundredth = m_board->Publish(ReportCode(1000 + 10 * (filled - 98) - 5, 1, "Hundredth"), "10.0.0.1");
    ASSERT_EQ(hundredth.status, 200);
    EXPECT_TRUE(Contains(m_board->Level("1").body, "<td class=\"rank\">100</td><td class=\"name\">Hundredth</td>"))
        << m_board->Level("1").body;
    EXPECT_EQ(m_counting->topCalls, reads + 2);
}

// Another server on the same database, and the operator's commands, are seen within a second.
TEST_P(TopCacheTest, OtherWritersChangesAreShownWithinASecond) {
    TopWatcher watcher(m_board->Tops());
    ASSERT_TRUE(m_store->Publish(cachedRecord(2, 300, "Here")));
    ASSERT_TRUE(Contains(m_board->Index().body, "Here"));
    std::unique_ptr<RecordStore> elsewhere = Open();
    ASSERT_TRUE(elsewhere);
    ASSERT_TRUE(elsewhere->Publish(cachedRecord(2, 900, "Elsewhere")));
    EXPECT_TRUE(withinASecond([&] { return Contains(m_board->Index().body, "Elsewhere"); }));
    EXPECT_TRUE(Contains(m_board->ApiTop(std::string("2")).body, "Elsewhere"));
    const auto stored = elsewhere->List({2, std::string("Here")});
    ASSERT_TRUE(stored && stored->size() == 1u);
    ASSERT_TRUE(*elsewhere->SetHidden((*stored)[0].id, true));
    EXPECT_TRUE(withinASecond([&] { return !Contains(m_board->Level("2").body, "Here"); }));
    const int reads = m_counting->topCalls;
    std::this_thread::sleep_for(3 * TopWatcher::kPeriod);
    EXPECT_EQ(m_counting->topCalls, reads) << "unchanged tables are not read again";
}

TEST_P(TopCacheTest, AFailingDatabaseLeavesTheRowsLastRead) {
    ASSERT_TRUE(m_store->Publish(cachedRecord(3, 700, "Kept")));
    ASSERT_TRUE(Contains(m_board->Index().body, "Kept"));
    std::unique_ptr<RecordStore> elsewhere = Open();
    ASSERT_TRUE(elsewhere);
    ASSERT_TRUE(elsewhere->Publish(cachedRecord(3, 800, "Unseen")));
    m_counting->failing = true;
    EXPECT_FALSE(m_board->Tops().Poll());
    m_board->Tops().Changed(3);  // the versions cannot be read: the rows are read and fail
    const Reply index = m_board->Index();
    EXPECT_EQ(index.status, 200);
    EXPECT_TRUE(Contains(index.body, "Kept"));
    EXPECT_EQ(m_board->ApiTop(std::string("3")).status, 200);
    // The database back: the change is read.
    m_counting->failing = false;
    EXPECT_TRUE(m_board->Tops().Poll());
    EXPECT_TRUE(Contains(m_board->Index().body, "Unseen"));

    // Nothing held yet and no database: the pages say so.
    RateLimiter limiter(0);
    Leaderboard fresh(*m_counting, limiter);
    m_counting->failing = true;
    EXPECT_EQ(fresh.Index().status, 503);
    EXPECT_EQ(fresh.ApiTop(std::string("1")).status, 503);
    m_counting->failing = false;
    EXPECT_EQ(fresh.Index().status, 200);
}

// Readers arriving together at a level with nothing held share one read; while the rows are
// read again, readers keep the rows held before and never see a half-made table.
TEST_P(TopCacheTest, ManyReadersShareOneReadAndNeverWaitForRefills) {
    Fill(*m_store, 1, 20);
    TopCache cache(*m_counting);
    m_counting->delay = 100ms;
    {
        std::vector<std::thread> readers;
        std::atomic<int> failures{0};
        for (int i = 0; i < 16; ++i)
            readers.emplace_back([&] {
                if (!cache.Rows(1)) ++failures;
            });
        for (std::thread& t : readers) t.join();
        EXPECT_EQ(failures, 0);
        EXPECT_EQ(m_counting->topCalls, 1) << "no herd of identical reads";
    }
    m_counting->delay = 5ms;
    std::unique_ptr<RecordStore> elsewhere = Open();
    ASSERT_TRUE(elsewhere);
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0}, seen{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i)
        readers.emplace_back([&] {
            while (!stop) {
                const auto table = cache.Rows(1);
                if (!table) {
                    ++bad;
                    continue;
                }
                const std::vector<RankedRecord>& rows = (*table)->rows;
                for (std::size_t r = 0; r < rows.size(); ++r)
                    if (rows[r].rank != std::int64_t(r) + 1 || (r > 0 && rows[r].score > rows[r - 1].score)) ++bad;
                ++seen;
            }
        });
    TopWatcher watcher(cache, 5ms);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(elsewhere->Publish(cachedRecord(1, 5000 + i, "w" + std::to_string(i))));
        cache.Changed(1);
        const auto table = cache.Rows(1);
        ASSERT_TRUE(table);
        EXPECT_EQ((*table)->rows.front().name, "w" + std::to_string(i)) << "a change is read before Changed returns";
    }
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(bad, 0);
    EXPECT_GT(seen, 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, TopCacheTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

TEST(TopWatcher, StopsPromptlyWhateverItsPeriod) {
    struct Idle final : RecordStore {
        using RecordStore::Publish;
        Expected<PublishResult> Publish(const NewRecord&, Deadline) override { return Error{"idle"}; }
        Expected<std::vector<RankedRecord>> Top(int, int, int) override { return std::vector<RankedRecord>{}; }
        Expected<std::vector<std::int64_t>> TableVersions() override { return std::vector<std::int64_t>{0, 0, 0}; }
        Expected<std::vector<StoredRecord>> List(const RecordFilter&) override { return Error{"idle"}; }
        Expected<bool> SetHidden(std::int64_t, bool) override { return Error{"idle"}; }
        Expected<bool> Delete(std::int64_t) override { return Error{"idle"}; }
        Expected<std::optional<StoredReplay>> Replay(std::int64_t) override { return Error{"idle"}; }
    } store;
    TopCache cache(store);
    const auto start = std::chrono::steady_clock::now();
    { TopWatcher watcher(cache, std::chrono::milliseconds(60'000)); }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

} // namespace
