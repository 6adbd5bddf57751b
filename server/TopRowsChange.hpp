#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "server/RankTree.hpp"

namespace server {

// Whether a change to a name's records reached the first rows of a level's table, so that
// the table's version must grow. A change lists and unlists records of one name; every other
// record keeps its place relative to the others.

// A record's place in a table's order: the higher score first, among equal scores the later
// record (the larger id) first.
struct RowKey {
    std::int32_t score = 0;
    std::int64_t id = 0;
};

// Whether row `a` ranks above row `b`, or is the same row.
bool RanksAtOrAbove(RowKey a, RowKey b);

// The records that entered or left a table of `listing` between `before` and `after`, the
// name's listed records around a change.
std::vector<RowKey> MovedRows(const std::vector<ListedState>& before, const std::vector<ListedState>& after,
                              Listing listing);

// Whether moving `moved` into or out of a table changed its first rows, given the last of
// those rows after the change (nothing when the table now has fewer). A record that entered
// at or above that row is among them; one that left from above it was among them before.
// One that left from below it was below before as well, unless a record entered above it,
// which the first case catches.
bool ChangesFirstRows(const std::vector<RowKey>& moved, std::optional<RowKey> lastFirstRow);

} // namespace server
