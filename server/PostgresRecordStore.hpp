#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "server/RecordStore.hpp"

namespace server {

// Records in a PostgreSQL database, which several servers may share. Every publish is one
// transaction, committed before it returns. Connections come from a pool of at most
// kMaxConnections; a broken one is dropped and replaced on the next call.
class PostgresRecordStore final : public RecordStore {
public:
    static constexpr std::size_t kMaxConnections = 16;

    // Connects with a libpq address ("postgresql://...") and creates the tables if needed.
    static Expected<std::unique_ptr<PostgresRecordStore>> Open(const std::string& url);
    ~PostgresRecordStore() override;

    Expected<PublishResult> Publish(const NewRecord& record) override;
    Expected<std::vector<RankedRecord>> Top(int level, int first, int count) override;

    // One connection with its prepared statements.
    struct Session;

private:
    explicit PostgresRecordStore(std::string url);
    Expected<std::unique_ptr<Session>> Take();
    // Puts a session back for the next call; null or broken ones are closed.
    void Return(std::unique_ptr<Session> session);

    std::string m_url;
    std::mutex m_lock;
    std::condition_variable m_returned;
    std::vector<std::unique_ptr<Session>> m_idle;
    std::size_t m_open = 0;
};

} // namespace server
