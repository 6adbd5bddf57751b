#include "ServerOptions.hpp"

#include <boost/asio/ip/address.hpp>

#include <charconv>
#include <optional>

namespace server {

namespace {

std::optional<int> parseInt(const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [rest, status] = std::from_chars(text.data(), end, value);
    if (text.empty() || status != std::errc() || rest != end || value < low || value > high) return std::nullopt;
    return value;
}

Expected<std::int64_t> parseId(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [rest, status] = std::from_chars(text.data(), end, value);
    if (text.empty() || status != std::errc() || rest != end || value <= 0)
        return Error{"admin needs a record id (a number from the list), not \"" + text + "\""};
    return value;
}

// admin list|hide|unhide|delete|import|export|reverify with its own options; --help with any of them
// asks for the usage.
Expected<ServerOptions> ParseAdmin(const std::vector<std::string>& args) {
    ServerOptions options;
    AdminCommand& admin = options.admin.emplace();
    if (args.size() >= 2 && args[1] == "--help") {
        options.help = true;
        return options;
    }
    if (args.size() < 2) return Error{"admin needs list, hide, unhide, delete, import, export or reverify"};
    const std::string& verb = args[1];
    std::size_t i = 2;
    if (verb == "list") {
        admin.action = AdminAction::List;
    } else if (verb == "import" || verb == "export") {
        admin.action = verb == "import" ? AdminAction::Import : AdminAction::Export;
    } else if (verb == "reverify") {
        admin.action = AdminAction::Reverify;
    } else if (verb == "hide" || verb == "unhide" || verb == "delete") {
        admin.action = verb == "hide" ? AdminAction::Hide : verb == "unhide" ? AdminAction::Unhide : AdminAction::Delete;
        if (args.size() >= 3 && args[2] == "--help") {
            options.help = true;
            return options;
        }
        if (args.size() < 3) return Error{"admin " + verb + " needs a record id"};
        const Expected<std::int64_t> id = parseId(args[2]);
        if (!id) return Error{id.error()};
        admin.id = *id;
        i = 3;
    } else {
        return Error{"admin needs list, hide, unhide, delete, import, export or reverify, not \"" + verb +
                     "\""};
    }
    for (; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help") {
            if (value) return Error{"--help takes no value"};
            options.help = true;
            continue;
        }
        if (admin.action == AdminAction::List && name == "--verification") {
            if (value) return Error{"--verification takes no value"};
            admin.verification = true;
            continue;
        }
        const bool known = name == "--database" || (admin.action == AdminAction::List && (name == "--level" || name == "--name"));
        if (!known) return Error{"unknown option for admin " + verb + ": " + args[i]};
        if (!value) {
            if (i + 1 >= args.size()) return Error{name + " needs a value"};
            value = args[++i];
        }
        if (name == "--database") {
            if (value->rfind("sqlite://", 0) != 0 && value->rfind("postgresql://", 0) != 0 &&
                value->rfind("postgres://", 0) != 0)
                return Error{"--database needs sqlite://FILE or postgresql://..., not \"" + *value + "\""};
            options.database = *value;
        } else if (name == "--level") {
            const std::optional<int> level = parseInt(*value, 1, 3);
            if (!level) return Error{"--level needs 1, 2 or 3, not \"" + *value + "\""};
            admin.filter.level = *level;
        } else {
            admin.filter.name = *value;
        }
    }
    return options;
}

} // namespace

std::string UsageText() {
    return "usage: hoopstack-leaderboard [--bind ADDR] [--port N] [--database URL]\n"
           "                             [--publish-limit N] [--threads N] [--trust-proxy ADDR] [--help]\n"
           "                             [--verified-only] [--verify-threads N]\n"
           "       hoopstack-leaderboard admin list [--level N] [--name NAME] [--database URL]\n"
           "                             [--verification]\n"
           "       hoopstack-leaderboard admin hide|unhide|delete ID [--database URL]\n"
           "       hoopstack-leaderboard admin import|export|reverify [--database URL]\n"
           "  --bind ADDR         address to listen on (default 127.0.0.1)\n"
           "  --port N            port to listen on, 0 for any free one (default 8080)\n"
           "  --database URL      sqlite://FILE or postgresql://... (default\n"
           "                      sqlite://$XDG_DATA_HOME/hoopstack/leaderboard.db)\n"
           "  --publish-limit N   publishes per minute from one client (an IPv4 address or\n"
           "                      an IPv6 /64), 0 for no limit (default 10; raise it when the\n"
           "                      players share one address)\n"
           "  --threads N         requests that read or write the database at once (default 64)\n"
           "  --trust-proxy ADDR  a reverse proxy at ADDR names the client in X-Forwarded-For\n"
           "                      (an address in its last entry, else the proxy is the client);\n"
           "                      the header of any other peer is ignored\n"
           "  --verified-only     rank only records whose replay the server verified; the\n"
           "                      others stay stored and admin lists them\n"
           "  --verify-threads N  replays checked at once (default one per core, at most 4)\n"
           "  --help              show this text\n"
           "admin (the operator's commands; the server may run meanwhile):\n"
           "  list                one line per stored record, tab-separated:\n"
           "                      ID LEVEL SCORE NAME DATE STATE, where NAME is UTF-8, DATE is\n"
           "                      YYYY-MM-DDTHH:MM:SSZ (UTC) and STATE is shown or hidden;\n"
           "                      --level N and --name NAME pick records; --verification adds\n"
           "                      two fields: verified or unverified, and the reason\n"
           "  hide ID, unhide ID  take a record off the tables, or put it back\n"
           "  delete ID           remove a record for good\n"
           "  export              every record that is not hidden, listed or not, to standard\n"
           "                      output, by level, best first: one line per record,\n"
           "                      LEVEL TAB SCORE TAB NAME TAB YYYY-MM-DD (the UTC day)\n"
           "  import              records in the export's lines from standard input; a line may\n"
           "                      end in CRLF, empty lines may only end the input. All of it is\n"
           "                      checked first: with any bad line nothing is stored, each bad\n"
           "                      line is named on standard error (\"line N: reason\", the first\n"
           "                      20) and the exit code is 2. Then the records are stored in\n"
           "                      batches of 20000 lines, each one transaction (publishes wait\n"
           "                      meanwhile); a database failure ends with code 1 and keeps the\n"
           "                      batches stored. A line equal to a record stored before the\n"
           "                      import began (level, score, name, day) is skipped, so an\n"
           "                      interrupted import may be run again; equal lines are all\n"
           "                      stored. Records are published at midnight UTC of their day,\n"
           "                      unverified (\"imported\"), listed and ranked as if published\n"
           "                      one by one. Standard error ends with \"imported N records,\n"
           "                      skipped K already stored\". To move a board:\n"
           "                      admin export --database A | admin import --database B\n"
           "  reverify            checks every verified record's replay again by the current\n"
           "                      rules, oldest first, in batches of 100, each one transaction:\n"
           "                      one the rules no longer verify becomes unverified with their\n"
           "                      reason, and one whose game an earlier verified record holds\n"
           "                      becomes unverified as the same game; the names changed are\n"
           "                      listed again. Run it once after upgrading from a version\n"
           "                      before game identities; a second run changes nothing. Prints\n"
           "                      \"reverified N records: K still verified, U now unverified\n"
           "                      (F not faithful, S the same game as an earlier record)\"\n";
}

Expected<ServerOptions> ParseServerOptions(const std::vector<std::string>& args) {
    ServerOptions options;
    if (!args.empty() && args[0] == "admin") return ParseAdmin(args);
    // Only --database may stand before `admin`; the command's own --database wins.
    bool onlyDatabase = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "admin") {
            if (!onlyDatabase) return Error{"admin takes no server options before it, only --database"};
            Expected<ServerOptions> admin =
                ParseAdmin(std::vector<std::string>(args.begin() + std::ptrdiff_t(i), args.end()));
            if (admin && admin->database.empty()) admin->database = options.database;
            return admin;
        }
        std::string name = args[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help") {
            if (value) return Error{"--help takes no value"};
            options.help = true;
            onlyDatabase = false;
            continue;
        }
        onlyDatabase = onlyDatabase && name == "--database";
        if (name == "--verified-only") {
            if (value) return Error{"--verified-only takes no value"};
            options.verifiedOnly = true;
            continue;
        }
        if (name != "--bind" && name != "--port" && name != "--database" && name != "--publish-limit" &&
            name != "--threads" && name != "--trust-proxy" && name != "--verify-threads")
            return Error{"unknown option: " + args[i]};
        if (!value) {
            if (i + 1 >= args.size()) return Error{name + " needs a value"};
            value = args[++i];
        }
        if (name == "--bind") {
            if (value->empty()) return Error{"--bind needs an address"};
            options.bind = *value;
        } else if (name == "--port") {
            const std::optional<int> port = parseInt(*value, 0, 65535);
            if (!port) return Error{"--port needs a number from 0 to 65535, not \"" + *value + "\""};
            options.port = *port;
        } else if (name == "--database") {
            if (value->rfind("sqlite://", 0) != 0 && value->rfind("postgresql://", 0) != 0 &&
                value->rfind("postgres://", 0) != 0)
                return Error{"--database needs sqlite://FILE or postgresql://..., not \"" + *value + "\""};
            if (*value == "sqlite://") return Error{"--database sqlite:// needs a file name"};
            options.database = *value;
        } else if (name == "--trust-proxy") {
            boost::system::error_code error;
            const auto address = boost::asio::ip::make_address(*value, error);
            if (error) return Error{"--trust-proxy needs an IP address, not \"" + *value + "\""};
            options.trustedProxy = address.to_string();
        } else if (name == "--publish-limit") {
            const std::optional<int> limit = parseInt(*value, 0, 1000000);
            if (!limit) return Error{"--publish-limit needs a number from 0 to 1000000, not \"" + *value + "\""};
            options.publishesPerMinute = *limit;
        } else if (name == "--verify-threads") {
            const std::optional<int> threads = parseInt(*value, 1, 64);
            if (!threads) return Error{"--verify-threads needs a number from 1 to 64, not \"" + *value + "\""};
            options.verifyThreads = *threads;
        } else {
            const std::optional<int> threads = parseInt(*value, 1, 1024);
            if (!threads) return Error{"--threads needs a number from 1 to 1024, not \"" + *value + "\""};
            options.threads = *threads;
        }
    }
    return options;
}

std::string DefaultDatabaseUrl(const char* xdgDataHome, const char* home) {
    std::string folder;
    if (xdgDataHome && xdgDataHome[0] == '/')
        folder = xdgDataHome;
    else if (home && home[0] != '\0')
        folder = std::string(home) + "/.local/share";
    else
        return "sqlite://leaderboard.db";
    return "sqlite://" + folder + "/hoopstack/leaderboard.db";
}

} // namespace server
