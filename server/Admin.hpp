#pragma once

#include <string>

#include "server/RecordStore.hpp"
#include "server/ServerOptions.hpp"

namespace server {

// One record as `admin list` prints it: ID TAB LEVEL TAB SCORE TAB NAME TAB DATE TAB STATE,
// the date as YYYY-MM-DDTHH:MM:SSZ in UTC, the state "shown" or "hidden", ending in a newline.
// Names hold no tab or newline (control characters are refused), so the fields stay apart.
std::string FormatAdminLine(const StoredRecord& record);
// The same line with two more fields before the newline, for `admin list --verification`:
// TAB "verified" or "unverified" TAB the reason (empty when verified; one line, no tab).
std::string FormatAdminVerificationLine(const StoredRecord& record);

// Carries out an admin command; `out` receives what goes to the standard output, `error` a
// line for the standard error. The value is the exit code: 0 done, 1 a database failure,
// 3 no record with that id.
int RunAdmin(RecordStore& store, const AdminCommand& command, std::string& out, std::string& error);

} // namespace server
