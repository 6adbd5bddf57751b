#include "SqliteConnection.hpp"

#include <sqlite3.h>

namespace server {

Expected<std::unique_ptr<SqliteConnection>> SqliteConnection::Open(const std::string& path, bool readOnly) {
    sqlite3* db = nullptr;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                      SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        return Error{"cannot open the database " + path + ": " + message};
    }
    sqlite3_busy_timeout(db, 5000);
    return std::unique_ptr<SqliteConnection>(new SqliteConnection(db));
}

SqliteConnection::~SqliteConnection() { sqlite3_close(m_db); }

bool SqliteConnection::Execute(std::string_view sql, std::string& error) {
    char* message = nullptr;
    const std::string text(sql);
    if (sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message ? message : sqlite3_errmsg(m_db);
    sqlite3_free(message);
    return false;
}

std::string SqliteConnection::LastError() const { return sqlite3_errmsg(m_db); }

} // namespace server
