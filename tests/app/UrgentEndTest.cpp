#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

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
    // Forked where it stands, so that the child writes where the test then looks.
    GTEST_FLAG_SET(death_test_style, "fast");
    std::string pattern = (std::filesystem::temp_directory_path() / "hoopstack-urgent-XXXXXX").string();
    const std::filesystem::path folder = ::mkdtemp(pattern.data());
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
    std::filesystem::remove_all(folder);
}
