#pragma once

#include <pqxx/pqxx>

#include <cstdint>
#include <string>

namespace server {

// A pqxx row as RecordRows reads it.
struct PostgresRow {
    const pqxx::row& row;
    std::int64_t Int64(int i) const { return row[i].as<std::int64_t>(); }
    std::string Text(int i) const { return row[i].as<std::string>(); }
    bool Flag(int i) const { return row[i].as<bool>(); }
};

} // namespace server
