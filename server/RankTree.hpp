#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <vector>

namespace server {

// The listed records of every level are counted per score in a binary indexed (Fenwick) tree
// kept in the database, one tree per level and listing: the count of records scoring above a
// score is the sum of at most 31 of its nodes, and listing or unlisting a record changes at
// most 31 nodes. Positions run from the best score (1) to the worst, so the sums the ranks
// need are prefix sums. Scores are 0 or more, as publishes are.

// Which records a tree counts: the tables of all listed records, of verified-only ranking, or
// of a day's games. A day's tree stands where a level's would, under the day's number
// (days since 1970-01-01) in place of the level.
enum class Listing : int { All = 0, Verified = 1, Daily = 2 };

// Every score from 0 to INT32_MAX has a position from 1 to kRankTreeSize.
inline constexpr std::int64_t kRankTreeSize = std::int64_t(1) << 31;

// The nodes whose counts add up to the records scoring above `score`, at most 31.
std::vector<std::int64_t> RankTreeNodesAbove(std::int32_t score);
// The nodes that count a record of `score`, at most 31. The last node, which would count
// every record, is never summed and so never kept: it would be a row that every change on
// the level writes, and on PostgreSQL every publish on the level would wait for the one
// before to commit.
std::vector<std::int64_t> RankTreeNodesOf(std::int32_t score);

struct RankTreeKey {
    int level = 0;
    Listing listing = Listing::All;
    std::int64_t node = 0;
    auto operator<=>(const RankTreeKey&) const = default;
};

// Changes to the trees' counts, in node order: written in this order, two transactions that
// change the same nodes wait for each other instead of deadlocking.
using RankTreeChanges = std::map<RankTreeKey, std::int64_t>;

// Counts `delta` records of `score` in the tree of `level` and `listing`.
void AddToRankTree(RankTreeChanges& changes, int level, Listing listing, std::int32_t score, std::int64_t delta);

// One record of a name, with whether each table lists it.
struct ListedState {
    std::int64_t id = 0;
    std::int32_t score = 0;
    bool listed = false;
    bool listedVerified = false;
};

// The tree changes that take a level from a name's records `before` a change to those `after`:
// a record only in one of them is unlisted in the other.
void AddListingChanges(RankTreeChanges& changes, int level, const std::vector<ListedState>& before,
                       const std::vector<ListedState>& after);

// The tree changes of a day's table from a name's records on it `before` a change to those
// `after`; here `listed` tells whether the day's table lists a record.
void AddDayListingChanges(RankTreeChanges& changes, std::int64_t day, const std::vector<ListedState>& before,
                          const std::vector<ListedState>& after);

// Drops changes that cancel out, so nothing writes a row it does not change.
void DropZeroChanges(RankTreeChanges& changes);

} // namespace server
