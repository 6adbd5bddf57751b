#include "OpenRecordStore.hpp"

#include <filesystem>

#include "server/PostgresRecordStore.hpp"
#include "server/SqliteRecordStore.hpp"

namespace server {

namespace {

template <class Store>
Expected<std::unique_ptr<RecordStore>> widen(Expected<std::unique_ptr<Store>> opened) {
    if (!opened) return Error{opened.error()};
    return std::unique_ptr<RecordStore>(std::move(*opened));
}

} // namespace

Expected<std::unique_ptr<RecordStore>> OpenRecordStore(const std::string& url) {
    constexpr std::string_view sqlite = "sqlite://";
    if (url.rfind(sqlite, 0) == 0) {
        const std::filesystem::path file = url.substr(sqlite.size());
        if (file.empty()) return Error{"the database address " + url + " names no file"};
        std::error_code error;
        if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
        if (error) return Error{"cannot create the folder " + file.parent_path().string() + ": " + error.message()};
        return widen(SqliteRecordStore::Open(file.string()));
    }
    if (url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0)
        return widen(PostgresRecordStore::Open(url));
    return Error{"unknown kind of database address: " + url};
}

} // namespace server
