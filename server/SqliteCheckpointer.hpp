#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "server/Expected.hpp"

struct sqlite3;

namespace server {

class SqliteConnection;

// Copies a database's write-ahead log back into its file on a thread of its own, so that no
// commit waits for the copy and its flush to disk. Watching a connection turns off the copy
// SQLite would otherwise make at the end of the commit that grows the log past its limit;
// that commit wakes this thread instead. The copy is passive: it never waits for readers or
// writers, and takes what they do not hold. The thread stops when the object is destroyed,
// which must come after every watched connection is closed.
class SqliteCheckpointer {
public:
    // Log frames (pages) after which a copy is made; SQLite's own default.
    static constexpr int kPagesPerCheckpoint = 1000;

    // Opens a connection of its own to the file at `path` and starts the thread.
    static Expected<std::unique_ptr<SqliteCheckpointer>> Start(const std::string& path);
    ~SqliteCheckpointer();
    SqliteCheckpointer(const SqliteCheckpointer&) = delete;
    SqliteCheckpointer& operator=(const SqliteCheckpointer&) = delete;

    // Has the commits of `writer` wake this thread instead of copying the log themselves.
    void Watch(sqlite3* writer);
    // Copies made so far, whether or not they reached the end of the log.
    std::int64_t Checkpoints() const;

private:
    explicit SqliteCheckpointer(std::unique_ptr<SqliteConnection> connection);
    static int OnCommit(void* self, sqlite3* db, const char* name, int pages);
    void Run();

    std::unique_ptr<SqliteConnection> m_connection;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_requested = false;
    bool m_stopping = false;
    std::int64_t m_checkpoints = 0;
    bool m_reportedFailure = false;
    std::thread m_thread;  // last: starts once the members above are ready
};

} // namespace server
