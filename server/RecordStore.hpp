#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/Expected.hpp"
#include "server/Records.hpp"

namespace server {

// When a publish must have its answer from the database at the latest.
using Deadline = std::chrono::steady_clock::time_point;
// The longest a publish waits for the database, queueing included.
inline constexpr std::chrono::seconds kPublishWait{5};

// What `admin list` picks: every record, or those of one level and/or one name.
struct RecordFilter {
    std::optional<int> level;
    std::optional<std::string> name;
};

// Where published records live. Every operation may run on many threads at once; a failure
// of the database comes back as an Error, never as an exception.
//
// No publish ever removes a record. A level's table lists, per name, that name's
// kRecordsPerNameAndLevel best records that are not hidden; every other record stays stored
// unlisted. Ordering on a level: highest score first, among equal scores the later record first.
class RecordStore {
public:
    virtual ~RecordStore() = default;

    // Stores the record unless the same report was ever stored before, and lists the name's
    // best records again. A value means the outcome is durable: it survives a crash of the
    // process. Past the deadline the publish gives up with an Error and stores nothing.
    virtual Expected<PublishResult> Publish(const NewRecord& record, Deadline deadline) = 0;
    Expected<PublishResult> Publish(const NewRecord& record) {
        return Publish(record, std::chrono::steady_clock::now() + kPublishWait);
    }

    // At most `count` listed records of a level, starting at rank `first` (1 for the best).
    virtual Expected<std::vector<RankedRecord>> Top(int level, int first, int count) = 0;

    // The operator's view: every stored record the filter picks, by level, then as ranked.
    virtual Expected<std::vector<StoredRecord>> List(const RecordFilter& filter) = 0;
    // Hides a record from the tables or shows it again; false when there is no such record.
    virtual Expected<bool> SetHidden(std::int64_t id, bool hidden) = 0;
    // Removes a record for good; false when there is no such record.
    virtual Expected<bool> Delete(std::int64_t id) = 0;
};

} // namespace server
