// `admin reverify` on a database as a version before game identities left it: verified
// records hashed by their replay's bytes, padded copies among them. Each game is verified
// again for its first publisher only, on either backend, in batches, and a second run
// changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>
#include <thread>

#include "ReplayGames.hpp"
#include "TestDatabase.hpp"
#include "rules/GameReplay.hpp"
#include "server/Admin.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/ReplayCheck.hpp"

using namespace server;

namespace {

// A game of `level` whose replay verifies, from the first seed from `seed` on that gives one.
PlayedGame verifiedGame(int level, std::uint32_t seed) {
    for (std::uint32_t s = seed; s < seed + 50; ++s) {
        const std::optional<PlayedGame> game = PlayGame(level, s);
        if (game && CheckReplay(game->replay, game->level, game->score).verified) return *game;
    }
    throw std::runtime_error("no game verifies");
}

// The hash a version before game identities stored: SHA-256 of the replay's bytes.
std::string bytesHash(const std::string& text) {
    const std::optional<rules::GameReplay> replay = rules::DecodeReplay(text);
    if (!replay) throw std::runtime_error("the replay does not decode");
    return Sha256Hex(rules::ReplayBytes(*replay));
}

NewRecord reportOf(const PlayedGame& game, const std::string& name) {
    NewRecord r;
    r.level = game.level;
    r.score = game.score;
    r.name = name;
    r.report = std::to_string(game.score) + '\t' + std::to_string(game.level) + '\t' + name;
    r.receivedAt = 1'000'000;
    return r;
}

// A record as the old version stored it: verified, under the hash of its replay's bytes.
NewRecord storedByTheOldVersion(const PlayedGame& game, const std::string& replay, const std::string& name) {
    NewRecord r = reportOf(game, name);
    r.check.verified = true;
    r.check.reason.clear();
    r.check.replay = replay;
    r.check.replayHash = bytesHash(replay);
    r.check.board = CheckReplay(game.replay, game.level, game.score).board;
    return r;
}

// A record published now, its replay checked by the current rules.
NewRecord publishedNow(const PlayedGame& game, const std::string& replay, const std::string& name) {
    NewRecord r = reportOf(game, name);
    r.check = CheckReplay(replay, game.level, game.score);
    return r;
}

class ReverifyTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(m_database);
        m_store = Open();
    }
    std::unique_ptr<RecordStore> Open() {
        auto opened = OpenRecordStore(m_database.Url());
        EXPECT_TRUE(opened) << opened.error();
        return opened ? std::move(*opened) : nullptr;
    }
    PublishResult Publish(const NewRecord& r) {
        const Expected<PublishResult> result = m_store->Publish(r);
        EXPECT_TRUE(result) << result.error();
        return result ? *result : PublishResult{};
    }
    std::int64_t IdOf(const std::string& name) {
        const Expected<std::vector<StoredRecord>> rows = m_store->List({std::nullopt, name});
        if (rows && !rows->empty()) return rows->front().id;
        ADD_FAILURE() << "no record of " << name;
        return 0;
    }
    // Name to record, of every stored record.
    std::map<std::string, StoredRecord> Records() {
        const Expected<std::vector<StoredRecord>> rows = m_store->List({});
        EXPECT_TRUE(rows) << rows.error();
        std::map<std::string, StoredRecord> byName;
        if (rows)
            for (const StoredRecord& r : *rows) byName[r.name] = r;
        return byName;
    }
    std::vector<std::string> Names(int level, bool verifiedOnly) {
        m_store->SetVerifiedOnly(verifiedOnly);
        std::vector<std::string> names;
        const auto top = m_store->Top(level, 1, 100);
        EXPECT_TRUE(top) << top.error();
        if (top)
            for (const RankedRecord& r : *top) names.push_back(r.name);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Reverify(std::size_t batch) {
        std::string out, error;
        EXPECT_EQ(RunReverify(*m_store, out, error, batch), 0) << error;
        EXPECT_EQ(error, "");
        return out;
    }
    std::vector<std::int64_t> Versions() {
        const auto versions = m_store->TableVersions();
        EXPECT_TRUE(versions) << versions.error();
        return versions ? *versions : std::vector<std::int64_t>{};
    }

    TestDatabase m_database{GetParam()};
    std::unique_ptr<RecordStore> m_store;
};

TEST_P(ReverifyTest, EachGameStaysVerifiedForItsFirstPublisherOnly) {
    const PlayedGame game = verifiedGame(2, 7);
    const PlayedGame other = verifiedGame(2, 90);
    const std::string padded = ChangedReplay(game.replay, [](rules::GameReplay& r) { r.ticks += 7; });
    std::string reclicked;
    for (const std::string& copy : RepeatedClickCopies(game.replay))
        if (CheckReplay(copy, game.level, game.score).verified) {
            reclicked = copy;
            break;
        }
    ASSERT_FALSE(reclicked.empty());
    ASSERT_NE(bytesHash(reclicked), bytesHash(game.replay));

    // As the old version left them: all four verified, each under its own bytes' hash.
    for (const auto& [replay, name] : std::vector<std::pair<std::string, std::string>>{
             {game.replay, "Kim"}, {padded, "Padder"}, {reclicked, "Lee"}})
        ASSERT_TRUE(Publish(storedByTheOldVersion(game, replay, name)).verified) << name;
    ASSERT_TRUE(Publish(storedByTheOldVersion(other, other.replay, "Uma")).verified);
    // After the upgrade, before the reverify: the game again is verified for a later player,
    // since the earlier records hold other hashes; a padded copy is not.
    ASSERT_TRUE(Publish(publishedNow(game, game.replay, "Late")).verified);
    const PublishResult refused = Publish(publishedNow(game, padded, "Nia"));
    ASSERT_FALSE(refused.verified);
    EXPECT_EQ(Names(2, true), (std::vector<std::string>{"Kim", "Late", "Lee", "Padder", "Uma"}));
    const std::int64_t kim = IdOf("Kim");
    const std::vector<std::int64_t> before = Versions();

    // Batches of two: the later record that took Kim's game is in a batch after hers.
    EXPECT_EQ(Reverify(2),
              "reverified 5 records: 2 still verified, 3 now unverified (1 not faithful, 2 the same "
              "game as an earlier record)\n");
    std::map<std::string, StoredRecord> records = Records();
    EXPECT_TRUE(records["Kim"].verified);
    EXPECT_TRUE(records["Uma"].verified);
    EXPECT_FALSE(records["Padder"].verified);
    EXPECT_EQ(records["Padder"].reason, "the replay goes on for 7 frames after its game ended");
    EXPECT_FALSE(records["Lee"].verified);
    EXPECT_EQ(records["Lee"].reason, "the same game was published before, as record " + std::to_string(kim));
    EXPECT_FALSE(records["Late"].verified);
    EXPECT_EQ(records["Late"].reason, SameReplayReason(kim));
    EXPECT_FALSE(records["Nia"].verified);
    EXPECT_EQ(records["Nia"].reason, refused.reason) << "an unverified record is left as it was";

    // The verified-only table shows the first publishers alone; the other keeps every name,
    // the copies without the mark and without a board.
    EXPECT_EQ(Names(2, true), (std::vector<std::string>{"Kim", "Uma"}));
    EXPECT_EQ(Names(2, false), (std::vector<std::string>{"Kim", "Late", "Lee", "Nia", "Padder", "Uma"}));
    const std::vector<RankedRecord> all = *m_store->Top(2, 1, 100);
    for (const RankedRecord& r : all) {
        EXPECT_EQ(r.verified, r.name == "Kim" || r.name == "Uma") << r.name;
        EXPECT_EQ(r.board.empty(), !r.verified) << r.name;
    }
    EXPECT_GT(Versions()[1], before[1]) << "the pages' caches read the level again";
    EXPECT_EQ(Versions()[0], before[0]);
    EXPECT_TRUE(m_store->Replay(kim)->has_value());
    EXPECT_FALSE(m_store->Replay(IdOf("Lee"))->has_value());

    // Kim now holds the game itself: another copy of it is refused the mark for her.
    const PublishResult newcomer = Publish(publishedNow(game, game.replay, "Newcomer"));
    EXPECT_FALSE(newcomer.verified);
    EXPECT_EQ(newcomer.reason, SameReplayReason(kim));
    // The verified table's counts agree with its rows: a new game ranks where it lists.
    m_store->SetVerifiedOnly(true);
    const PlayedGame third = verifiedGame(2, 300);
    const PublishResult ranked = Publish(publishedNow(third, third.replay, "Zed"));
    ASSERT_TRUE(ranked.verified) << ranked.reason;
    std::int64_t above = 0;
    const std::vector<RankedRecord> table = *m_store->Top(2, 1, 100);
    for (const RankedRecord& r : table) above += r.score > third.score;
    EXPECT_EQ(ranked.rank, above + 1);

    // A second run finds everything as the rules have it.
    const std::vector<std::int64_t> settled = Versions();
    EXPECT_EQ(Reverify(kReverifyBatch),
              "reverified 3 records: 3 still verified, 0 now unverified (0 not "
              "faithful, 0 the same game as an earlier record)\n");
    EXPECT_EQ(Versions(), settled);
    for (const auto& [name, record] : Records()) {
        if (!records.count(name)) continue;
        EXPECT_EQ(record.verified, records[name].verified) << name;
        EXPECT_EQ(record.reason, records[name].reason) << name;
    }
}

TEST_P(ReverifyTest, AnEmptyBoardOrOneWithoutVerifiedRecordsChangesNothing) {
    EXPECT_EQ(Reverify(1),
              "reverified 0 records: 0 still verified, 0 now unverified (0 not faithful, 0 the same "
              "game as an earlier record)\n");
    NewRecord plain;
    plain.report = "5\t1\tA";
    plain.name = "A";
    plain.score = 5;
    Publish(plain);
    const std::vector<std::int64_t> before = Versions();
    EXPECT_EQ(Reverify(1).rfind("reverified 0 records:", 0), 0u);
    EXPECT_EQ(Versions(), before);
}

TEST_P(ReverifyTest, ReplaysThatNoLongerVerifyLoseTheMarkWhateverTheirFault) {
    const PlayedGame game = verifiedGame(1, 11);
    // Each a record the old rules could have let through, under a hash of its own bytes.
    NewRecord wrongScore = storedByTheOldVersion(game, game.replay, "Score");
    wrongScore.score = game.score + 1;
    wrongScore.report += " score";
    NewRecord unfinished = storedByTheOldVersion(game, UnfinishedReplay(1), "Short");
    NewRecord garbage = storedByTheOldVersion(game, game.replay, "Garbage");
    garbage.check.replay = "AAAA";
    garbage.check.replayHash = std::string(64, 'a');
    for (const NewRecord& r : {wrongScore, unfinished, garbage}) ASSERT_TRUE(Publish(r).verified) << r.name;
    // Hidden records are checked as well.
    ASSERT_TRUE(*m_store->SetHidden(IdOf("Short"), true));

    EXPECT_EQ(Reverify(kReverifyBatch),
              "reverified 3 records: 0 still verified, 3 now unverified (3 not faithful, "
              "0 the same game as an earlier record)\n");
    for (const auto& [name, record] : Records()) {
        EXPECT_FALSE(record.verified) << name;
        EXPECT_FALSE(record.reason.empty()) << name;
    }
    EXPECT_TRUE(Names(1, true).empty());
    EXPECT_EQ(Names(1, false), (std::vector<std::string>{"Garbage", "Score"}));
}

// Two operators at once, from two connections: each game ends up with one verified record,
// and both runs together unverify each copy once.
TEST_P(ReverifyTest, TwoRunsAtOnceAgreeWithOne) {
    const PlayedGame game = verifiedGame(3, 5);
    std::vector<std::string> copies;
    for (const std::string& copy : RepeatedClickCopies(game.replay))
        if (CheckReplay(copy, game.level, game.score).verified) copies.push_back(copy);
    ASSERT_GE(copies.size(), 2u);
    ASSERT_TRUE(Publish(storedByTheOldVersion(game, game.replay, "First")).verified);
    for (std::size_t i = 0; i < copies.size() && i < 6; ++i)
        ASSERT_TRUE(Publish(storedByTheOldVersion(game, copies[i], "Copy " + std::to_string(i))).verified);

    std::unique_ptr<RecordStore> second = Open();
    ASSERT_TRUE(second);
    std::string out[2], error[2];
    int code[2] = {-1, -1};
    std::thread other([&] { code[1] = RunReverify(*second, out[1], error[1], 1); });
    code[0] = RunReverify(*m_store, out[0], error[0], 1);
    other.join();
    ASSERT_EQ(code[0], 0) << error[0];
    ASSERT_EQ(code[1], 0) << error[1];
    int verified = 0;
    for (const auto& [name, record] : Records()) {
        verified += record.verified;
        EXPECT_EQ(record.verified, name == "First") << name << ": " << record.reason;
    }
    EXPECT_EQ(verified, 1);
    EXPECT_EQ(Names(3, true), std::vector<std::string>{"First"});
    EXPECT_EQ(Reverify(kReverifyBatch).rfind("reverified 1 records: 1 still verified, 0 now unverified", 0),
              0u);
}

INSTANTIATE_TEST_SUITE_P(Backends, ReverifyTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

// A store whose database fails after its first batch.
class FailingReverifyStore final : public RecordStore {
public:
    int batches = 0;
    Expected<PublishResult> Publish(const NewRecord&, Deadline) override { return Error{"no"}; }
    Expected<std::vector<RankedRecord>> Top(int, int, int) override { return Error{"no"}; }
    Expected<std::vector<StoredRecord>> List(const RecordFilter&) override { return Error{"no"}; }
    Expected<bool> SetHidden(std::int64_t, bool) override { return Error{"no"}; }
    Expected<bool> Delete(std::int64_t) override { return Error{"no"}; }
    Expected<std::optional<StoredReplay>> Replay(std::int64_t) override { return Error{"no"}; }
    Expected<std::vector<VerifiedReplay>> VerifiedReplays(std::int64_t after, std::size_t count) override {
        if (after > 0) return Error{"the database went away"};
        EXPECT_GT(count, 0u);
        return std::vector<VerifiedReplay>{{4, 1, 10, "a", "AAAA"}, {9, 1, 20, "b", ""}};
    }
    Expected<bool> Reverify(const std::vector<Recheck>& batch, ReverifyCounts& counts) override {
        ++batches;
        EXPECT_EQ(batch.size(), 2u);
        for (const Recheck& r : batch) EXPECT_FALSE(r.check.verified) << r.record.id;
        counts.checked += std::int64_t(batch.size());
        return true;
    }
};

TEST(RunReverify, ADatabaseFailureEndsTheRunWithCodeOneAndItsReason) {
    FailingReverifyStore store;
    std::string out, error;
    EXPECT_EQ(RunReverify(store, out, error, 3), 1);
    EXPECT_EQ(error, "the database went away");
    EXPECT_EQ(out, "");
    EXPECT_EQ(store.batches, 1);
    AdminCommand command;
    command.action = AdminAction::Reverify;
    EXPECT_EQ(RunAdmin(store, command, out, error), 1);
}

} // namespace
