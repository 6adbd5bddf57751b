#pragma once

#include <vector>

#include "server/Expected.hpp"
#include "server/Records.hpp"

namespace server {

// Where published records live. Every operation may run on many threads at once; a failure
// of the database comes back as an Error, never as an exception.
//
// Ordering on a level: highest score first, among equal scores the later record first.
class RecordStore {
public:
    virtual ~RecordStore() = default;

    // Stores the record unless the same report came within kDuplicateWindowSeconds before
    // its receivedAt, then keeps only the kRecordsPerNameAndLevel best records of its name
    // and level. A value means the outcome is durable: it survives a crash of the process.
    virtual Expected<PublishResult> Publish(const NewRecord& record) = 0;

    // At most `count` records of a level, starting at rank `first` (1 for the best).
    virtual Expected<std::vector<RankedRecord>> Top(int level, int first, int count) = 0;
};

} // namespace server
