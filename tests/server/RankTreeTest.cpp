// The count tree's arithmetic against a plain count, over the whole range of scores.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "server/RankTree.hpp"

using namespace server;

namespace {

std::int64_t above(const RankTreeChanges& tree, int level, Listing listing, std::int32_t score) {
    std::int64_t sum = 0;
    for (std::int64_t node : RankTreeNodesAbove(score)) {
        const auto it = tree.find(RankTreeKey{level, listing, node});
        if (it != tree.end()) sum += it->second;
    }
    return sum;
}

TEST(RankTree, SumsCountTheBetterScoresExactlyAtEveryScale) {
    std::mt19937 random(7);
    std::vector<std::int32_t> scores{0, 1, 2, INT_MAX - 1, INT_MAX, 0, 0, 1 << 30, (1 << 30) - 1};
    for (int i = 0; i < 300; ++i)
        scores.push_back(std::int32_t(i % 2 ? random() % (1u << 31) : random() % 50));
    RankTreeChanges tree;
    for (std::int32_t s : scores) AddToRankTree(tree, 1, Listing::All, s, 1);
    for (std::int32_t s : {scores[5], scores[20]}) AddToRankTree(tree, 1, Listing::All, s, -1);
    std::vector<std::int32_t> kept(scores.begin(), scores.end());
    kept.erase(kept.begin() + 20);
    kept.erase(kept.begin() + 5);
    for (std::int32_t probe : scores) {
        const auto expected = std::count_if(kept.begin(), kept.end(), [&](std::int32_t s) { return s > probe; });
        ASSERT_EQ(above(tree, 1, Listing::All, probe), expected) << probe;
        EXPECT_EQ(above(tree, 2, Listing::All, probe), 0);
        EXPECT_EQ(above(tree, 1, Listing::Verified, probe), 0);
    }
    for (std::int32_t s : scores) {
        EXPECT_LE(RankTreeNodesAbove(s).size(), 31u);
        EXPECT_LE(RankTreeNodesOf(s).size(), 31u);
        for (std::int64_t node : RankTreeNodesOf(s)) EXPECT_LT(node, kRankTreeSize) << "no node counts everything";
    }
}

TEST(RankTree, ListingChangesCountRecordsThatEnterOrLeaveEachTable) {
    RankTreeChanges changes;
    const std::vector<ListedState> before{{1, 50, true, true}, {2, 40, true, false}, {3, 30, true, false}};
    // 1 is unchanged, 2 becomes verified-listed, 3 is deleted, 4 is new on the table only.
    const std::vector<ListedState> after{{1, 50, true, true}, {2, 40, true, true}, {4, 60, true, false}};
    AddListingChanges(changes, 3, before, after);
    EXPECT_EQ(above(changes, 3, Listing::All, 0), 0) << "one in, one out";
    EXPECT_EQ(above(changes, 3, Listing::All, 35), 1);
    EXPECT_EQ(above(changes, 3, Listing::Verified, 0), 1);
    EXPECT_EQ(above(changes, 3, Listing::Verified, 40), 0);
    DropZeroChanges(changes);
    for (const auto& change : changes) EXPECT_NE(change.second, 0);
    RankTreeChanges none;
    AddListingChanges(none, 1, before, before);
    DropZeroChanges(none);
    EXPECT_TRUE(none.empty());
}

} // namespace
