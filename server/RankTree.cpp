#include "RankTree.hpp"

#include <cassert>

namespace server {

namespace {

// A better score has a smaller position: INT32_MAX is 1, 0 is kRankTreeSize.
std::int64_t positionOf(std::int32_t score) {
    assert(score >= 0);
    return kRankTreeSize - std::int64_t(score < 0 ? 0 : score);
}

std::int64_t lowestBit(std::int64_t value) { return value & -value; }

} // namespace

std::vector<std::int64_t> RankTreeNodesAbove(std::int32_t score) {
    std::vector<std::int64_t> nodes;
    for (std::int64_t node = positionOf(score) - 1; node > 0; node -= lowestBit(node)) nodes.push_back(node);
    return nodes;
}

std::vector<std::int64_t> RankTreeNodesOf(std::int32_t score) {
    std::vector<std::int64_t> nodes;
    for (std::int64_t node = positionOf(score); node < kRankTreeSize; node += lowestBit(node)) nodes.push_back(node);
    return nodes;
}

void AddToRankTree(RankTreeChanges& changes, int level, Listing listing, std::int32_t score, std::int64_t delta) {
    for (std::int64_t node : RankTreeNodesOf(score)) changes[RankTreeKey{level, listing, node}] += delta;
}

void AddListingChanges(RankTreeChanges& changes, int level, const std::vector<ListedState>& before,
                       const std::vector<ListedState>& after) {
    std::map<std::int64_t, std::pair<const ListedState*, const ListedState*>> byId;
    for (const ListedState& s : before) byId[s.id].first = &s;
    for (const ListedState& s : after) byId[s.id].second = &s;
    for (const auto& [id, states] : byId) {
        const auto [was, is] = states;
        assert(!was || !is || was->score == is->score);
        const std::int32_t score = was ? was->score : is->score;
        const int all = int(is && is->listed) - int(was && was->listed);
        const int verified = int(is && is->listedVerified) - int(was && was->listedVerified);
        if (all != 0) AddToRankTree(changes, level, Listing::All, score, all);
        if (verified != 0) AddToRankTree(changes, level, Listing::Verified, score, verified);
    }
}

void AddDayListingChanges(RankTreeChanges& changes, std::int64_t day, const std::vector<ListedState>& before,
                          const std::vector<ListedState>& after) {
    std::map<std::int64_t, std::pair<const ListedState*, const ListedState*>> byId;
    for (const ListedState& s : before) byId[s.id].first = &s;
    for (const ListedState& s : after) byId[s.id].second = &s;
    for (const auto& [id, states] : byId) {
        const auto [was, is] = states;
        const int delta = int(is && is->listed) - int(was && was->listed);
        if (delta != 0) AddToRankTree(changes, int(day), Listing::Daily, was ? was->score : is->score, delta);
    }
}

void DropZeroChanges(RankTreeChanges& changes) {
    std::erase_if(changes, [](const auto& change) { return change.second == 0; });
}

} // namespace server
