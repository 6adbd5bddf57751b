#include "store/SaveWriter.hpp"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.hpp"
#include "store/TScoresTable.hpp"

using store::SaveWriter;
using namespace std::chrono_literals;

namespace {

// A disk the test controls: every write is recorded in the order it reaches the file, and
// while the gate is closed a write waits inside it, as on a slow disk.
class FakeDisk {
public:
    SaveWriter::WriteFunction Function() {
        return [this](const std::string&, const std::string& text, std::string* error) {
            std::unique_lock lock(m_mutex);
            ++m_entered;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return m_open; });
            if (text.rfind("fail", 0) == 0) {
                if (error) *error = "disk full";
                return false;
            }
            m_writes.push_back(text);
            return true;
        };
    }
    void Close() {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    // Waits until `count` writes have begun.
    void WaitForEntered(int count) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_entered >= count; });
    }
    std::vector<std::string> Writes() {
        std::lock_guard lock(m_mutex);
        return m_writes;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = true;
    int m_entered = 0;
    std::vector<std::string> m_writes;
};

std::string decoded(const std::string& path) {
    std::string text;
    store::TScoresTable table;
    return table.loadText(path, text) ? text : std::string("<undecodable>");
}

} // namespace

TEST(SaveWriterTest, TheNewestTextReplacesTheOnesStillWaiting) {
    FakeDisk disk;
    SaveWriter writer("state.dat", {}, disk.Function());
    disk.Close();
    writer.Submit("first");
    disk.WaitForEntered(1);
    // While "first" is held up on the disk, a hundred texts arrive; the caller never waits.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) writer.Submit("text " + std::to_string(i));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    disk.Open();
    writer.Flush();
    EXPECT_EQ(disk.Writes(), (std::vector<std::string>{"first", "text 99"}));
    EXPECT_EQ(writer.WritesAttempted(), 2u);
}

TEST(SaveWriterTest, AFinalWriteIsNeverOvertakenByAnOlderText) {
    FakeDisk disk;
    SaveWriter writer("state.dat", {}, disk.Function());
    disk.Close();
    writer.Submit("rest 1");
    disk.WaitForEntered(1);
    writer.Submit("rest 2");  // waiting behind rest 1
    auto final = std::async(std::launch::async, [&] { return writer.WriteNow("final"); });
    // The final write waits for the write in progress, and drops the older text waiting.
    EXPECT_EQ(final.wait_for(100ms), std::future_status::timeout);
    disk.Open();
    EXPECT_TRUE(final.get());
    writer.Flush();
    EXPECT_EQ(disk.Writes(), (std::vector<std::string>{"rest 1", "final"}));

    // Written by the thread or by a caller, the order of the texts is the order of the file.
    for (int round = 0; round < 50; ++round) {
        writer.Submit("async " + std::to_string(round));
        ASSERT_TRUE(writer.WriteNow("sync " + std::to_string(round)));
        EXPECT_EQ(disk.Writes().back(), "sync " + std::to_string(round));
    }
    writer.Flush();
    EXPECT_EQ(disk.Writes().back(), "sync 49");
}

TEST(SaveWriterTest, ShutdownWritesTheTextStillWaitingThroughTheRealStore) {
    TempDir dir;
    const std::string path = dir.file("state.dat");
    {
        SaveWriter writer(path);
        writer.Submit("1\t2\t3\t");
        writer.Submit("4\t5\t6\t");
    }  // the destructor drains
    EXPECT_EQ(decoded(path), "4\t5\t6\t");
    EXPECT_EQ(dir.entryCount(), 1u) << "a temporary file was left behind";

    SaveWriter writer(path);
    writer.Submit("7\t");
    writer.Shutdown();
    writer.Shutdown();
    EXPECT_EQ(decoded(path), "7\t");
    // With the thread gone a text is written by the caller rather than lost.
    writer.Submit("8\t");
    EXPECT_EQ(decoded(path), "8\t");
}

TEST(SaveWriterTest, AFailingPathIsReportedAndLeavesTheOldFile) {
    TempDir dir;
    // A folder that is a file: no write below it can succeed, even for root.
    writeBytes(dir.file("plain"), "x");
    const std::string path = dir.file("plain") + "/state.dat";
    std::mutex mutex;
    std::vector<std::string> reasons;
    SaveWriter writer(path, [&](const std::string& reason) {
        std::lock_guard lock(mutex);
        reasons.push_back(reason);
    });
    writer.Submit("lost");
    writer.Flush();
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(reasons.size(), 1u);
        EXPECT_NE(reasons[0].find("state.dat"), std::string::npos) << reasons[0];
    }
    std::string error;
    EXPECT_FALSE(writer.WriteNow("final", &error));
    EXPECT_FALSE(error.empty());

    // A failing write in the middle keeps the file it would have replaced.
    FakeDisk disk;
    SaveWriter faked("state.dat", [&](const std::string& reason) {
        std::lock_guard lock(mutex);
        reasons.push_back(reason);
    }, disk.Function());
    faked.Submit("good");
    faked.Flush();
    faked.Submit("fail now");
    faked.Flush();
    EXPECT_EQ(disk.Writes(), std::vector<std::string>{"good"});
    std::lock_guard lock(mutex);
    EXPECT_EQ(reasons.back(), "disk full");
}

TEST(SaveWriterTest, AnEndThatCannotWaitWritesTheNewestTextOnceAndThenNothing) {
    TempDir dir;
    const std::string path = dir.file("state.dat");
    {
        SaveWriter writer(path);
        // Nothing handed over: nothing to write, and no file appears.
        EXPECT_TRUE(writer.WriteLatestForExit(100ms));
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    FakeDisk disk;
    SaveWriter writer(path, {}, disk.Function());
    writer.Submit("rest 1");
    writer.Flush();
    EXPECT_TRUE(writer.WriteLatestForExit(100ms));
    EXPECT_EQ(disk.Writes(), std::vector<std::string>{"rest 1"}) << "a text on disk was written again";

    // A text the thread has not reached yet, behind a write held up on the disk: the exit
    // waits only as long as its patience, then writes the newest.
    FakeDisk slow;
    SaveWriter held(path, {}, slow.Function());
    slow.Close();
    held.Submit("rest 1");
    slow.WaitForEntered(1);
    held.Submit("rest 2");
    std::thread opener([&] {
        slow.WaitForEntered(2);
        slow.Open();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(held.WriteLatestForExit(50ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    opener.join();
    held.Submit("rest 3");
    held.Flush();
    // The write in progress finishes as it may (the process ends at once in real use); no
    // later text is written.
    std::vector<std::string> writes = slow.Writes();
    std::sort(writes.begin(), writes.end());
    EXPECT_EQ(writes, (std::vector<std::string>{"rest 1", "rest 2"}));
}

TEST(SaveWriterTest, StartingRemovesTheTemporaryFilesOfDeadWritersOnly) {
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);  // a process id that no longer runs
    const std::string own = std::to_string(::getpid()), dead = std::to_string(child);
    const std::vector<std::string> names{"state.dat.tmp-" + own + "-0", "state.dat.tmp-" + dead + "-7",
                                         "state.dat.tmp-1-0", "table.dat.tmp-" + dead + "-0", "state.dat.tmp-x",
                                         "state.dat"};
    for (const std::string& name : names)
        writeBytes(dir.file(name), "x");
    SaveWriter writer(dir.file("state.dat"));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    // A running process's write (process 1) and other files stay.
    EXPECT_EQ(left, (std::vector<std::string>{"state.dat", "state.dat.tmp-1-0", "state.dat.tmp-x",
                                              "table.dat.tmp-" + dead + "-0"}));
}

TEST(SaveWriterTest, CompanionsChangeWithTheirTextAndBeforeIt) {
    TempDir dir;
    const std::string side = dir.file("replay.dat");
    FakeDisk disk;
    SaveWriter writer(dir.file("state.dat"), {}, disk.Function());
    disk.Close();
    writer.Submit("board 1", {{side, "replay 1\n"}});
    disk.WaitForEntered(1);
    // The companion is on disk before its text is written.
    EXPECT_EQ(readBytes(side), "replay 1\n");
    // Texts still waiting take their companions with them when a newer one replaces them.
    writer.Submit("board 2", {{side, "replay 2\n"}});
    writer.Submit("board 3", {{side, "replay 3\n"}});
    EXPECT_EQ(readBytes(side), "replay 1\n");
    disk.Open();
    writer.Flush();
    EXPECT_EQ(disk.Writes(), (std::vector<std::string>{"board 1", "board 3"}));
    EXPECT_EQ(readBytes(side), "replay 3\n");

    // None removes the companion, and a companion already gone is no failure.
    ASSERT_TRUE(writer.WriteNow("board 4", nullptr, {{side, std::nullopt}}));
    EXPECT_FALSE(std::filesystem::exists(side));
    ASSERT_TRUE(writer.WriteNow("board 5", nullptr, {{side, std::nullopt}}));
    // A text without companions leaves them as they are.
    ASSERT_TRUE(writer.WriteNow("board 6", nullptr, {{side, "replay 6\n"}}));
    writer.Submit("board 7");
    writer.Flush();
    EXPECT_EQ(readBytes(side), "replay 6\n");
    EXPECT_EQ(dir.entryCount(), 1u) << "a temporary file was left behind";
}

TEST(SaveWriterTest, AFailingCompanionIsToldByItsPathAndTheTextIsStillWritten) {
    TempDir dir;
    // A folder where the companion should be: it can be neither replaced nor removed.
    std::filesystem::create_directory(dir.file("replay.dat"));
    const std::string side = dir.file("replay.dat");
    std::mutex mutex;
    std::vector<std::string> companions, mains;
    FakeDisk disk;
    SaveWriter writer(
        dir.file("state.dat"),
        [&](const std::string& reason) {
            std::lock_guard lock(mutex);
            mains.push_back(reason);
        },
        disk.Function(),
        [&](const std::string& path, const std::string& reason) {
            std::lock_guard lock(mutex);
            companions.push_back(path + " | " + reason);
        });
    writer.Submit("board 1", {{side, "replay\n"}});
    writer.Flush();
    ASSERT_TRUE(writer.WriteNow("board 2", nullptr, {{side, std::nullopt}}));
    EXPECT_EQ(disk.Writes(), (std::vector<std::string>{"board 1", "board 2"}));
    std::lock_guard lock(mutex);
    EXPECT_TRUE(mains.empty());
    ASSERT_EQ(companions.size(), 2u);
    for (const std::string& told : companions) EXPECT_EQ(told.rfind(side + " | ", 0), 0u) << told;
    EXPECT_TRUE(std::filesystem::is_directory(side));
}

TEST(SaveWriterTest, AnEndThatCannotWaitWritesTheNewestCompanionsToo) {
    TempDir dir;
    const std::string path = dir.file("state.dat"), side = dir.file("replay.dat");
    FakeDisk slow;
    SaveWriter writer(path, {}, slow.Function());
    slow.Close();
    writer.Submit("rest 1", {{side, "replay 1\n"}});
    slow.WaitForEntered(1);
    writer.Submit("rest 2", {{side, "replay 2\n"}});
    std::thread opener([&] {
        slow.WaitForEntered(2);
        slow.Open();
    });
    EXPECT_TRUE(writer.WriteLatestForExit(50ms));
    opener.join();
    EXPECT_EQ(readBytes(side), "replay 2\n");
    std::vector<std::string> writes = slow.Writes();
    EXPECT_NE(std::find(writes.begin(), writes.end(), "rest 2"), writes.end());
}
