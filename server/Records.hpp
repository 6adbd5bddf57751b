#pragma once

#include <cstdint>
#include <string>

#include "store/TScoresTable.hpp"

namespace server {

// The levels a report may name: 1 Novice, 2 Expert, 3 Master, as the game numbers them.
inline constexpr int kFirstLevel = 1;
inline constexpr int kLastLevel = 3;
// Records kept per name and level, the same limit as the game's own table file.
inline constexpr int kRecordsPerNameAndLevel = store::TScoresTable::kGroupLimit;
// The same report received again within this many seconds is stored only once.
inline constexpr std::int64_t kDuplicateWindowSeconds = 60;

// A checked report, ready to be stored.
struct NewRecord {
    int level = kFirstLevel;
    std::int32_t score = 0;
    std::string name;           // UTF-8, no control characters
    std::string report;         // the decoded report text; equal texts are the same report
    std::int64_t receivedAt = 0;  // seconds since the epoch
};

enum class PublishOutcome {
    Stored,     // a new record
    Duplicate,  // the same report came within kDuplicateWindowSeconds; nothing new stored
    NotKept,    // the name already holds kRecordsPerNameAndLevel better records on the level
};

struct PublishResult {
    PublishOutcome outcome = PublishOutcome::Stored;
    // The record's place on its level, 1 for the best; 0 when no such record is kept.
    std::int64_t rank = 0;
};

// One row of a level's table.
struct RankedRecord {
    std::int64_t rank = 0;
    std::int32_t score = 0;
    std::string name;
    std::int64_t publishedAt = 0;  // seconds since the epoch
};

// The level's name as the game shows it, or "" outside 1-3.
const char* LevelName(int level);

} // namespace server
