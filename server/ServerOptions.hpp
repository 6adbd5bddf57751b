#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/Expected.hpp"
#include "server/RecordStore.hpp"

namespace server {

enum class AdminAction { List, Hide, Unhide, Delete, Import, Export, Reverify };

// `hoopstack-leaderboard admin ...`: the operator's look at the stored records.
struct AdminCommand {
    AdminAction action = AdminAction::List;
    std::int64_t id = 0;  // hide, unhide, delete
    RecordFilter filter;  // list
    bool verification = false;  // list --verification: two more fields, verified or not and why
};

// The command line of hoopstack-leaderboard.
struct ServerOptions {
    std::string bind = "127.0.0.1";
    int port = 8080;                // 0 takes any free port
    std::string database;           // sqlite://FILE or postgresql://...; empty for the default file
    int publishesPerMinute = 10;    // per client address; 0 switches the limit off
    int threads = 64;               // connections served at once
    std::string trustedProxy;       // --trust-proxy: the peer whose X-Forwarded-For is believed
    bool verifiedOnly = false;      // --verified-only: the tables rank verified records only
    int verifyThreads = 0;          // --verify-threads: replays checked at once; 0 for one per core (at most 4)
    bool help = false;
    std::optional<AdminCommand> admin;  // set for `admin ...` instead of serving
};

// Parses the arguments after the program name; "--name VALUE" and "--name=VALUE" both work.
// The error is one line naming the bad option.
Expected<ServerOptions> ParseServerOptions(const std::vector<std::string>& args);

// The usage text that --help prints and errors follow.
std::string UsageText();

// sqlite://$XDG_DATA_HOME/hoopstack/leaderboard.db, with ~/.local/share when XDG_DATA_HOME is
// unset or not absolute. Null arguments stand for unset variables; with neither, the file is
// in the working folder.
std::string DefaultDatabaseUrl(const char* xdgDataHome, const char* home);

} // namespace server
