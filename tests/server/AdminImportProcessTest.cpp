// The program's `admin export` piped into its `admin import`: a board moves between SQLite
// files and from SQLite to PostgreSQL unchanged, and an import killed midway is completed by
// running it again.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "TestDatabase.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/PublishRequest.hpp"

using namespace server;

namespace {

struct Shell {
    int exitCode = -1;
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

// Runs a shell command line in which PROGRAM stands for hoopstack-leaderboard.
Shell shell(std::string command) {
    for (std::size_t at; (at = command.find("PROGRAM")) != std::string::npos;)
        command.replace(at, 7, HOOPSTACK_LEADERBOARD);
    char outFile[] = "/tmp/hoopstack-out-XXXXXX";
    char errFile[] = "/tmp/hoopstack-err-XXXXXX";
    ::close(::mkstemp(outFile));
    ::close(::mkstemp(errFile));
    const int status = std::system(("(" + command + ") >" + outFile + " 2>" + errFile).c_str());
    Shell result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(outFile), slurp(errFile)};
    ::unlink(outFile);
    ::unlink(errFile);
    return result;
}

std::string quote(const std::string& text) { return "'" + text + "'"; }

// A board with ties, a name with more than ten records and a hidden record.
void fill(const std::string& url) {
    auto store = OpenRecordStore(url);
    ASSERT_TRUE(store) << store.error();
    for (int i = 0; i < 30; ++i) {
        NewRecord r;
        r.level = 1 + i % 3;
        r.score = (i % 7) * 100;
        r.name = i % 2 ? "Zoë" : "C\xC5\x93ur " + std::to_string(i % 4);
        r.report = ReportText(r.level, r.score, r.name) + "\t" + std::to_string(i);
        r.receivedAt = 1'700'000'000 + i * 40'000;
        ASSERT_TRUE((*store)->Publish(r));
    }
    ASSERT_TRUE((*store)->SetHidden(5, true));
}

} // namespace

TEST(AdminImport, MovesABoardThroughAPipeBetweenSqliteFilesAndToPostgresUnchanged) {
    TestDatabase first(Backend::Sqlite), second(Backend::Sqlite);
    fill(first.Url());
    const Shell exported = shell("PROGRAM admin export --database " + quote(first.Url()));
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(std::count(exported.out.begin(), exported.out.end(), '\n'), 29) << "all but the hidden record";

    const Shell moved = shell("PROGRAM admin export --database " + quote(first.Url()) +
                              " | PROGRAM admin import --database " + quote(second.Url()));
    EXPECT_EQ(moved.exitCode, 0);
    EXPECT_EQ(moved.err, "imported 29 records, skipped 0 already stored\n");
    EXPECT_EQ(shell("PROGRAM admin export --database " + quote(second.Url())).out, exported.out);

    TestDatabase postgres(Backend::Postgres);
    if (!postgres.Available()) GTEST_SKIP() << postgres.SkipReason();
    const Shell toPostgres = shell("PROGRAM admin export --database " + quote(first.Url()) +
                                   " | PROGRAM admin import --database " + quote(postgres.Url()));
    EXPECT_EQ(toPostgres.exitCode, 0);
    EXPECT_EQ(toPostgres.err, "imported 29 records, skipped 0 already stored\n");
    EXPECT_EQ(shell("PROGRAM admin export --database " + quote(postgres.Url())).out, exported.out);
    // The same tables on both, down to the day.
    const Shell sqliteList = shell("PROGRAM admin list --database " + quote(second.Url()) + " | cut -f 2-4");
    const Shell postgresList = shell("PROGRAM admin list --database " + quote(postgres.Url()) + " | cut -f 2-4");
    EXPECT_EQ(postgresList.out, sqliteList.out);
}

TEST(AdminImport, EveryAdminCommandPrintsItsUsageWithHelpAndTouchesNoDatabase) {
    // A database that cannot be opened: --help must not try.
    for (const std::string command : {"", "list", "hide", "unhide 3", "delete", "import", "export"}) {
        const Shell help = shell("PROGRAM admin " + command +
                                 " --help --database sqlite:///proc/no-such-folder/x.db </dev/null");
        EXPECT_EQ(help.exitCode, 0) << command << ": " << help.err;
        EXPECT_NE(help.out.find("hoopstack-leaderboard admin import|export"), std::string::npos) << command;
        EXPECT_EQ(help.err, "") << command;
    }
}

TEST(AdminImport, BadInputEndsWithCode2AndAnUnreachableDatabaseWithCode1) {
    TestDatabase database(Backend::Sqlite);
    const Shell bad = shell("printf '1\\t5\\tAnn\\t2024-01-01\\n1\\t5\\tAnn\\t2024-02-30\\n' | PROGRAM admin import --database " +
                            quote(database.Url()));
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("line 2: the date must be a real day"), std::string::npos) << bad.err;
    EXPECT_EQ(shell("PROGRAM admin export --database " + quote(database.Url())).out, "");
    const Shell unreachable = shell("printf '1\\t5\\tAnn\\t2024-01-01\\n' | PROGRAM admin import --database "
                                    "'postgresql://nobody@127.0.0.1:1/none?connect_timeout=1'");
    EXPECT_EQ(unreachable.exitCode, 1);
    const Shell extra = shell("PROGRAM admin export --level 1 --database " + quote(database.Url()));
    EXPECT_EQ(extra.exitCode, 2) << "export takes --database only";
    EXPECT_NE(shell("PROGRAM --help").out.find("admin import|export"), std::string::npos);
}

TEST(AdminImport, AnImportKilledMidwayIsCompletedByRunningItAgain) {
    TestDatabase database(Backend::Sqlite), clean(Backend::Sqlite);
    char file[] = "/tmp/hoopstack-lines-XXXXXX";
    const int fd = ::mkstemp(file);
    ASSERT_GE(fd, 0);
    std::string text;
    for (int i = 0; i < 70'000; ++i)
        text += std::to_string(1 + i % 3) + "\t" + std::to_string(i % 997) + "\tplayer " + std::to_string(i % 5003) +
                "\t2024-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10) + "\n";
    ASSERT_EQ(::write(fd, text.data(), text.size()), ssize_t(text.size()));
    ::close(fd);

    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen(file, "rb", stdin);
        std::freopen("/dev/null", "w", stderr);
        ::execl(HOOPSTACK_LEADERBOARD, HOOPSTACK_LEADERBOARD, "admin", "import", "--database", database.Url().c_str(),
                nullptr);
        ::_exit(127);
    }
    // Killed as soon as its first batch is stored (or when it is done, on a fast machine).
    auto store = OpenRecordStore(database.Url());
    ASSERT_TRUE(store) << store.error();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < giveUp) {
        const Expected<std::int64_t> largest = (*store)->LargestRecordId();
        if (largest && *largest > 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);

    const Shell again = shell("PROGRAM admin import --database " + quote(database.Url()) + " < " + file);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    const Shell once = shell("PROGRAM admin import --database " + quote(clean.Url()) + " < " + file);
    EXPECT_EQ(once.err, "imported 70000 records, skipped 0 already stored\n");
    const Shell completed = shell("PROGRAM admin export --database " + quote(database.Url()) + " | md5sum");
    EXPECT_EQ(completed.out, shell("PROGRAM admin export --database " + quote(clean.Url()) + " | md5sum").out);
    EXPECT_EQ(shell("PROGRAM admin list --database " + quote(database.Url()) + " | wc -l").out, "70000\n");
    ::unlink(file);
}
