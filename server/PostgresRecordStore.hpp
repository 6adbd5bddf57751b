#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "server/Ledger.hpp"
#include "server/RecordStore.hpp"
#include "server/SocketWatchdog.hpp"

namespace server {

// Records in a PostgreSQL database, which several servers may share. Every publish is one
// transaction, committed before it returns. Connections come from a pool of at most
// kMaxConnections. Nothing waits without bound: a connection is made within a few seconds, a
// statement runs at most five, the wait for a pooled connection and the whole call end at the
// deadline (a watchdog hangs up on a server that does not answer, even a frozen one). A
// pooled connection the server has closed is replaced before use, and a call whose connection
// breaks before committing is tried once more on a fresh one. The rules are the Ledger's, over
// the statements of PostgresLedgerTransaction.
class PostgresRecordStore final : public RecordStore {
public:
    static constexpr std::size_t kMaxConnections = 16;

    // Connects with a libpq address ("postgresql://...") and creates the tables if needed.
    static Expected<std::unique_ptr<PostgresRecordStore>> Open(const std::string& url);
    ~PostgresRecordStore() override;

    using RecordStore::Publish;
    Expected<PublishResult> Publish(const NewRecord& record, Deadline deadline) override;
    Expected<std::vector<RankedRecord>> Top(int level, int first, int count) override;
    Expected<std::vector<RankedRecord>> DailyTop(std::int64_t day, int first, int count) override;
    Expected<std::vector<std::int64_t>> TableVersions() override;
    Expected<std::vector<StoredRecord>> List(const RecordFilter& filter) override;
    Expected<bool> SetHidden(std::int64_t id, bool hidden) override;
    Expected<bool> Delete(std::int64_t id) override;
    Expected<std::optional<StoredReplay>> Replay(std::int64_t id) override;

    // One connection with its prepared statements.
    struct Session;

    Expected<std::int64_t> LargestRecordId() override;
    Expected<bool> Import(const std::vector<RecordLine>& batch, ImportProgress& progress) override;
    Expected<bool> FinishImport() override;
    Expected<bool> Export(const std::function<bool(const RecordLine&)>& write) override;
    Expected<std::vector<VerifiedReplay>> VerifiedReplays(std::int64_t afterId, std::size_t count) override;
    Expected<bool> Reverify(const std::vector<Recheck>& batch, ReverifyCounts& counts) override;

private:
    explicit PostgresRecordStore(std::string url);
    Expected<std::unique_ptr<Session>> Take(Deadline deadline);
    // Puts a session back for the next call; null or broken ones are closed.
    void Return(std::unique_ptr<Session> session);
    template <class T, class Body>
    Expected<T> WithSession(Deadline deadline, const char* what, Body body);
    Ledger MakeLedger() const;
    Expected<bool> Change(std::int64_t id, RecordChange change);

    std::string m_url;
    std::mutex m_lock;
    std::condition_variable m_returned;
    std::vector<std::unique_ptr<Session>> m_idle;
    std::size_t m_open = 0;
    SocketWatchdog m_watchdog;
};

} // namespace server
