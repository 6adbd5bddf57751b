#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "server/Ledger.hpp"
#include "server/RecordStore.hpp"

namespace server {

class SqliteConnection;

// Records in one SQLite file in write-ahead-log mode with full sync: a publish is on disk
// when it returns. One connection writes; publishes that queue up while a transaction commits
// go together into the next (group commit, each in a savepoint of its own). A publish waits
// only until its deadline, another process holding the file's write lock included; reads use
// a pool of connections of their own and never wait for the writer. The rules are the
// Ledger's, over the statements of SqliteLedgerTransaction.
class SqliteRecordStore final : public RecordStore {
public:
    // Opens or creates the file and its tables.
    static Expected<std::unique_ptr<SqliteRecordStore>> Open(const std::string& path);
    ~SqliteRecordStore() override;

    using RecordStore::Publish;
    Expected<PublishResult> Publish(const NewRecord& record, Deadline deadline) override;
    Expected<std::vector<RankedRecord>> Top(int level, int first, int count) override;
    Expected<std::vector<RankedRecord>> DailyTop(std::int64_t day, int first, int count) override;
    Expected<std::vector<std::int64_t>> TableVersions() override;
    Expected<std::vector<StoredRecord>> List(const RecordFilter& filter) override;
    Expected<bool> SetHidden(std::int64_t id, bool hidden) override;
    Expected<bool> Delete(std::int64_t id) override;
    Expected<std::optional<StoredReplay>> Replay(std::int64_t id) override;

    struct Writer;
    struct Reader;

    Expected<std::int64_t> LargestRecordId() override;
    Expected<bool> Import(const std::vector<RecordLine>& batch, ImportProgress& progress) override;
    Expected<bool> Export(const std::function<bool(const RecordLine&)>& write) override;
    Expected<std::vector<VerifiedReplay>> VerifiedReplays(std::int64_t afterId, std::size_t count) override;
    Expected<bool> Reverify(const std::vector<Recheck>& batch, ReverifyCounts& counts) override;

private:
    SqliteRecordStore(std::string path, std::unique_ptr<Writer> writer);
    Expected<std::unique_ptr<Reader>> TakeReader();
    void ReturnReader(std::unique_ptr<Reader> reader);
    Ledger MakeLedger() const;
    // Runs `body(writer, error)` in a write transaction begun before the deadline; false
    // leaves the reason in `error`.
    template <class Body>
    bool InTransaction(Deadline deadline, std::string& error, Body body);
    // Runs `body(reader)` on a reading connection; an Error is prefixed with `what`.
    template <class T, class Body>
    Expected<T> WithReader(const char* what, Body body);
    Expected<bool> Change(std::int64_t id, RecordChange change);
    struct Pending;
    // Writes the publishes of a batch in one transaction and gives each its result.
    void WriteBatch(const std::vector<Pending*>& batch);

    static constexpr std::size_t kBatchSize = 64;
    std::string m_path;
    std::timed_mutex m_writeLock;
    std::unique_ptr<Writer> m_writer;
    std::mutex m_queueLock;
    std::condition_variable m_finished;
    std::deque<Pending*> m_queue; // publishes not yet taken into a batch
    bool m_writing = false;       // a thread is writing a batch
    std::mutex m_readersLock;
    std::vector<std::unique_ptr<Reader>> m_idleReaders;
};

} // namespace server
