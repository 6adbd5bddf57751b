#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "server/Expected.hpp"

struct sqlite3;

namespace server {

// One open SQLite database handle, closed with the object. Used by one thread at a time.
class SqliteConnection {
public:
    // Opens (and creates, unless `readOnly`) the database file, waiting up to five seconds
    // for another connection's lock before a statement fails.
    static Expected<std::unique_ptr<SqliteConnection>> Open(const std::string& path, bool readOnly);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Runs statements that return no rows; false leaves the reason in `error`.
    bool Execute(std::string_view sql, std::string& error);
    sqlite3* Handle() const { return m_db; }
    // The database's message for the last failed call.
    std::string LastError() const;

private:
    explicit SqliteConnection(sqlite3* db) : m_db(db) {}
    sqlite3* m_db;
};

} // namespace server
