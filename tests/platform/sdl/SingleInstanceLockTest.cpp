#include "platform/sdl/SingleInstanceLock.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

using platform::DefaultLockPath;
using platform::SingleInstanceLock;

namespace {

std::string tempLockPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid()) + ".lock"))
        .string();
}

} // namespace

TEST(SingleInstanceLock, DefaultPathLiesInTheRuntimeDirectory) {
    EXPECT_EQ(DefaultLockPath("/run/user/1000", 1000), "/run/user/1000/hoopstack-1000.lock");
    EXPECT_EQ(DefaultLockPath(nullptr, 7), "/tmp/hoopstack-7.lock");
    EXPECT_EQ(DefaultLockPath("", 7), "/tmp/hoopstack-7.lock");
}

TEST(SingleInstanceLock, SecondHolderIsRefusedUntilTheFirstGoes) {
    const std::string path = tempLockPath("lock-second");
    {
        auto first = std::make_unique<SingleInstanceLock>(path);
        ASSERT_TRUE(first->Acquire());
        EXPECT_TRUE(first->Held());
        EXPECT_TRUE(first->Acquire());  // Taking it again is harmless.

        SingleInstanceLock second(path);
        EXPECT_FALSE(second.Acquire());
        EXPECT_FALSE(second.Held());

        SingleInstanceLock other(path + ".other");
        EXPECT_TRUE(other.Acquire());

        first.reset();
        EXPECT_TRUE(second.Acquire());
        EXPECT_TRUE(second.Held());
    }
    std::filesystem::remove(path);
    std::filesystem::remove(path + ".other");
}

TEST(SingleInstanceLock, AnotherProcessHoldingItRefusesUs) {
    const std::string path = tempLockPath("lock-process");
    int toChild[2];
    int toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstanceLock held(path);
        const char ok = held.Acquire() && held.Held() ? 'y' : 'n';
        (void)!::write(toParent[1], &ok, 1);
        char quit = 0;
        (void)!::read(toChild[0], &quit, 1);
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(toParent[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');

    SingleInstanceLock mine(path);
    EXPECT_FALSE(mine.Acquire());

    const char quit = 'q';
    ASSERT_EQ(::write(toChild[1], &quit, 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(mine.Acquire());  // The lock dies with its process.
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) {
        ::close(fd);
    }
    std::filesystem::remove(path);
}

TEST(SingleInstanceLock, UnopenableFileDoesNotStopTheProgram) {
    SingleInstanceLock lock("/nonexistent-folder-for-hoopstack/x.lock");
    EXPECT_TRUE(lock.Acquire());
    EXPECT_FALSE(lock.Held());
}
