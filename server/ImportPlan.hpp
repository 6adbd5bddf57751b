#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "server/RankTree.hpp"
#include "server/RecordLine.hpp"

namespace server {

// Why an imported record is unverified: it came without a replay.
inline constexpr const char* kImportedReason = "imported";

// What an import carries from one batch to the next. A line equal to a record stored before
// the import began (same level, score, name and UTC day) is that record, stored by an earlier
// run of the same import, and is skipped; each stored record stands for one line only, so
// equal lines are all stored but for as many as were stored before.
struct ImportProgress {
    std::int64_t storedBefore = 0;  // the largest record id when the import began
    std::vector<bool> matched;      // by id: stored records a line was skipped for
    std::int64_t imported = 0;
    std::int64_t skipped = 0;
};

// Takes the first of `equalIds` (stored records equal to a line, ids at most storedBefore)
// that no earlier line took, and counts the line skipped; false when all are taken.
bool TakeEqualRecord(ImportProgress& progress, const std::vector<std::int64_t>& equalIds);

// A level and a name: the records a name lists on a level.
using LevelAndName = std::pair<int, std::string>;

// How new records change the tables. `records` get the `ids`; `listedNow` holds, for each of their levels and names, the records listed now. A
// name lists its kRecordsPerNameAndLevel best records, the later one first among equal
// scores, exactly as publishing the records one by one would leave it. Imported records
// are unverified, so the verified-only tables do not change.
struct ImportListing {
    std::vector<bool> listed;              // per new record
    std::vector<std::int64_t> unlisted;    // stored records the new ones push off, ascending
    RankTreeChanges changes;
};
ImportListing PlanImportListing(const std::vector<RecordLine>& records, const std::vector<std::int64_t>& ids,
                                const std::map<LevelAndName, std::vector<ListedState>>& listedNow);

// The first second of the UTC day that `publishedAt` falls on.
std::int64_t StartOfUtcDay(std::int64_t publishedAt);

} // namespace server
