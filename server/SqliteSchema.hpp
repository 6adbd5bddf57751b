#pragma once

#include <string>

namespace server {

class SqliteConnection;
class SqliteLedgerTransaction;

// Creates the leaderboard's tables in an SQLite file, or brings those of an older version up
// to date (new columns, indexes, the count trees built once from the records), in one
// transaction, and prepares `tx`, the ledger's statements on the same connection. Sets the
// file to write-ahead logging with full sync: a commit is on disk when it returns. False
// leaves the reason in `error`.
bool SetUpSqliteDatabase(SqliteConnection& db, SqliteLedgerTransaction& tx, std::string& error);

} // namespace server
