#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace server {

// One prepared SQLite statement, reset and reused for every execution. Parameters are bound,
// never pasted into the SQL text.
class SqliteStatement {
public:
    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Compiles `sql` on `db`; false leaves the reason in `error`.
    bool Prepare(sqlite3* db, std::string_view sql, std::string& error);

    // Clears the last execution and its bindings; call before binding anew.
    void Reset();
    // Binds parameter `index` (1 for the first "?").
    void Bind(int index, std::int64_t value);
    void Bind(int index, std::string_view text);
    // Clears the last execution and binds `args` to the parameters in order.
    template <class... Args>
    void BindAll(const Args&... args) {
        Reset();
        int index = 0;
        (Bind(++index, args), ...);
    }

    // Runs to the next row: true with a row to read, false when done or failed; Failed() tells.
    bool Step();
    bool Failed() const { return m_failed; }
    // Runs a statement that returns at most one row: false when it failed; `row` tells
    // whether there is one to read.
    bool RunOnce(bool& row) {
        row = Step();
        return !m_failed;
    }
    std::int64_t Int64(int column) const;
    std::string Text(int column) const;
    bool Flag(int column) const { return Int64(column) != 0; }

private:
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
};

} // namespace server
