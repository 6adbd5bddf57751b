#include "ImportPlan.hpp"

#include <algorithm>
#include <cassert>

namespace server {

bool TakeEqualRecord(ImportProgress& progress, const std::vector<std::int64_t>& equalIds) {
    for (const std::int64_t id : equalIds) {
        assert(id > 0 && id <= progress.storedBefore);
        const auto index = std::size_t(id);
        if (index < progress.matched.size() && progress.matched[index]) continue;
        if (index >= progress.matched.size()) progress.matched.resize(index + 1);
        progress.matched[index] = true;
        ++progress.skipped;
        return true;
    }
    return false;
}

ImportListing PlanImportListing(const std::vector<RecordLine>& records, const std::vector<std::int64_t>& ids,
                                const std::map<LevelAndName, std::vector<ListedState>>& listedNow) {
    assert(records.size() == ids.size());
    ImportListing plan;
    plan.listed.assign(records.size(), false);
    std::map<LevelAndName, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < records.size(); ++i) byName[{records[i].level, records[i].name}].push_back(i);

    struct Candidate {
        std::int32_t score;
        std::int64_t id;
        std::ptrdiff_t fresh;  // index into `records`, or -1 for a stored record
    };
    // Every node's changes gathered in a list and summed after one sort: far cheaper than a
    // map lookup for each of the up to 31 nodes of every record.
    std::vector<std::pair<RankTreeKey, std::int64_t>> nodes;
    auto count = [&](int level, std::int32_t score, std::int64_t delta) {
        for (const std::int64_t node : RankTreeNodesOf(score)) nodes.push_back({RankTreeKey{level, Listing::All, node}, delta});
    };
    std::vector<Candidate> candidates;
    for (const auto& [key, indexes] : byName) {
        candidates.clear();
        if (const auto now = listedNow.find(key); now != listedNow.end())
            for (const ListedState& s : now->second)
                if (s.listed) candidates.push_back({s.score, s.id, -1});
        for (const std::size_t i : indexes) candidates.push_back({records[i].score, ids[i], std::ptrdiff_t(i)});
        // Best first: the higher score, then the later record.
        std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
            return a.score != b.score ? a.score > b.score : a.id > b.id;
        });
        for (std::size_t rank = 0; rank < candidates.size(); ++rank) {
            const Candidate& c = candidates[rank];
            const bool listed = rank < std::size_t(kRecordsPerNameAndLevel);
            if (c.fresh >= 0 && listed) {
                plan.listed[std::size_t(c.fresh)] = true;
                count(key.first, c.score, 1);
            } else if (c.fresh < 0 && !listed) {
                plan.unlisted.push_back(c.id);
                count(key.first, c.score, -1);
            }
        }
    }
    std::sort(plan.unlisted.begin(), plan.unlisted.end());
    std::sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < nodes.size();) {
        std::int64_t sum = 0;
        std::size_t j = i;
        for (; j < nodes.size() && nodes[j].first == nodes[i].first; ++j) sum += nodes[j].second;
        if (sum != 0) plan.changes.emplace_hint(plan.changes.end(), nodes[i].first, sum);
        i = j;
    }
    return plan;
}

std::int64_t StartOfUtcDay(std::int64_t publishedAt) {
    constexpr std::int64_t kDay = 86'400;
    const std::int64_t remainder = publishedAt % kDay;
    return publishedAt - (remainder < 0 ? remainder + kDay : remainder);
}

} // namespace server
