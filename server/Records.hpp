#pragma once

#include <cstdint>
#include <string>

#include "store/TScoresTable.hpp"

namespace server {

// The levels a report may name: 1 Novice, 2 Expert, 3 Master, as the game numbers them.
inline constexpr int kFirstLevel = 1;
inline constexpr int kLastLevel = 3;
// Records listed per name and level, the same limit as the game's own table file.
inline constexpr int kRecordsPerNameAndLevel = store::TScoresTable::kGroupLimit;

// Ranks of new records are counted this far.
inline constexpr std::int64_t kRankLimit = 10'000;

// A checked report, ready to be stored.
struct NewRecord {
    int level = kFirstLevel;
    std::int32_t score = 0;
    std::string name;           // UTF-8, no control characters
    std::string report;         // the decoded report text; equal texts are the same report, stored once
    std::int64_t receivedAt = 0;  // seconds since the epoch
};

enum class PublishOutcome {
    Stored,     // a new record, listed on its level
    Duplicate,  // the same report was stored before; nothing new stored
    NotListed,  // stored, but the name already lists kRecordsPerNameAndLevel better records
};

struct PublishResult {
    PublishOutcome outcome = PublishOutcome::Stored;
    // The record's place on its level, 1 for the best; 0 when it is not listed or ranks below
    // kRankLimit (counting further would cost every publish time that grows with the table).
    std::int64_t rank = 0;
};

// One row of a level's table.
struct RankedRecord {
    std::int64_t rank = 0;
    std::int32_t score = 0;
    std::string name;
    std::int64_t publishedAt = 0;  // seconds since the epoch
};

// One stored record as the operator sees it.
struct StoredRecord {
    std::int64_t id = 0;
    int level = kFirstLevel;
    std::int32_t score = 0;
    std::string name;
    std::int64_t publishedAt = 0;
    bool hidden = false;
};

// The level's name as the game shows it, or "" outside 1-3.
const char* LevelName(int level);

} // namespace server
