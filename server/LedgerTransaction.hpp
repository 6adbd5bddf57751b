#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "server/ImportPlan.hpp"
#include "server/RankTree.hpp"
#include "server/RecordLine.hpp"
#include "server/Records.hpp"
#include "server/TopRowsChange.hpp"

namespace server {

// Whether a record is verified, and why not.
struct RecordState {
    bool verified = false;
    std::string reason = kNoReplayReason;
    bool operator==(const RecordState&) const = default;
};

// What a record's verification is: its state, the hash of its game (for a verified record and
// for one unverified as the same game as another) and its board (verified only).
struct Verification {
    RecordState state;
    std::string replayHash;
    std::string board;
    bool operator==(const Verification&) const = default;
};

// A record as the ledger stores it: the board only when verified.
struct RecordRow {
    int level = kFirstLevel;
    std::int32_t score = 0;
    std::string name;
    std::int64_t publishedAt = 0;
    RecordState state;
    std::string replay;
    std::string replayHash;
    std::string board;
    std::optional<std::int64_t> day{}; // the day whose table the record is for, if any
};

// One line of an import as stored: its id, whether it is listed and its report text.
struct ImportedRow {
    const RecordLine* line = nullptr;
    std::int64_t id = 0;
    bool listed = false;
    std::string report;
};

// A stored record's level, with its score and places on the tables.
struct RecordPlace {
    int level = kFirstLevel;
    ListedState state;
};

// A stored record's day, with its score and whether the day's table lists it.
struct DailyPlace {
    std::int64_t day = 0;
    std::int32_t score = 0;
    bool listed = false;
};

// A level's table version.
struct LevelVersion {
    int level = kFirstLevel;
    std::int64_t version = 0;
};

// The statements of one open transaction in one database dialect, out of which the Ledger
// writes its rules. Every call returns false on a failure of the database, after which the
// transaction is only rolled back; FailureReason() tells why. No call throws.
class LedgerTransaction {
public:
    virtual ~LedgerTransaction() = default;

    // The reason of the last failed call.
    virtual std::string FailureReason() const = 0;

    // Changes to one name on one level wait for each other, and publishes of one verified
    // replay, until the transaction ends. A dialect whose writers take turns anyway does
    // nothing.
    virtual bool LockName(int level, const std::string& name) = 0;
    virtual bool LockReplay(const std::string& replayHash) = 0;

    // The record that a report text was first stored as.
    virtual bool FindReport(const std::string& report, std::optional<std::int64_t>& id) = 0;
    virtual bool StateOf(std::int64_t id, std::optional<RecordState>& state) = 0;
    // The verified record with this replay.
    virtual bool FindVerifiedReplay(const std::string& replayHash, std::optional<std::int64_t>& id) = 0;
    // Stores a record shown and on no table; `id` receives its id.
    virtual bool Insert(const RecordRow& row, std::int64_t& id) = 0;
    virtual bool AddReport(const std::string& report, std::int64_t id) = 0;

    // Puts exactly the name's `limit` best shown records (the verified ones, for
    // Listing::Verified and Listing::Daily) on the table of `listing`; for Listing::Daily,
    // `level` is the day, as in the calls below.
    virtual bool ListBest(int level, const std::string& name, Listing listing, int limit) = 0;
    // The name's records on either table of the level.
    virtual bool ListedOfName(int level, const std::string& name, std::vector<ListedState>& records) = 0;
    // The records on the tables of every level and name in `keys`, put in `records` by level
    // and name; only the table of all records counts.
    virtual bool ListedOfNames(const std::vector<LevelAndName>& keys,
                               std::map<LevelAndName, std::vector<ListedState>>& records);
    virtual bool PlaceOf(std::int64_t id, std::optional<RecordPlace>& place) = 0;
    // The day of a record that is for a day's table; nothing for any other.
    virtual bool DayOf(std::int64_t id, std::optional<std::int64_t>& day) = 0;
    virtual bool DailyPlaceOf(std::int64_t id, std::optional<DailyPlace>& place) = 0;
    // The name's records on the day's table, `listed` set for each.
    virtual bool DailyListedOfName(std::int64_t day, const std::string& name,
                                   std::vector<ListedState>& records) = 0;

    // The sum of the nodes of a count tree (at most 31).
    virtual bool SumNodes(int level, Listing listing, const std::vector<std::int64_t>& nodes,
                          std::int64_t& sum) = 0;
    // The records of a table with the score that are later than `id`.
    virtual bool LaterTies(int level, Listing listing, std::int32_t score, std::int64_t id,
                           std::int64_t& count) = 0;
    // Adds counts to the trees' nodes, in the order given, none of them zero.
    virtual bool AddCounts(const RankTreeChanges& changes) = 0;

    // The row `offset` rows below the first of a table, nothing when it is shorter.
    virtual bool RowAt(int level, Listing listing, std::int64_t offset, std::optional<RowKey>& row) = 0;
    // At most `count` rows of a table from `offset` on, best first; their rank left 0.
    virtual bool Rows(int level, Listing listing, std::int64_t count, std::int64_t offset,
                      std::vector<RankedRecord>& rows) = 0;
    virtual bool BumpVersion(int level) = 0;
    virtual bool Versions(std::vector<LevelVersion>& versions) = 0;

    // At most `count` verified records with a replay whose ids are above `afterId`, by id.
    virtual bool VerifiedReplaysAfter(std::int64_t afterId, std::size_t count,
                                      std::vector<VerifiedReplay>& records) = 0;
    virtual bool VerificationOf(std::int64_t id, std::optional<Verification>& verification) = 0;
    virtual bool SetVerification(std::int64_t id, const Verification& verification) = 0;

    virtual bool Owner(std::int64_t id, std::optional<LevelAndName>& owner) = 0;
    virtual bool Hide(std::int64_t id, bool hidden) = 0;
    virtual bool Remove(std::int64_t id) = 0;

    // Makes the transaction ready for an import batch: it holds off every other writer, so the
    // batch sees every name's listing as it is and its ids stay above every stored one.
    virtual bool BeginImport() = 0;
    // Per line, the stored records equal to it (see ImportProgress) with ids up to
    // `storedBefore`, ascending.
    virtual bool EqualRecords(const std::vector<RecordLine>& lines, std::int64_t storedBefore,
                              std::vector<std::vector<std::int64_t>>& equal) = 0;
    // `count` ids above every stored one, ascending.
    virtual bool ReserveIds(std::size_t count, std::vector<std::int64_t>& ids) = 0;
    // Stores imported records, unverified for kImportedReason, with their report texts: the
    // record of the smallest id keeps a text that several share, a stored one keeps its own.
    virtual bool InsertImported(const std::vector<ImportedRow>& rows) = 0;
    // Takes records off the table of all records.
    virtual bool Unlist(const std::vector<std::int64_t>& ids) = 0;
};

} // namespace server
