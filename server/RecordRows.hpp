#pragma once

#include <cstdint>

#include "server/LedgerTransaction.hpp"
#include "server/Records.hpp"

namespace server {

// Records read from a row of either dialect. `Row` gives a column by its index as
// Int64(i), Text(i) and Flag(i); the statements select the columns in the order named.

// score, name, published_at, id, verified, board
template <class Row>
RankedRecord RankedRecordOf(const Row& row) {
    RankedRecord record;
    record.score = std::int32_t(row.Int64(0));
    record.name = row.Text(1);
    record.publishedAt = row.Int64(2);
    record.id = row.Int64(3);
    record.verified = row.Flag(4);
    if (record.verified) record.board = row.Text(5);
    return record;
}

// id, level, score, name, published_at, hidden, verified, reason
template <class Row>
StoredRecord StoredRecordOf(const Row& row) {
    StoredRecord record;
    record.id = row.Int64(0);
    record.level = int(row.Int64(1));
    record.score = std::int32_t(row.Int64(2));
    record.name = row.Text(3);
    record.publishedAt = row.Int64(4);
    record.hidden = row.Flag(5);
    record.verified = row.Flag(6);
    record.reason = row.Text(7);
    return record;
}

// id, level, score, replay
template <class Row>
StoredReplay StoredReplayOf(const Row& row) {
    return StoredReplay{row.Int64(0), int(row.Int64(1)), std::int32_t(row.Int64(2)), row.Text(3)};
}

// id, score, listed, listed_verified
template <class Row>
ListedState ListedStateOf(const Row& row) {
    return ListedState{row.Int64(0), std::int32_t(row.Int64(1)), row.Flag(2), row.Flag(3)};
}

// level, score, listed, listed_verified
template <class Row>
RecordPlace RecordPlaceOf(const Row& row, std::int64_t id) {
    return RecordPlace{int(row.Int64(0)),
                       ListedState{id, std::int32_t(row.Int64(1)), row.Flag(2), row.Flag(3)}};
}

// level, score, name, published_at
template <class Row>
RecordLine RecordLineOf(const Row& row) {
    return RecordLine{int(row.Int64(0)), std::int32_t(row.Int64(1)), row.Text(2), row.Int64(3)};
}

} // namespace server
