#include "TopRowsChange.hpp"

#include <algorithm>

namespace server {

bool RanksAtOrAbove(RowKey a, RowKey b) { return a.score > b.score || (a.score == b.score && a.id >= b.id); }

std::vector<RowKey> MovedRows(const std::vector<ListedState>& before, const std::vector<ListedState>& after,
                              Listing listing) {
    const auto listedIn = [listing](const ListedState& s) {
        return listing == Listing::Verified ? s.listedVerified : s.listed;
    };
    const auto has = [&](const std::vector<ListedState>& states, const ListedState& record) {
        return std::any_of(states.begin(), states.end(),
                           [&](const ListedState& s) { return s.id == record.id && listedIn(s); });
    };
    std::vector<RowKey> moved;
    for (const ListedState& s : before)
        if (listedIn(s) && !has(after, s)) moved.push_back({s.score, s.id});
    for (const ListedState& s : after)
        if (listedIn(s) && !has(before, s)) moved.push_back({s.score, s.id});
    return moved;
}

bool ChangesFirstRows(const std::vector<RowKey>& moved, std::optional<RowKey> lastFirstRow) {
    if (moved.empty()) return false;
    if (!lastFirstRow) return true;
    return std::any_of(moved.begin(), moved.end(), [&](RowKey row) { return RanksAtOrAbove(row, *lastFirstRow); });
}

} // namespace server
