#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "server/RecordStore.hpp"

namespace server {

class SqliteConnection;

// Records in one SQLite file in write-ahead-log mode with full sync: a publish is on disk
// when it returns. One connection writes, under a lock; reads use a pool of connections of
// their own, so pages are served while a publish commits.
class SqliteRecordStore final : public RecordStore {
public:
    // Opens or creates the file and its tables.
    static Expected<std::unique_ptr<SqliteRecordStore>> Open(const std::string& path);
    ~SqliteRecordStore() override;

    Expected<PublishResult> Publish(const NewRecord& record) override;
    Expected<std::vector<RankedRecord>> Top(int level, int first, int count) override;

    struct Writer;
    struct Reader;

private:
    SqliteRecordStore(std::string path, std::unique_ptr<Writer> writer);
    Expected<std::unique_ptr<Reader>> TakeReader();
    void ReturnReader(std::unique_ptr<Reader> reader);

    std::string m_path;
    std::mutex m_writeLock;
    std::unique_ptr<Writer> m_writer;
    std::mutex m_readersLock;
    std::vector<std::unique_ptr<Reader>> m_idleReaders;
};

} // namespace server
