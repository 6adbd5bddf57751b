// The command line: defaults, both spellings of a value, and one clear error per mistake.
#include <gtest/gtest.h>

#include "server/ServerOptions.hpp"

using namespace server;

namespace {

std::string errorIn(const std::vector<std::string>& args) {
    const auto parsed = ParseServerOptions(args);
    return parsed ? std::string() : parsed.error();
}

TEST(ServerOptions, DefaultsServeTheLoopbackOnPort8080) {
    const auto parsed = ParseServerOptions({});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->bind, "127.0.0.1");
    EXPECT_EQ(parsed->port, 8080);
    EXPECT_EQ(parsed->database, "");
    EXPECT_EQ(parsed->publishesPerMinute, 10);
    EXPECT_FALSE(parsed->help);
}

TEST(ServerOptions, TakesValuesAfterASpaceOrAnEqualsSign) {
    const auto parsed = ParseServerOptions({"--bind", "0.0.0.0", "--port=9000", "--database=postgresql://h/db",
                                            "--publish-limit", "0", "--threads=8", "--help"});
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->bind, "0.0.0.0");
    EXPECT_EQ(parsed->port, 9000);
    EXPECT_EQ(parsed->database, "postgresql://h/db");
    EXPECT_EQ(parsed->publishesPerMinute, 0);
    EXPECT_EQ(parsed->threads, 8);
    EXPECT_TRUE(parsed->help);
    EXPECT_EQ(ParseServerOptions({"--database", "sqlite:///var/lib/x.db"})->database, "sqlite:///var/lib/x.db");
}

TEST(ServerOptions, NamesTheBadOption) {
    EXPECT_EQ(errorIn({"--verbose"}), "unknown option: --verbose");
    EXPECT_EQ(errorIn({"extra"}), "unknown option: extra");
    EXPECT_EQ(errorIn({"--port"}), "--port needs a value");
    EXPECT_EQ(errorIn({"--port", "80x"}), "--port needs a number from 0 to 65535, not \"80x\"");
    EXPECT_EQ(errorIn({"--port", "65536"}), "--port needs a number from 0 to 65535, not \"65536\"");
    EXPECT_EQ(errorIn({"--port=-1"}), "--port needs a number from 0 to 65535, not \"-1\"");
    EXPECT_EQ(errorIn({"--bind="}), "--bind needs an address");
    EXPECT_EQ(errorIn({"--database", "/tmp/x.db"}),
              "--database needs sqlite://FILE or postgresql://..., not \"/tmp/x.db\"");
    EXPECT_EQ(errorIn({"--database", "sqlite://"}), "--database sqlite:// needs a file name");
    EXPECT_EQ(errorIn({"--threads", "0"}), "--threads needs a number from 1 to 1024, not \"0\"");
    EXPECT_EQ(errorIn({"--help=yes"}), "--help takes no value");
}

TEST(ServerOptions, TrustsOnlyAnAddressAsProxy) {
    EXPECT_EQ(ParseServerOptions({"--trust-proxy", "127.0.0.1"})->trustedProxy, "127.0.0.1");
    EXPECT_EQ(ParseServerOptions({"--trust-proxy=::1"})->trustedProxy, "::1");
    EXPECT_EQ(errorIn({"--trust-proxy", "proxy.example"}), "--trust-proxy needs an IP address, not \"proxy.example\"");
}

TEST(ServerOptions, AdminCommands) {
    const auto list = ParseServerOptions({"admin", "list", "--level", "2", "--name=Anna", "--database", "sqlite:///x"});
    ASSERT_TRUE(list && list->admin);
    EXPECT_EQ(list->admin->action, AdminAction::List);
    EXPECT_EQ(list->admin->filter.level, 2);
    EXPECT_EQ(list->admin->filter.name, "Anna");
    EXPECT_EQ(list->database, "sqlite:///x");
    const auto hide = ParseServerOptions({"admin", "hide", "17"});
    ASSERT_TRUE(hide && hide->admin);
    EXPECT_EQ(hide->admin->action, AdminAction::Hide);
    EXPECT_EQ(hide->admin->id, 17);
    EXPECT_EQ(ParseServerOptions({"admin", "unhide", "3"})->admin->action, AdminAction::Unhide);
    EXPECT_EQ(ParseServerOptions({"admin", "delete", "3"})->admin->action, AdminAction::Delete);
    EXPECT_EQ(errorIn({"admin"}), "admin needs list, hide, unhide, delete, import, export or reverify");
    EXPECT_EQ(errorIn({"admin", "drop"}),
              "admin needs list, hide, unhide, delete, import, export or reverify, not \"drop\"");
    EXPECT_EQ(errorIn({"admin", "hide"}), "admin hide needs a record id");
    EXPECT_EQ(errorIn({"admin", "hide", "x1"}), "admin needs a record id (a number from the list), not \"x1\"");
    EXPECT_EQ(errorIn({"admin", "list", "--level", "4"}), "--level needs 1, 2 or 3, not \"4\"");
    EXPECT_EQ(errorIn({"admin", "hide", "1", "--level", "1"}), "unknown option for admin hide: --level");
}

TEST(ServerOptions, EveryAdminCommandTakesHelp) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"admin", "--help"},
             {"admin", "list", "--help"},
             {"admin", "list", "--level", "2", "--help"},
             {"admin", "hide", "--help"},
             {"admin", "unhide", "--help"},
             {"admin", "delete", "17", "--help"},
             {"admin", "import", "--help"},
             {"admin", "export", "--database", "sqlite:///x", "--help"},
             {"admin", "reverify", "--help"},
             {"--database", "sqlite:///x", "admin", "reverify", "--help"},
         }) {
        const auto parsed = ParseServerOptions(args);
        ASSERT_TRUE(parsed) << args[1] << ": " << parsed.error();
        EXPECT_TRUE(parsed->help) << args[1];
    }
    EXPECT_FALSE(ParseServerOptions({"admin", "import"})->help);
    EXPECT_EQ(errorIn({"admin", "import", "--help=yes"}), "--help takes no value");
    // A value that only looks like the option stays a value.
    const auto named = ParseServerOptions({"admin", "list", "--name", "--help"});
    ASSERT_TRUE(named) << named.error();
    EXPECT_FALSE(named->help);
    EXPECT_EQ(named->admin->filter.name, "--help");
}

TEST(ServerOptions, ReverifyTakesTheDatabaseBeforeOrAfterAdmin) {
    const auto after = ParseServerOptions({"admin", "reverify", "--database", "sqlite:///a"});
    ASSERT_TRUE(after && after->admin) << after.error();
    EXPECT_EQ(after->admin->action, AdminAction::Reverify);
    EXPECT_EQ(after->database, "sqlite:///a");
    EXPECT_FALSE(after->help);
    const auto before = ParseServerOptions({"--database", "postgresql://h/db", "admin", "reverify"});
    ASSERT_TRUE(before && before->admin) << before.error();
    EXPECT_EQ(before->admin->action, AdminAction::Reverify);
    EXPECT_EQ(before->database, "postgresql://h/db");
    // The command's own names the database when both do.
    EXPECT_EQ(ParseServerOptions({"--database=sqlite:///a", "admin", "reverify", "--database=sqlite:///b"})
                  ->database,
              "sqlite:///b");
    EXPECT_EQ(ParseServerOptions({"--database", "sqlite:///a", "admin", "list", "--level", "2"})
                  ->admin->filter.level,
              2);
    // A value spelled "admin" stays a value.
    EXPECT_EQ(ParseServerOptions({"--bind", "admin"})->bind, "admin");

    EXPECT_EQ(errorIn({"admin", "reverify", "--level", "1"}), "unknown option for admin reverify: --level");
    EXPECT_EQ(errorIn({"admin", "reverify", "17"}), "unknown option for admin reverify: 17");
    EXPECT_EQ(errorIn({"admin", "reverify", "--verification"}),
              "unknown option for admin reverify: --verification");
    EXPECT_EQ(errorIn({"admin", "reverify", "--database", "/x.db"}),
              "--database needs sqlite://FILE or postgresql://..., not \"/x.db\"");
    EXPECT_EQ(errorIn({"--port", "9000", "admin", "reverify"}),
              "admin takes no server options before it, only --database");
    EXPECT_EQ(errorIn({"--database", "/x.db", "admin", "reverify"}),
              "--database needs sqlite://FILE or postgresql://..., not \"/x.db\"");
    EXPECT_NE(UsageText().find("admin import|export|reverify"), std::string::npos);
    EXPECT_NE(UsageText().find("before game identities"), std::string::npos);
}

TEST(ServerOptions, VerificationOptions) {
    const auto defaults = ParseServerOptions({});
    EXPECT_FALSE(defaults->verifiedOnly);
    EXPECT_EQ(defaults->verifyThreads, 0);
    const auto parsed = ParseServerOptions({"--verified-only", "--verify-threads", "3"});
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_TRUE(parsed->verifiedOnly);
    EXPECT_EQ(parsed->verifyThreads, 3);
    EXPECT_EQ(errorIn({"--verified-only=yes"}), "--verified-only takes no value");
    EXPECT_EQ(errorIn({"--verify-threads", "0"}), "--verify-threads needs a number from 1 to 64, not \"0\"");
    EXPECT_EQ(errorIn({"--verify-threads"}), "--verify-threads needs a value");

    const auto list = ParseServerOptions({"admin", "list", "--verification", "--level", "1"});
    ASSERT_TRUE(list && list->admin) << list.error();
    EXPECT_TRUE(list->admin->verification);
    EXPECT_FALSE(ParseServerOptions({"admin", "list"})->admin->verification);
    EXPECT_EQ(errorIn({"admin", "list", "--verification=1"}), "--verification takes no value");
    EXPECT_EQ(errorIn({"admin", "hide", "1", "--verification"}), "unknown option for admin hide: --verification");
    // The usage names them, after the lines it always had.
    EXPECT_NE(UsageText().find("--verified-only"), std::string::npos);
    EXPECT_NE(UsageText().find("--verification"), std::string::npos);
}

TEST(ServerOptions, DefaultDatabaseFollowsTheXdgDataFolder) {
    EXPECT_EQ(DefaultDatabaseUrl("/data", "/home/a"), "sqlite:///data/hoopstack/leaderboard.db");
    EXPECT_EQ(DefaultDatabaseUrl(nullptr, "/home/a"), "sqlite:///home/a/.local/share/hoopstack/leaderboard.db");
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    EXPECT_EQ(DefaultDatabaseUrl("rel", "/home/a"), "sqlite:///home/a/.local/share/hoopstack/leaderboard.db");
    EXPECT_EQ(DefaultDatabaseUrl(nullptr, nullptr), "sqlite://leaderboard.db");
}

} // namespace
