#include "ClipTool.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PngImage.hpp"
#include "scene/ClipFormat.hpp"
#include "scene/TClipData.hpp"

namespace fs = std::filesystem;

namespace {

scene::TClipImage Picture(int32_t width, int32_t height, uint32_t key, uint8_t seed) {
  scene::TClipImage image{width, height, key, {}};
  const int32_t stride = *scene::ImageStride(width);
  image.pixels.assign(static_cast<size_t>(stride * std::abs(height)), 0);
  for (int32_t y = 0; y < std::abs(height); ++y) {
    for (int32_t x = 0; x < width * 3; ++x) {
      image.pixels[static_cast<size_t>(y * stride + x)] = static_cast<uint8_t>(seed + 7 * x + 13 * y);
    }
  }
  // One pixel of the key colour, which export turns transparent and build back again.
  if (key <= 0xFFFFFF) {
    image.pixels[0] = static_cast<uint8_t>(key);
    image.pixels[1] = static_cast<uint8_t>(key >> 8);
    image.pixels[2] = static_cast<uint8_t>(key >> 16);
  }
  return image;
}

// Images are numbered in the order frames first show them, as build numbers them.
scene::TClipData SkinClip() {
  scene::TClipData clip;
  clip.frameRate = 12.5f;
  clip.images = {Picture(5, 3, 0xFF00FF, 1), Picture(4, -6, 0x00FF00, 90), Picture(2, 2, 0xFFFFFFFF, 200)};
  clip.frames = {{0, 0, 0, 0, {}}, {1.25, -2, 3, 1, {3, 0}}, {0, 0, 0, 0, {4, 2}}, {7, 8, 0.5, 2, {1}}};
  return clip;
}

class ClipTool : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = fs::temp_directory_path() /
               ("clip-tool-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
  }
  void TearDown() override { fs::remove_all(m_folder); }

  std::string Path(const std::string& name) const { return (m_folder / name).string(); }

  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return tools::RunClipTool(args, out, err);
  }

  void WriteText(const std::string& name, const std::string& text) {
    fs::create_directories(fs::path(Path(name)).parent_path());
    std::ofstream(Path(name)) << text;
  }

  // True when the error stream holds exactly one line.
  bool OneErrorLine() const {
    const std::string text = err.str();
    return !text.empty() && text.back() == '\n' && text.find('\n') == text.size() - 1;
  }

  fs::path m_folder;
  std::ostringstream out;
  std::ostringstream err;
};

}  // namespace

TEST_F(ClipTool, ExportThenBuildGivesBackTheSameFile) {
  ASSERT_TRUE(scene::WriteClipFile(SkinClip(), Path("skin.clp")));
  ASSERT_EQ(Run({"export", Path("skin.clp"), Path("frames")}), 0) << err.str();
  for (const char* name : {"frame000.png", "frame003.png", "clip.txt"}) {
    EXPECT_TRUE(fs::exists(Path("frames/") + name)) << name;
  }
  ASSERT_EQ(Run({"build", Path("frames"), Path("again.clp")}), 0) << err.str();
  EXPECT_NE(out.str().find("4 frames, 3 images"), std::string::npos) << out.str();

  std::ifstream first(Path("skin.clp"), std::ios::binary);
  std::ifstream second(Path("again.clp"), std::ios::binary);
  const std::string a((std::istreambuf_iterator<char>(first)), {});
  const std::string b((std::istreambuf_iterator<char>(second)), {});
  EXPECT_EQ(a, b);
}

TEST_F(ClipTool, ExportedPicturesAreUprightWithTheKeyTransparent) {
  ASSERT_TRUE(scene::WriteClipFile(SkinClip(), Path("skin.clp")));
  ASSERT_EQ(Run({"export", Path("skin.clp"), Path("frames")}), 0) << err.str();
  std::string error;
  const auto png = tools::ReadPng(Path("frames/frame000.png"), error);
  ASSERT_TRUE(png.has_value()) << error;
  EXPECT_EQ(png->width, 5u);
  EXPECT_EQ(png->height, 3u);
  // The first stored row of a bottom-up image is the bottom row of the picture.
  const size_t bottomLeft = size_t{2} * 5 * 4;
  EXPECT_EQ(png->rgba[bottomLeft + 3], 0);
  EXPECT_EQ(png->rgba[bottomLeft + 0], 0xFF);
  EXPECT_EQ(png->rgba[bottomLeft + 2], 0xFF);
  EXPECT_EQ(png->rgba[3], 255);
  // Its second stored byte triple is blue, green, red of the next pixel.
  const scene::TClipImage image = SkinClip().images[0];
  EXPECT_EQ(png->rgba[bottomLeft + 4], image.pixels[5]);
  EXPECT_EQ(png->rgba[bottomLeft + 6], image.pixels[3]);
}

TEST_F(ClipTool, InfoListsHeaderImagesAndFrames) {
  ASSERT_TRUE(scene::WriteClipFile(SkinClip(), Path("skin.clp")));
  ASSERT_EQ(Run({"info", Path("skin.clp")}), 0) << err.str();
  const std::string text = out.str();
  for (const char* expected :
       {"3 image entries (3 images), 4 placements", "frame rate: 12.5 (12 frames per second)",
        "image 1: 4x6, rows top-down, 24 bits (8+8+8), colour key 0x00FF00",
        "image 2: 2x2, rows bottom-up, 24 bits (8+8+8), colour key 0xFFFFFFFF",
        "frame 1: position (1.25, -2, 3), image 1, commands: 3 0 (play from frame 0)",
        "frame 2: position (0, 0, 0), image 0, commands: 4 2 (stop at frame 2)",
        "frame 0: position (0, 0, 0), image 0, commands: none"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

TEST_F(ClipTool, InvalidFilesFailWithOneClearLine) {
  std::vector<uint8_t> bytes = *scene::WriteClip(SkinClip());
  const auto save = [this](const std::string& name, const std::vector<uint8_t>& data) {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  };
  save("short.clp", {bytes.begin(), bytes.begin() + 40});
  EXPECT_EQ(Run({"info", Path("short.clp")}), 1);
  EXPECT_TRUE(OneErrorLine()) << err.str();
  EXPECT_NE(err.str().find("not a valid clip file"), std::string::npos);

  // Give the first image 16 bits of red: 32 bits per pixel.
  std::vector<uint8_t> deep = bytes;
  const size_t record = deep[32] | (deep[33] << 8) | (deep[34] << 16);
  deep[record + 14] = 16;
  save("deep.clp", deep);
  EXPECT_EQ(Run({"info", Path("deep.clp")}), 1);
  EXPECT_TRUE(OneErrorLine()) << err.str();
  EXPECT_NE(err.str().find("8+8+16 bits per pixel"), std::string::npos) << err.str();
  EXPECT_EQ(Run({"export", Path("deep.clp"), Path("out")}), 1);
  EXPECT_FALSE(fs::exists(Path("out")));

  EXPECT_EQ(Run({"info", Path("missing.clp")}), 1);
  EXPECT_TRUE(OneErrorLine());
}

TEST_F(ClipTool, BuildTurnsTransparentPixelsIntoTheKey) {
  tools::RgbaImage picture{2, 1, {10, 20, 30, 255, 99, 99, 99, 0}};
  std::string error;
  fs::create_directories(Path("in"));
  ASSERT_TRUE(tools::WritePng(Path("in/dot.png"), picture, error)) << error;
  WriteText("in/clip.txt", "# one frame\nrate 8\n\nframe file=dot.png key=0x0000FF rows=top-down x=3\n");
  ASSERT_EQ(Run({"build", Path("in"), Path("dot.clp")}), 0) << err.str();

  std::ifstream file(Path("dot.clp"), std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
  const auto clip = scene::ReadClip(bytes);
  ASSERT_TRUE(clip.has_value());
  EXPECT_EQ(clip->frameRate, 8);
  ASSERT_EQ(clip->frames.size(), 1u);
  EXPECT_EQ(clip->frames[0].x, 3);
  const scene::TClipImage& image = clip->images[0];
  EXPECT_EQ(image.height, -1);
  EXPECT_EQ(image.colourKey, 0x0000FFu);
  EXPECT_EQ(std::vector<uint8_t>(image.pixels.begin(), image.pixels.begin() + 6),
            (std::vector<uint8_t>{30, 20, 10, 0xFF, 0, 0}));
}

TEST_F(ClipTool, BuildReportsDescriptionFaultsWithTheirLine) {
  fs::create_directories(Path("in"));
  tools::RgbaImage picture{1, 1, {1, 2, 3, 0}};
  std::string error;
  ASSERT_TRUE(tools::WritePng(Path("in/dot.png"), picture, error)) << error;

  struct Case {
    const char* text;
    const char* message;
  };
  for (const Case& c : {Case{"rate 5\nframe x=1\n", "line 2: a frame needs file="},
                        Case{"rate fast\n", "line 1: expected 'rate' and one number"},
                        Case{"frame file=dot.png size=3\n", "unknown setting 'size'"},
                        Case{"frame file=dot.png commands=3,\n", "bad value for commands"},
                        Case{"frame file=dot.png rows=sideways\n", "bad value for rows"},
                        Case{"picture dot.png\n", "expected 'rate' or 'frame'"},
                        Case{"frame file=none.png\n", "cannot read none.png"},
                        Case{"frame file=dot.png key=none\n", "key=none keys out no colour"}}) {
    WriteText("in/clip.txt", c.text);
    EXPECT_EQ(Run({"build", Path("in"), Path("out.clp")}), 1) << c.text;
    EXPECT_TRUE(OneErrorLine()) << err.str();
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  }
  EXPECT_FALSE(fs::exists(Path("out.clp")));
  EXPECT_EQ(Run({"build", Path("nowhere"), Path("out.clp")}), 1);
}

TEST_F(ClipTool, UsageAndHelp) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.str().find("build DIR FILE"), std::string::npos);
  EXPECT_EQ(Run({}), 2);
  EXPECT_TRUE(OneErrorLine());
  EXPECT_EQ(Run({"info"}), 2);
  EXPECT_EQ(Run({"export", "a.clp"}), 2);
  EXPECT_EQ(Run({"squash", "a", "b"}), 2);
}
