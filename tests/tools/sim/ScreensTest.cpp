// The "screens" command: the program's own windows, drawn headlessly, one PNG each.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "PngImage.hpp"
#include "ScreenSession.hpp"
#include "ScreensCommand.hpp"
#include "platform/WindowFrame.hpp"
#include "scene/ResolvePath.hpp"

namespace {

namespace fs = std::filesystem;

// Client sizes; every window is framed, and its picture shows the frame too.
struct Expected {
    const char* file;
    std::uint32_t width;
    std::uint32_t height;
};
constexpr std::uint32_t kFrame = platform::kFrameWidth;

constexpr Expected kScreens[] = {
    {"game.png", 750, 600},   {"rules.png", 690, 500},  {"quit.png", 300, 200},
    {"level.png", 270, 150},  {"options.png", 260, 450}, {"scores.png", 350, 530},
    {"scores-clear.png", 330, 200}, {"result.png", 400, 300},
};

// The windows' background, 0x0099CCFF as 0x00BBGGRR, as red, green and blue.
constexpr std::uint8_t kBackground[3] = {0xFF, 0xCC, 0x99};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

std::size_t Lines(const std::string& text) {
    std::size_t lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines;
}

// Points TMPDIR at a folder for as long as it lives.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const fs::path& folder) {
        if (const char* old = std::getenv("TMPDIR")) m_old = old;
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolder() {
        if (m_old)
            ::setenv("TMPDIR", m_old->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

private:
    std::optional<std::string> m_old;
};

class Screens : public ::testing::Test {
protected:
    void SetUp() override {
        out = fs::temp_directory_path() /
              ("sim-screens-test-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(out);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(out, ec);
    }

    int Run(const std::vector<std::string>& args) {
        std::ostringstream stdoutText, stderrText;
        const int status = sim::RunScreens(args, stdoutText, stderrText);
        printed = stdoutText.str();
        errors = stderrText.str();
        return status;
    }

    fs::path out;
    std::string printed;
    std::string errors;
};

TEST_F(Screens, EveryWindowIsSavedAtItsOwnSizeAndShowsMoreThanItsBackground) {
    ASSERT_EQ(Run({"--out", (out / "new" / "folder").string()}), 0) << errors;
    EXPECT_EQ(errors, "");
    EXPECT_NE(printed.find("8 pictures"), std::string::npos) << printed;
    for (const Expected& screen : kScreens) {
        SCOPED_TRACE(screen.file);
        std::string error;
        const auto png = tools::ReadPng((out / "new" / "folder" / screen.file).string(), error);
        ASSERT_TRUE(png) << error;
        ASSERT_EQ(png->width, screen.width + 2 * kFrame);
        ASSERT_EQ(png->height, screen.height + 2 * kFrame);
        // The frame's outermost pixel, halfway down the left side, as the platform draws it.
        const std::uint32_t outline = platform::FramePixel(0, int(png->height / 2), int(png->width), int(png->height), int(kFrame)).value();
        const std::uint8_t* edge = &png->rgba[std::size_t(png->height / 2) * png->width * 4];
        EXPECT_EQ(std::uint32_t(edge[0]) << 16 | std::uint32_t(edge[1]) << 8 | edge[2], outline);
        // Pictures, text and buttons cover a good part of every window.
        std::size_t drawn = 0;
        const std::size_t pixels = std::size_t(png->width) * png->height;
        for (std::size_t i = 0; i < pixels; ++i) {
            const std::uint8_t* p = &png->rgba[i * 4];
            if (p[0] != kBackground[0] || p[1] != kBackground[1] || p[2] != kBackground[2]) ++drawn;
        }
        EXPECT_GT(drawn, pixels / 20) << drawn << " of " << pixels << " pixels drawn";
        EXPECT_LT(drawn, pixels) << "no background left: the colours are wrong";
    }
}

TEST_F(Screens, TheSameRunDrawsTheSamePicturesAndLeavesThePlayersFilesAlone) {
    const std::string realFolder = scene::ExecutableFolder();
    // The player's files beside the executable: absent stays absent, present stays as it was.
    auto playerFiles = [&] {
        std::vector<std::string> files;
        for (const char* name : {"table.dat", "state.dat"}) {
            const fs::path path = fs::path(realFolder) / name;
            files.push_back(fs::exists(path) ? "present: " + ReadBytes(path) : "absent");
        }
        return files;
    };
    const std::vector<std::string> filesBefore = playerFiles();
    // A temporary folder of this test's own, so that only its runs' scratch folders show.
    const fs::path temporary = out / "tmp";
    fs::create_directories(temporary);
    {
        const TemporaryFolder scoped(temporary);
        ASSERT_EQ(Run({"--out", (out / "one").string()}), 0) << errors;
        ASSERT_EQ(Run({"--out", (out / "two").string()}), 0) << errors;
    }
    for (const Expected& screen : kScreens)
        EXPECT_EQ(ReadBytes(out / "one" / screen.file), ReadBytes(out / "two" / screen.file)) << screen.file;

    EXPECT_EQ(scene::ExecutableFolder(), realFolder);
    EXPECT_EQ(playerFiles(), filesBefore);
    EXPECT_EQ(Entries(temporary), std::set<std::string>());
}

TEST_F(Screens, AFolderThatCannotBeMadeFailsWithOneLine) {
    fs::create_directories(out);
    std::ofstream(out / "file") << "not a folder";
    EXPECT_EQ(Run({"--out", (out / "file").string()}), 1);
    EXPECT_EQ(Lines(errors), 1u) << errors;
    EXPECT_NE(errors.find("file"), std::string::npos) << errors;
    EXPECT_EQ(Run({"--out", (out / "file" / "below").string()}), 1);
    EXPECT_EQ(Lines(errors), 1u) << errors;
}

TEST_F(Screens, AMissingOrUnknownOptionIsAUsageError) {
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Lines(errors), 1u) << errors;
    EXPECT_EQ(Run({"--out", out.string(), "--speed", "1"}), 2);
    EXPECT_EQ(Lines(errors), 1u) << errors;
    EXPECT_FALSE(fs::exists(out));
}

TEST(ScreenSession, ADialogThatClosedIsFreedAndItsOwnerPlaysOn) {
    sim::ScreenSession session;
    game::GameWindowSetup setup;
    setup.seed = 3;
    ASSERT_TRUE(session.Open(setup));
    session.Frames(2);
    for (game::GameDialog which : {game::GameDialog::Rules, game::GameDialog::Quit}) {
        SCOPED_TRACE(game::DialogName(which));
        session.Window()->OpenDialog(which);
        engine::OWindow* dialog = session.TopDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(session.Window()->IsBlocked());
        session.Frames(2);
        EXPECT_TRUE(session.CloseTopDialog());
        // Without a frame thread nobody else would free it.
        EXPECT_FALSE(engine::OWindow::IsLiveWindow(dialog));
        EXPECT_EQ(session.TopDialog(), nullptr);
        EXPECT_FALSE(session.Window()->IsBlocked());
    }
    EXPECT_FALSE(session.Window()->Finished());
}

} // namespace
