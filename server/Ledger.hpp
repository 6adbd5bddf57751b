#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "server/Expected.hpp"
#include "server/ImportPlan.hpp"
#include "server/LedgerTransaction.hpp"
#include "server/RecordLine.hpp"
#include "server/Records.hpp"

namespace server {

// When a publish counts its record's rank.
enum class PublishRank {
    InTransaction, // in its own transaction, before the commit
    AfterCommit,   // left to the store, which counts it with RankIn once the record is committed
};

// What a dialect does its own way, each for a reason its store states.
struct LedgerPolicy {
    // How many rows below the first kVersionedRows a change still bumps the level's version
    // at: a change judges the first rows from the records committed when it looks, and rows
    // that other transactions hide or delete while it runs can raise it into them.
    int versionedRowsMargin = 0;
    PublishRank publishRank = PublishRank::InTransaction;
};

// What a publish did: the result (its rank 0 with PublishRank::AfterCommit) and the id of the
// record, of the earlier one for a duplicate.
struct Published {
    PublishResult result;
    std::int64_t id = 0;
};

// What the operator does to a stored record.
enum class RecordChange { Hide, Show, Delete };

// Why a publish of this record is refused before any store is asked, nothing when it is not.
std::optional<Error> RefusePublish(const NewRecord& record);
// Why an import of this batch is refused before any store is asked: its first bad line.
std::optional<Error> RefuseImport(const std::vector<RecordLine>& batch);

// The leaderboard's rules for its records (see RecordStore), written once over the statements
// of a LedgerTransaction. Each call runs in the transaction it is given and leaves it open;
// an Error means the transaction failed and must be rolled back. A record listed on a level
// is one of its name's kRecordsPerNameAndLevel best shown records; the count trees and the
// level's version change in the same transaction as the tables.
class Ledger {
public:
    // `ranking` is the table that ranks and pages count.
    Ledger(LedgerPolicy policy, Listing ranking) : m_policy(policy), m_ranking(ranking) {}

    // Stores the record unless its report was stored before, and lists its name again.
    Expected<Published> PublishIn(LedgerTransaction& tx, const NewRecord& record) const;
    // Hides, shows or deletes a record and lists its name again; false when there is no such
    // record. These are rare: the level's version is bumped always.
    Expected<bool> ChangeIn(LedgerTransaction& tx, std::int64_t id, RecordChange change) const;
    // The record's place on its level's ranking table, 0 when it is not on it.
    Expected<std::int64_t> RankIn(LedgerTransaction& tx, std::int64_t id) const;
    // The record's place on its day's table, 0 when it is not on it.
    static Expected<std::int64_t> DailyRankIn(LedgerTransaction& tx, std::int64_t id);
    // At most `count` rows of a day's table from rank `first` on: each name's best verified
    // game of the day that is not hidden, best first.
    static Expected<std::vector<RankedRecord>> DailyTopIn(LedgerTransaction& tx, std::int64_t day, int first,
                                                          int count);
    // At most `count` rows of a level's ranking table from rank `first` on.
    Expected<std::vector<RankedRecord>> TopIn(LedgerTransaction& tx, int level, int first, int count) const;
    // Stores the lines of an import batch that `progress` does not skip (see
    // RecordStore::Import) and counts them in `progress`.
    Expected<bool> ImportIn(LedgerTransaction& tx, const std::vector<RecordLine>& batch,
                            ImportProgress& progress) const;
    // At most `count` verified records with a replay whose ids are above `afterId`, by id.
    static Expected<std::vector<VerifiedReplay>> VerifiedReplaysIn(LedgerTransaction& tx,
                                                                   std::int64_t afterId, std::size_t count);
    // Stores what the current rules make of verified records (see RecordStore::Reverify), in
    // id order, and counts them in `counts`. A record deleted or unverified since it was read
    // is left as it is. A record the rules still verify keeps its game unless an earlier one
    // holds it; a later verified record holding it is unverified, as the same game.
    Expected<bool> ReverifyIn(LedgerTransaction& tx, const std::vector<Recheck>& rechecks,
                              ReverifyCounts& counts) const;
    // The table versions of kFirstLevel to kLastLevel.
    static Expected<std::vector<std::int64_t>> ReadTableVersions(LedgerTransaction& tx);

private:
    // Whether the record is on the ranking table.
    bool OnRanking(const ListedState& record) const;
    // A day's table to list a name on again with its level's, and the name's records on it
    // before the change.
    struct DayRelist {
        std::int64_t day = 0;
        const std::vector<ListedState>* before = nullptr;
    };
    // Lists the name's best records again, counts the change in the trees and bumps the
    // level's version when it reached the first rows, or `alwaysBump`; `before` holds the
    // name's listed records before the change. With `day` the name's place on the day's table
    // is listed again too, after the level's trees and before the version: every transaction
    // writes the level's trees, then the days' trees, then the version.
    bool Relist(LedgerTransaction& tx, int level, const std::string& name,
                const std::vector<ListedState>& before, bool alwaysBump,
                std::optional<DayRelist> day = std::nullopt) const;
    // Lists the name's best verified game of the day on the day's table again and counts the
    // change in the day's tree; `before` holds the name's records on it before the change,
    // and without it they are read first.
    static bool RelistDay(LedgerTransaction& tx, std::int64_t day, const std::string& name,
                          const std::vector<ListedState>& before);
    static bool RelistDay(LedgerTransaction& tx, std::int64_t day, const std::string& name) {
        std::vector<ListedState> before;
        return tx.DailyListedOfName(day, name, before) && RelistDay(tx, day, name, before);
    }
    // Lists the name's best records again and adds the count trees' changes to `changes`;
    // `after` receives the name's listed records now.
    static bool ListAgain(LedgerTransaction& tx, int level, const std::string& name,
                          const std::vector<ListedState>& before, RankTreeChanges& changes,
                          std::vector<ListedState>& after);

    LedgerPolicy m_policy;
    Listing m_ranking;
};

} // namespace server
