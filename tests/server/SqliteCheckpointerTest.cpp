// The log copied back into the database file by the checkpointer's thread, never by a commit.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "server/SqliteCheckpointer.hpp"
#include "server/SqliteConnection.hpp"

using namespace server;

namespace {

std::uintmax_t fileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

} // namespace

TEST(SqliteCheckpointer, TheThreadCopiesTheWholeLogAndTheNextCommitsReuseIt) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("hoopstack-checkpointer-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "records.sqlite").string();
    {
        auto writer = SqliteConnection::Open(path, false);
        ASSERT_TRUE(writer) << writer.error();
        std::string error;
        ASSERT_TRUE((*writer)->Execute("PRAGMA journal_mode = WAL; CREATE TABLE t (v BLOB);", error)) << error;
        auto checkpointer = SqliteCheckpointer::Start(path);
        ASSERT_TRUE(checkpointer) << checkpointer.error();
        (*checkpointer)->Watch((*writer)->Handle());

        // A commit of four pages at a time, until the log holds more than the limit: the
        // commit that passes it must leave the copy to the thread.
        const std::string wal = path + "-wal";
        // The log's header, then a header and a page of 4,096 bytes per frame.
        const std::uintmax_t limitBytes = 32 + std::uintmax_t(SqliteCheckpointer::kPagesPerCheckpoint) * (24 + 4096);
        int commits = 0;
        while (fileSize(wal) <= limitBytes && commits < 2000) {
            ASSERT_TRUE((*writer)->Execute("INSERT INTO t VALUES (randomblob(12000))", error)) << error;
            ++commits;
        }
        ASSERT_GT(fileSize(wal), limitBytes);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while ((*checkpointer)->Checkpoints() == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_GE((*checkpointer)->Checkpoints(), 1);

        // With every page copied and no reader, the next commits write the log from its start
        // again instead of growing it.
        const std::uintmax_t grown = fileSize(wal);
        for (int i = 0; i < 50; ++i)
            ASSERT_TRUE((*writer)->Execute("INSERT INTO t VALUES (randomblob(100))", error)) << error;
        EXPECT_EQ(fileSize(wal), grown);
        writer->reset();
    }
    auto reader = SqliteConnection::Open(path, true);
    ASSERT_TRUE(reader);
    sqlite3_stmt* count = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2((*reader)->Handle(), "SELECT count(*) FROM t", -1, &count, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    EXPECT_GT(sqlite3_column_int(count, 0), 50);
    sqlite3_finalize(count);
    reader->reset();
    std::filesystem::remove_all(folder);
}
