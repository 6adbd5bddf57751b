#include "ServerOptions.hpp"

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

} // namespace

std::string UsageText() {
    return "usage: hoopstack-leaderboard [--bind ADDR] [--port N] [--database URL]\n"
           "                             [--publish-limit N] [--threads N] [--help]\n"
           "  --bind ADDR         address to listen on (default 127.0.0.1)\n"
           "  --port N            port to listen on, 0 for any free one (default 8080)\n"
           "  --database URL      sqlite://FILE or postgresql://... (default\n"
           "                      sqlite://$XDG_DATA_HOME/hoopstack/leaderboard.db)\n"
           "  --publish-limit N   publishes per minute from one address, 0 for no limit\n"
           "                      (default 10; raise it when the players share one address)\n"
           "  --threads N         connections served at once (default 64)\n"
           "  --help              show this text\n";
}

Expected<ServerOptions> ParseServerOptions(const std::vector<std::string>& args) {
    ServerOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
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
        if (name != "--bind" && name != "--port" && name != "--database" && name != "--publish-limit" &&
            name != "--threads")
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
        } else if (name == "--publish-limit") {
            const std::optional<int> limit = parseInt(*value, 0, 1000000);
            if (!limit) return Error{"--publish-limit needs a number from 0 to 1000000, not \"" + *value + "\""};
            options.publishesPerMinute = *limit;
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
