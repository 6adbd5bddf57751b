#pragma once

#include <memory>
#include <string>

#include "server/RecordStore.hpp"

namespace server {

// Opens the store a database address names: "sqlite://FILE" (the file's folder is created
// when missing) or "postgresql://..." / "postgres://..." (handed to libpq as it is).
Expected<std::unique_ptr<RecordStore>> OpenRecordStore(const std::string& url);

} // namespace server
