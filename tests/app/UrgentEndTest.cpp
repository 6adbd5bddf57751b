#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <cstdlib>

#include <stdlib.h>

#include "app/UrgentEnd.hpp"
#include "store/SaveWriter.hpp"
#include "store/TScoresTable.hpp"

namespace {

std::string decoded(const std::string& path) {
    std::string text;
    store::TScoresTable table;
    return table.loadText(path, text) ? text : std::string("<undecodable>");
}

} // namespace

// The program's end when the display is gone: the newest text is kept even while the writer's
// thread hangs on the disk, and the process then ends with code 1 without waiting any longer.
TEST(UrgentEndTest, KeepsTheNewestTextPastAHungWriteAndEndsWithCodeOne) {
    // The child runs the test again from its start in a fresh process (earlier tests leave
    // threads behind, after which a plain fork is unsafe); it finds the parent's folder in the
    // environment, so that it writes where the test then looks.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr const char* kFolderVariable = "HOOPSTACK_URGENT_TEST_FOLDER";
    std::filesystem::path folder;
    if (const char* given = std::getenv(kFolderVariable)) {
        folder = given;
    } else {
        std::string pattern = (std::filesystem::temp_directory_path() / "hoopstack-urgent-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        ::setenv(kFolderVariable, pattern.c_str(), 1);
    }
    const std::string path = (folder / "state.dat").string();
    EXPECT_EXIT(
        {
            const auto caller = std::this_thread::get_id();
            store::SaveWriter writer(path, {}, [caller](const std::string& file, const std::string& text, std::string* error) {
                // The writer's own thread meets a disk that never answers.
                while (std::this_thread::get_id() != caller) std::this_thread::sleep_for(std::chrono::hours(1));
                return store::TScoresTable().writeEncrypted(file, text, error);
            });
            writer.Submit("rest 1\t");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));  // taken up by the thread
            writer.Submit("rest 2\t");
            app::UrgentEnd::SetWriter(&writer);
            app::UrgentEnd::SaveAndExit();
        },
        ::testing::ExitedWithCode(app::UrgentEnd::kExitCode), "");
    EXPECT_EQ(decoded(path), "rest 2\t");

    // With no writer (the intro's message box) it only ends.
    EXPECT_EXIT(app::UrgentEnd::SaveAndExit(), ::testing::ExitedWithCode(app::UrgentEnd::kExitCode), "");
    ::unsetenv(kFolderVariable);
    std::filesystem::remove_all(folder);
}
