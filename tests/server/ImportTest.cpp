// `admin import` and `admin export` on every backend: an import lists and ranks records as
// publishing them one by one would, skips what an earlier run stored, stores nothing of bad
// input and keeps the batches stored before a failure; an export gives back what an import
// reads, without hidden records.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "TestDatabase.hpp"
#include "server/Admin.hpp"
#include "server/ImportPlan.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/PublishRequest.hpp"

using namespace server;

namespace {

constexpr std::int64_t kDay = 86'400;

NewRecord record(int level, std::int32_t score, const std::string& name, std::int64_t at) {
    NewRecord r;
    r.level = level;
    r.score = score;
    r.name = name;
    r.report = ReportText(level, score, name);
    r.receivedAt = at;
    return r;
}

struct ImportRun {
    int code = -1;
    std::string messages;
};

// RunImport on `text`, read from a pipe-like memory stream or from a regular file.
ImportRun import(RecordStore& store, const std::string& text, std::size_t batch = kImportBatchLines, bool regular = false) {
    std::FILE* in = nullptr;
    if (regular || text.empty()) {
        in = std::tmpfile();
        std::fwrite(text.data(), 1, text.size(), in);
        std::rewind(in);
    } else {
        in = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    }
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* messages = open_memstream(&buffer, &size);
    ImportRun run;
    run.code = RunImport(store, in, messages, batch);
    std::fclose(messages);
    std::fclose(in);
    run.messages.assign(buffer, size);
    std::free(buffer);
    return run;
}

std::string exportOf(RecordStore& store) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    std::FILE* messages = std::tmpfile();
    const int code = RunExport(store, out, messages);
    std::fclose(out);
    std::fclose(messages);
    std::string text(buffer, size);
    std::free(buffer);
    EXPECT_EQ(code, 0);
    return text;
}

// A store that fails every batch after the first `good` ones.
class FailingStore final : public RecordStore {
public:
    FailingStore(RecordStore& real, int good) : m_real(real), m_good(good) {}
    using RecordStore::Publish;
    Expected<PublishResult> Publish(const NewRecord& r, Deadline d) override { return m_real.Publish(r, d); }
    Expected<std::vector<RankedRecord>> Top(int l, int f, int c) override { return m_real.Top(l, f, c); }
    Expected<std::vector<StoredRecord>> List(const RecordFilter& f) override { return m_real.List(f); }
    Expected<bool> SetHidden(std::int64_t id, bool h) override { return m_real.SetHidden(id, h); }
    Expected<bool> Delete(std::int64_t id) override { return m_real.Delete(id); }
    Expected<std::optional<StoredReplay>> Replay(std::int64_t id) override { return m_real.Replay(id); }
    Expected<std::int64_t> LargestRecordId() override { return m_real.LargestRecordId(); }
    Expected<bool> Import(const std::vector<RecordLine>& batch, ImportProgress& progress) override {
        if (m_good-- <= 0) return Error{"cannot import the records: the disk is full"};
        return m_real.Import(batch, progress);
    }

private:
    RecordStore& m_real;
    int m_good;
};

class ImportTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(m_firstDatabase);
        m_first = Open(m_firstDatabase);
        m_second = Open(m_secondDatabase);
    }
    static std::unique_ptr<RecordStore> Open(const TestDatabase& database) {
        auto opened = OpenRecordStore(database.Url());
        EXPECT_TRUE(opened) << opened.error();
        return opened ? std::move(*opened) : nullptr;
    }
    // "rank score name day verified" per row of a level's table.
    static std::vector<std::string> Table(RecordStore& store, int level) {
        const auto rows = store.Top(level, 1, 100'000);
        EXPECT_TRUE(rows) << rows.error();
        std::vector<std::string> out;
        if (rows)
            for (const RankedRecord& r : *rows)
                out.push_back(std::to_string(r.rank) + " " + std::to_string(r.score) + " " + r.name + " " +
                              std::to_string(r.publishedAt / kDay) + (r.verified ? " v" : ""));
        return out;
    }

    TestDatabase m_firstDatabase{GetParam()}, m_secondDatabase{GetParam()};
    std::unique_ptr<RecordStore> m_first, m_second;
};

TEST_P(ImportTest, ListsAndRanksExactlyAsPublishingTheLinesOneByOne) {
    std::mt19937 random(7);
    auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    // The same earlier records on both boards, some verified, one hidden; of days before the
    // lines', which no line is equal to.
    for (int i = 0; i < 40; ++i) {
        NewRecord r = record(pick(1, 2), pick(0, 12) * 10, "n" + std::to_string(pick(1, 5)), 900 * kDay + i);
        r.report += '\t' + std::to_string(i);
        if (i % 4 == 0) {
            r.check.verified = true;
            r.check.reason.clear();
            r.check.replayHash = std::to_string(i);
        }
        for (RecordStore* store : {m_first.get(), m_second.get()}) ASSERT_TRUE(store->Publish(r));
    }
    for (RecordStore* store : {m_first.get(), m_second.get()}) ASSERT_TRUE(store->SetHidden(3, true));
    // Few names and scores: ties everywhere, names with far more than ten records.
    std::vector<RecordLine> lines;
    std::string text;
    for (int i = 0; i < 300; ++i) {
        lines.push_back({pick(1, 2), pick(0, 12) * 10, "n" + std::to_string(pick(1, 8)), (1000 + pick(0, 3)) * kDay});
        text += FormatRecordLine(lines.back());
    }
    // One by one, the last line first, so that the first ranks highest among its equals.
    for (std::size_t i = lines.size(); i-- > 0;) {
        NewRecord r = record(lines[i].level, lines[i].score, lines[i].name, lines[i].publishedAt);
        r.report += "\tone by one " + std::to_string(i);
        ASSERT_TRUE(m_first->Publish(r));
    }
    const ImportRun run = import(*m_second, text, 23);
    ASSERT_EQ(run.code, 0) << run.messages;
    EXPECT_EQ(run.messages, "imported 300 records, skipped 0 already stored\n");

    for (const bool verifiedOnly : {false, true}) {
        m_first->SetVerifiedOnly(verifiedOnly);
        m_second->SetVerifiedOnly(verifiedOnly);
        for (int level = 1; level <= 2; ++level)
            ASSERT_EQ(Table(*m_second, level), Table(*m_first, level)) << "level " << level << " verified-only " << verifiedOnly;
    }
    m_first->SetVerifiedOnly(false);
    m_second->SetVerifiedOnly(false);
    // The counts behind the ranks: a new record at every score ranks the same on both boards,
    // and as a plain count of the table says.
    for (int level = 1; level <= 2; ++level)
        for (std::int32_t score = 0; score <= 125; score += 5) {
            const NewRecord probe = record(level, score, "probe " + std::to_string(score), 2000 * kDay);
            const Expected<PublishResult> one = m_first->Publish(probe), other = m_second->Publish(probe);
            ASSERT_TRUE(one && other);
            EXPECT_EQ(other->rank, one->rank) << level << " " << score;
            std::int64_t better = 0;
            for (const std::string& row : Table(*m_second, level))
                better += std::stoi(row.substr(row.find(' ') + 1)) > score;
            EXPECT_EQ(other->rank, better + 1) << level << " " << score;
        }
    const Expected<std::vector<StoredRecord>> stored = m_second->List({});
    ASSERT_TRUE(stored);
    for (const StoredRecord& r : *stored)
        if (r.publishedAt >= 1000 * kDay && r.publishedAt < 2000 * kDay) {
            EXPECT_FALSE(r.verified);
            EXPECT_EQ(r.reason, "imported");
            EXPECT_FALSE(r.hidden);
        }
}

TEST_P(ImportTest, AnExportImportedElsewhereExportsTheSameAndHidesNothingAgain) {
    // Published with ties, a name's eleventh best (unlisted) and a hidden record.
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(m_first->Publish(record(1, 100 + i, "many", 5 * kDay + 3600 * i)));
    ASSERT_TRUE(m_first->Publish(record(1, 105, "tie early", 6 * kDay)));
    ASSERT_TRUE(m_first->Publish(record(1, 105, "tie late", 7 * kDay + 80'000)));
    ASSERT_TRUE(m_first->Publish(record(2, 9, "forger", 7 * kDay)));
    ASSERT_TRUE(m_first->Publish(record(3, 0, "zero", 8 * kDay)));
    const std::int64_t forger = 15;
    ASSERT_TRUE(m_first->SetHidden(forger, true) && *m_first->SetHidden(forger, true));

    const std::string exported = exportOf(*m_first);
    EXPECT_EQ(exported.substr(0, 3 * 22),
              "1\t111\tmany\t1970-01-06\n1\t110\tmany\t1970-01-06\n1\t109\tmany\t1970-01-06\n");
    EXPECT_NE(exported.find("1\t105\ttie late\t1970-01-08\n1\t105\ttie early\t1970-01-07\n1\t105\tmany\t"),
              std::string::npos)
        << exported;
    EXPECT_NE(exported.find("1\t100\tmany\t1970-01-06\n"), std::string::npos) << "the unlisted record too";
    EXPECT_EQ(exported.find("forger"), std::string::npos) << "hidden records stay off a new board";
    EXPECT_EQ(exported.substr(exported.size() - 21), "\n3\t0\tzero\t1970-01-09\n");
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 15);

    const ImportRun run = import(*m_second, exported, 4);
    ASSERT_EQ(run.code, 0) << run.messages;
    EXPECT_EQ(exportOf(*m_second), exported);
    for (int level = 1; level <= 3; ++level)
        EXPECT_EQ(Table(*m_second, level), Table(*m_first, level)) << "the same tables, days kept";
    EXPECT_EQ(Table(*m_second, 1).size(), 12u);
}

TEST_P(ImportTest, ARunAgainSkipsWhatAnEarlierRunStoredAndKeepsEqualLines) {
    // Equal lines within the input, also across the batches of three.
    const std::string text =
        "1\t50\tAnn\t2024-05-01\n1\t50\tAnn\t2024-05-01\n1\t40\tBob\t2024-05-01\n1\t50\tAnn\t2024-05-01\n"
        "2\t7\tCy\t2024-05-02\n2\t7\tCy\t2024-05-02\n1\t40\tBob\t2024-05-02\n";
    ImportRun clean = import(*m_first, text, 3);
    ASSERT_EQ(clean.code, 0) << clean.messages;
    EXPECT_EQ(clean.messages, "imported 7 records, skipped 0 already stored\n");
    const std::string expected = exportOf(*m_first);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 7);

    // Again: every line is one stored before.
    ImportRun again = import(*m_first, text, 3);
    EXPECT_EQ(again.messages, "imported 0 records, skipped 7 already stored\n");
    EXPECT_EQ(exportOf(*m_first), expected);

    // Interrupted by a failing database after one batch (the last three lines), then run again.
    FailingStore failing(*m_second, 1);
    const ImportRun broken = import(failing, text, 3);
    EXPECT_EQ(broken.code, 1);
    EXPECT_EQ(broken.messages,
              "hoopstack-leaderboard: cannot import the records: the disk is full\n"
              "imported 1 records, skipped 0 already stored\n");
    ASSERT_EQ(m_second->List({})->size(), 1u) << "the stored batch stays";
    const ImportRun rest = import(*m_second, text, 3);
    EXPECT_EQ(rest.code, 0);
    EXPECT_EQ(rest.messages, "imported 6 records, skipped 1 already stored\n");
    EXPECT_EQ(exportOf(*m_second), expected);
    // A record the same as a line but of another day or score is no reason to skip it.
    const ImportRun other = import(*m_second, "1\t50\tAnn\t2024-05-02\n1\t51\tAnn\t2024-05-01\n");
    EXPECT_EQ(other.messages, "imported 2 records, skipped 0 already stored\n");
}

TEST_P(ImportTest, APublishOfAnImportedGameIsADuplicate) {
    ASSERT_EQ(import(*m_first, "2\t300\tDee\t2023-01-01\n2\t200\tDee\t2023-01-01\n", 1).code, 0);
    const Expected<PublishResult> same = m_first->Publish(record(2, 300, "Dee", 99 * kDay));
    ASSERT_TRUE(same) << same.error();
    EXPECT_EQ(same->outcome, PublishOutcome::Duplicate);
    EXPECT_EQ(same->rank, 1);
    EXPECT_EQ(same->reason, "imported");
    const Expected<PublishResult> other = m_first->Publish(record(2, 250, "Dee", 99 * kDay));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->outcome, PublishOutcome::Stored);
    EXPECT_EQ(other->rank, 2);
}

TEST_P(ImportTest, BadLinesStoreNothingAndAreNamedWithTheirNumbers) {
    std::string text = "1\t5\tok\t2024-01-01\n\n1\t5\tok\t2024-13-01\n";
    for (int i = 0; i < 25; ++i) text += "4\t5\tx\t2024-01-01\n";
    text += std::string(5000, 'x') + "\n1\t5\tok\t2024-01-01\n";
    const ImportRun run = import(*m_first, text);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.messages.substr(0, run.messages.find('\n', run.messages.find("line 3")) + 1),
              "line 2: the line is empty\n"
              "line 3: the date must be a real day written YYYY-MM-DD, from 1970-01-01 to 9999-12-31, not \"2024-13-01\"\n");
    EXPECT_NE(run.messages.find("line 21: the level must be 1, 2 or 3, not \"4\"\n"), std::string::npos);
    EXPECT_EQ(run.messages.find("line 22:"), std::string::npos) << "twenty bad lines are named";
    EXPECT_NE(run.messages.find("and 8 more bad lines\nnothing imported: 28 of 30 lines are bad\n"), std::string::npos)
        << run.messages;
    EXPECT_TRUE(m_first->List({})->empty());
}

TEST_P(ImportTest, AcceptsCrlfTrailingEmptyLinesAndAFileAsWellAsAPipe) {
    const std::string text = "1\t5\ta\t2024-01-01\r\n2\t6\tb\t2024-01-02\r\n\r\n\n";
    EXPECT_EQ(import(*m_first, text, 1).messages, "imported 2 records, skipped 0 already stored\n");
    EXPECT_EQ(import(*m_second, text, 1, true).messages, "imported 2 records, skipped 0 already stored\n");
    EXPECT_EQ(exportOf(*m_first), "1\t5\ta\t2024-01-01\n2\t6\tb\t2024-01-02\n");
    EXPECT_EQ(exportOf(*m_second), exportOf(*m_first));
    EXPECT_EQ(import(*m_first, "").messages, "imported 0 records, skipped 0 already stored\n");
    // No final newline is needed either.
    EXPECT_EQ(import(*m_first, "3\t1\tc\t2024-01-03").messages, "imported 1 records, skipped 0 already stored\n");
}

INSTANTIATE_TEST_SUITE_P(Backends, ImportTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

} // namespace

// The listing rule alone, against the plain one: a name lists its ten best, later first.
TEST(PlanImportListing, AgreesWithListingEveryRecordAfresh) {
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::pair<std::int32_t, std::int64_t>> stored;  // score, id
        std::map<LevelAndName, std::vector<ListedState>> listedNow;
        const int storedCount = int(random() % 15);
        for (int i = 0; i < storedCount; ++i) stored.push_back({std::int32_t(random() % 6), 100 + i});
        auto best = [](std::vector<std::pair<std::int32_t, std::int64_t>> all) {
            std::sort(all.begin(), all.end(), std::greater<>());
            if (all.size() > 10) all.resize(10);
            return all;
        };
        for (const auto& [score, id] : best(stored)) listedNow[{1, "a"}].push_back({id, score, true, false});
        std::vector<RecordLine> fresh;
        std::vector<std::int64_t> ids;
        const int freshCount = int(random() % 15);
        for (int i = 0; i < freshCount; ++i) {
            fresh.push_back({1, std::int32_t(random() % 6), "a", 0});
            ids.push_back(200 + freshCount - i);
        }
        const ImportListing plan = PlanImportListing(fresh, ids, listedNow);
        std::vector<std::pair<std::int32_t, std::int64_t>> all = stored;
        for (std::size_t i = 0; i < fresh.size(); ++i) all.push_back({fresh[i].score, ids[i]});
        const auto expected = best(all);
        std::vector<std::pair<std::int32_t, std::int64_t>> listed;
        for (const auto& [score, id] : best(stored))
            if (std::find(plan.unlisted.begin(), plan.unlisted.end(), id) == plan.unlisted.end()) listed.push_back({score, id});
        for (std::size_t i = 0; i < fresh.size(); ++i)
            if (plan.listed[i]) listed.push_back({fresh[i].score, ids[i]});
        std::sort(listed.begin(), listed.end(), std::greater<>());
        ASSERT_EQ(listed, expected) << "round " << round;
        RankTreeChanges changes;
        for (const auto& [score, id] : best(stored)) AddToRankTree(changes, 1, Listing::All, score, -1);
        for (const auto& [score, id] : expected) AddToRankTree(changes, 1, Listing::All, score, 1);
        DropZeroChanges(changes);
        ASSERT_EQ(plan.changes, changes) << "round " << round;
    }
}

TEST(TakeEqualRecord, EachStoredRecordStandsForOneLine) {
    ImportProgress progress;
    progress.storedBefore = 9;
    EXPECT_TRUE(TakeEqualRecord(progress, {4, 9}));
    EXPECT_TRUE(TakeEqualRecord(progress, {4, 9}));
    EXPECT_FALSE(TakeEqualRecord(progress, {4, 9}));
    EXPECT_FALSE(TakeEqualRecord(progress, {}));
    EXPECT_TRUE(TakeEqualRecord(progress, {1}));
    EXPECT_EQ(progress.skipped, 3);
}
