#include "SqliteCheckpointer.hpp"

#include <cstdio>

#include <sqlite3.h>

#include "server/SqliteConnection.hpp"

namespace server {

Expected<std::unique_ptr<SqliteCheckpointer>> SqliteCheckpointer::Start(const std::string& path) {
    auto connection = SqliteConnection::Open(path, false);
    if (!connection) return Error{connection.error()};
    // A connection copies only a log it knows of: it learns of it from this statement.
    std::string error;
    if (!(*connection)->Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;", error))
        return Error{"cannot watch the log of the database " + path + ": " + error};
    return std::unique_ptr<SqliteCheckpointer>(new SqliteCheckpointer(std::move(*connection)));
}

SqliteCheckpointer::SqliteCheckpointer(std::unique_ptr<SqliteConnection> connection)
    : m_connection(std::move(connection)), m_thread([this] { Run(); }) {}

SqliteCheckpointer::~SqliteCheckpointer() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void SqliteCheckpointer::Watch(sqlite3* writer) {
    sqlite3_wal_autocheckpoint(writer, 0);
    // Replaces the hook that the automatic copy used.
    sqlite3_wal_hook(writer, &SqliteCheckpointer::OnCommit, this);
}

std::int64_t SqliteCheckpointer::Checkpoints() const {
    std::lock_guard lock(m_lock);
    return m_checkpoints;
}

int SqliteCheckpointer::OnCommit(void* self, sqlite3*, const char*, int pages) {
    if (pages < kPagesPerCheckpoint) return SQLITE_OK;
    auto& checkpointer = *static_cast<SqliteCheckpointer*>(self);
    {
        std::lock_guard lock(checkpointer.m_lock);
        checkpointer.m_requested = true;
    }
    checkpointer.m_wake.notify_one();
    return SQLITE_OK;
}

void SqliteCheckpointer::Run() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_requested || m_stopping; });
        if (m_stopping) return;
        m_requested = false;
        lock.unlock();
        // A copy that cannot take everything (a reader still needs old pages, another process
        // copying) is not a failure: the next commit past the limit asks again.
        const int result =
            sqlite3_wal_checkpoint_v2(m_connection->Handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        lock.lock();
        ++m_checkpoints;
        if (result != SQLITE_OK && result != SQLITE_BUSY && !m_reportedFailure) {
            m_reportedFailure = true;
            std::fprintf(stderr, "hoopstack-leaderboard: cannot copy the database's log into its file: %s\n",
                         m_connection->LastError().c_str());
        }
    }
}

} // namespace server
