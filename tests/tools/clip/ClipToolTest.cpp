#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ClipTool.hpp"
#include "PngImage.hpp"
#include "scene/ClipFormat.hpp"
#include "scene/TClipData.hpp"

namespace fs = std::filesystem;

namespace {

// A picture of distinct bytes whose first pixel has the key colour.
scene::TClipImage Picture(int32_t width, int32_t height, uint32_t key, uint8_t seed) {
    const size_t stride = static_cast<size_t>(*scene::ImageStride(width));
    scene::TClipImage image{width, height, key, std::vector<uint8_t>(stride * std::abs(height))};
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(seed + 7 * i);
    for (int c = 0; c < 3 && key <= 0xFFFFFF; ++c) image.pixels[c] = static_cast<uint8_t>(key >> (8 * c));
    for (size_t row = 0; row < size_t(std::abs(height)); ++row) {
        for (size_t i = size_t(width) * 3; i < stride; ++i) image.pixels[row * stride + i] = 0;
    }
    return image;
}

// Images are numbered in the order frames first show them, as build numbers them.
scene::TClipData SkinClip() {
    return {12.5f,
            {Picture(5, 3, 0xFF00FF, 1), Picture(4, -6, 0x00FF00, 90), Picture(2, 2, 0xFFFFFFFF, 200)},
            {{0, 0, 0, 0, {}}, {1.25, -2, 3, 1, {3, 0}}, {0, 0, 0, 0, {4, 2}}, {7, 8, 0.5, 2, {1}}}};
}

class ClipTool : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder =
            fs::temp_directory_path() / ("clip-tool-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "in");
        ASSERT_TRUE(scene::WriteClipFile(SkinClip(), Path("skin.clp")));
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string Path(const std::string& name) const { return (m_folder / name).string(); }
    std::string Read(const std::string& name) const {
        std::ifstream file(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }
    int Run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return tools::RunClipTool(args, out, err);
    }
    // Failures print exactly one line.
    bool OneErrorLine() const {
        const std::string text = err.str();
        return std::count(text.begin(), text.end(), '\n') == 1;
    }

    fs::path m_folder;
    std::ostringstream out;
    std::ostringstream err;
};

} // namespace

TEST_F(ClipTool, ExportThenBuildGivesBackTheSameFile) {
    ASSERT_EQ(Run({"export", Path("skin.clp"), Path("frames")}), 0) << err.str();
    ASSERT_EQ(Run({"build", Path("frames"), Path("again.clp")}), 0) << err.str();
    EXPECT_NE(out.str().find("4 frames, 3 images"), std::string::npos) << out.str();
    EXPECT_EQ(Read("skin.clp"), Read("again.clp"));

    // Pictures come out upright: the bottom-up image's first stored pixel, the key colour,
    // is the transparent bottom-left pixel of the PNG, and its neighbour reads red first.
    std::string error;
    const auto png = tools::ReadPng(Path("frames/frame000.png"), error);
    ASSERT_TRUE(png.has_value()) << error;
    const uint8_t* bottomLeft = &png->rgba[size_t{2} * 5 * 4];
    EXPECT_EQ(bottomLeft[3], 0);
    EXPECT_EQ(png->rgba[3], 255);
    EXPECT_EQ(bottomLeft[4], SkinClip().images[0].pixels[5]);
}

TEST_F(ClipTool, InfoListsHeaderImagesAndFrames) {
    ASSERT_EQ(Run({"info", Path("skin.clp")}), 0) << err.str();
    for (const char* expected :
         {"3 image entries (3 images), 4 placements", "frame rate: 12.5 (12 frames per second)",
          "image 1: 4x6, rows top-down, 24 bits (8+8+8), colour key 0x00FF00",
          "frame 1: position (1.25, -2, 3), image 1, commands: 3 0 (play from frame 0)",
          "frame 2: position (0, 0, 0), image 0, commands: 4 2 (stop at frame 2)"}) {
        EXPECT_NE(out.str().find(expected), std::string::npos) << expected << "\n" << out.str();
    }
}

TEST_F(ClipTool, InvalidFilesFailWithOneClearLine) {
    std::string bytes = Read("skin.clp");
    std::ofstream(Path("short.clp"), std::ios::binary) << bytes.substr(0, 40);
    EXPECT_EQ(Run({"info", Path("short.clp")}), 1);
    EXPECT_TRUE(OneErrorLine()) << err.str();
    // Give the first image 16 bits of red: 32 bits per pixel.
    bytes[static_cast<uint8_t>(bytes[32]) + 14] = 16;
    std::ofstream(Path("deep.clp"), std::ios::binary) << bytes;
    EXPECT_EQ(Run({"export", Path("deep.clp"), Path("out")}), 1);
    EXPECT_TRUE(OneErrorLine()) << err.str();
    EXPECT_NE(err.str().find("8+8+16 bits per pixel"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(Path("out")));
}

TEST_F(ClipTool, BuildKeysTransparentPixelsAndReportsFaultsWithTheirLine) {
    std::string error;
    ASSERT_TRUE(tools::WritePng(Path("in/dot.png"), {2, 1, {10, 20, 30, 255, 99, 99, 99, 0}}, error));
    std::ofstream(Path("in/clip.txt"))
        << "# one frame\nrate 8\n\nframe file=dot.png key=0x0000FF rows=top-down\n";
    ASSERT_EQ(Run({"build", Path("in"), Path("dot.clp")}), 0) << err.str();
    const std::string bytes = Read("dot.clp");
    const auto clip = scene::ReadClip({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_TRUE(clip.has_value());
    EXPECT_EQ(clip->images[0].height, -1);
    EXPECT_EQ(clip->images[0].pixels, (std::vector<uint8_t>{30, 20, 10, 0xFF, 0, 0, 0, 0}));

    for (const auto& [text, message] : std::vector<std::pair<const char*, const char*>>{
             {"rate 5\nframe x=1\n", "line 2: a frame needs file="},
             {"rate fast\n", "line 1: expected 'rate' and one number"},
             {"frame file=dot.png size=3\n", "unknown setting 'size'"},
             {"frame file=dot.png commands=3,\n", "bad value for commands"},
             {"frame file=none.png\n", "cannot read none.png"},
             {"frame file=dot.png key=none\n", "key=none keys out no colour"}}) {
        std::ofstream(Path("in/clip.txt")) << text;
        EXPECT_EQ(Run({"build", Path("in"), Path("bad.clp")}), 1) << text;
        EXPECT_TRUE(OneErrorLine()) << err.str();
        EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
    }
    EXPECT_FALSE(fs::exists(Path("bad.clp")));
}

TEST_F(ClipTool, UsageMistakesExitWithTwo) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out.str().find("build DIR FILE"), std::string::npos);
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"export", "a.clp"}), 2);
    EXPECT_EQ(Run({"squash", "a", "b"}), 2);
}

namespace {

TEST_F(ClipTool, EveryCommandAnswersHelpWithTheUsageOnStandardOutput) {
    for (const char* command : {"info", "export", "build", "show"}) {
        for (const char* help : {"--help", "-h"}) {
            EXPECT_EQ(Run({command, help}), 0) << command << " " << help;
            EXPECT_EQ(out.str().rfind("usage: hoopstack-clip", 0), 0u) << out.str();
            EXPECT_NE(out.str().find(std::string("  ") + command + " "), std::string::npos) << command;
            EXPECT_EQ(err.str(), "");
        }
        // The show command plays in a window of its own; only its help comes here.
        EXPECT_TRUE(tools::AsksForHelp({command, "--help"}));
        EXPECT_FALSE(tools::AsksForHelp({command, "clip.clp"}));
    }
    EXPECT_FALSE(tools::AsksForHelp({"squash", "--help"}));
    EXPECT_EQ(Run({"squash", "--help"}), 2);
}

} // namespace
