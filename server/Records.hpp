#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "store/TScoresTable.hpp"

namespace server {

// The levels a report may name: 1 Novice, 2 Expert, 3 Master, as the game numbers them.
inline constexpr int kFirstLevel = 1;
inline constexpr int kLastLevel = 3;
// Records listed per name and level, the same limit as the game's own table file.
inline constexpr int kRecordsPerNameAndLevel = store::TScoresTable::kGroupLimit;

// The longest replay text a publish may carry and a record keeps: the game sends a replay only
// in an address of at most 8 KiB.
inline constexpr std::size_t kMaxStoredReplay = 8192;

// Why a record without a replay is unverified.
inline constexpr const char* kNoReplayReason = "no replay";

// What the server made of a publish's replay.
struct ReplayCheck {
    bool verified = false;
    std::string reason = kNoReplayReason;  // why not; empty when verified
    std::string replay{};     // the replay text as sent, kept when it is base64url within kMaxStoredReplay
    std::string replayHash{}; // verified only: SHA-256 (hex) of the game's identity (rules::GameIdentity)
    std::string board{};      // verified only: the final court, 16 rows of 16 digits 0-7 joined by '/'
    std::uint32_t start = 0;  // verified only: the generator start the replay's game began from
};

// A checked report, ready to be stored.
struct NewRecord {
    int level = kFirstLevel;
    std::int32_t score = 0;
    std::string name;           // UTF-8, no control characters
    std::string report;         // the decoded report text; equal texts are the same report, stored once
    std::int64_t receivedAt = 0;  // seconds since the epoch
    ReplayCheck check{};        // the replay's verdict; a verified replay counts for one record only
};

enum class PublishOutcome {
    Stored,     // a new record, listed on its level
    Duplicate,  // the same report was stored before; nothing new stored
    NotListed,  // stored, but the name already lists kRecordsPerNameAndLevel better records
};

struct PublishResult {
    PublishOutcome outcome = PublishOutcome::Stored;
    // The record's place on its level, 1 for the best, however far down; 0 when it is not
    // listed, or when the rank could not be read just after the record was stored.
    std::int64_t rank = 0;
    // The record as stored (for a duplicate, the earlier one): a verified replay already
    // used by another record leaves this one unverified, with the reason.
    bool verified = false;
    std::string reason = kNoReplayReason;
    // The day (days since 1970-01-01) whose table the record entered, and its place there, 1
    // for the best; 0 when it could not be read just after the record was stored.
    std::optional<std::int64_t> day{};
    std::int64_t dailyRank = 0;
};

// One row of a level's table.
struct RankedRecord {
    std::int64_t rank = 0;
    std::int32_t score = 0;
    std::string name;
    std::int64_t publishedAt = 0;  // seconds since the epoch
    std::int64_t id = 0;
    bool verified = false;
    std::string board{};  // verified only: as in ReplayCheck
};

// One stored record as the operator sees it.
struct StoredRecord {
    std::int64_t id = 0;
    int level = kFirstLevel;
    std::int32_t score = 0;
    std::string name;
    std::int64_t publishedAt = 0;
    bool hidden = false;
    bool verified = false;
    std::string reason = kNoReplayReason;  // empty when verified
};

// The replay of a verified record, for downloading.
struct StoredReplay {
    std::int64_t id = 0;
    int level = kFirstLevel;
    std::int32_t score = 0;
    std::string replay{};
};

// A verified record's replay, for checking it again by the current rules.
struct VerifiedReplay {
    std::int64_t id = 0;
    int level = kFirstLevel;
    std::int32_t score = 0;
    std::string name;
    std::string replay{};
};

// A verified record with the verdict of the current rules on its replay.
struct Recheck {
    VerifiedReplay record;
    ReplayCheck check;
};

// What checking verified records again did: `checked` records judged, each either still
// verified or now unverified, because the rules no longer verify its replay or because an
// earlier record holds the same game.
struct ReverifyCounts {
    std::int64_t checked = 0;
    std::int64_t stillVerified = 0;
    std::int64_t notFaithful = 0;
    std::int64_t sameGame = 0;
};

// The level's name as the game shows it, or "" outside 1-3.
const char* LevelName(int level);

// The reason a record whose verified replay an earlier record `earlierId` holds is unverified.
std::string SameReplayReason(std::int64_t earlierId);

} // namespace server
