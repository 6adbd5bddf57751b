#include "SqliteStatement.hpp"

#include <sqlite3.h>

#include <utility>

namespace server {

SqliteStatement::~SqliteStatement() { sqlite3_finalize(m_statement); }

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)), m_failed(other.m_failed) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_statement = std::exchange(other.m_statement, nullptr);
        m_failed = other.m_failed;
    }
    return *this;
}

bool SqliteStatement::Prepare(sqlite3* db, std::string_view sql, std::string& error) {
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    if (sqlite3_prepare_v3(db, sql.data(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &m_statement,
                           nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    return true;
}

void SqliteStatement::Reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_failed = false;
}

void SqliteStatement::Bind(int index, std::int64_t value) { sqlite3_bind_int64(m_statement, index, value); }

void SqliteStatement::Bind(int index, std::string_view text) {
    sqlite3_bind_text(m_statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

bool SqliteStatement::Step() {
    const int status = sqlite3_step(m_statement);
    if (status == SQLITE_ROW) return true;
    m_failed = status != SQLITE_DONE;
    return false;
}

std::int64_t SqliteStatement::Int64(int column) const { return sqlite3_column_int64(m_statement, column); }

std::string SqliteStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return text ? std::string(text, std::size_t(sqlite3_column_bytes(m_statement, column))) : std::string();
}

} // namespace server
