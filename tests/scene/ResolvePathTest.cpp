#include "scene/ResolvePath.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "scene/OClip.hpp"
#include "scene/TClipData.hpp"

namespace fs = std::filesystem;
using scene::ResolvePath;
using scene::ResolvePathIn;

namespace {

// Gives each test its own scratch folder and restores the executable folder afterwards.
class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = fs::temp_directory_path() /
               ("scene-paths-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
  }
  void TearDown() override {
    scene::SetExecutableFolderOverride(std::nullopt);
    fs::remove_all(m_folder);
  }
  std::string Folder() const { return m_folder.string() + "/"; }

  fs::path m_folder;
};

}  // namespace

TEST(ResolvePath, ShortNamesResolveToNothing) {
  EXPECT_EQ(ResolvePathIn("/games/", ""), "");
  EXPECT_EQ(ResolvePathIn("/games/", "a"), "");
  EXPECT_EQ(ResolvePathIn("/games/", "\\"), "");
  EXPECT_EQ(ResolvePathIn("/games/", "ab"), "/games/ab");
}

TEST(ResolvePath, CompleteNamesAreUsedUnchanged) {
  EXPECT_EQ(ResolvePathIn("/games/", "C:\\data\\x.clp"), "C:\\data\\x.clp");
  EXPECT_EQ(ResolvePathIn("/games/", "\\\\server\\share\\x.clp"), "\\\\server\\share\\x.clp");
  EXPECT_EQ(ResolvePathIn("/games/", "CLP\\odd:\\x.clp"), "CLP\\odd:\\x.clp");
  EXPECT_EQ(ResolvePathIn("/games/", "/etc/hoopstack/x.clp"), "/etc/hoopstack/x.clp");
}

TEST(ResolvePath, BackslashNamesResolveBesideTheExecutable) {
  EXPECT_EQ(ResolvePathIn("/games/puzzle/", "CLP\\top.clp"), "/games/puzzle/CLP/top.clp");
  EXPECT_EQ(ResolvePathIn("/games/puzzle/", "\\table.dat"), "/games/puzzle/table.dat");
  EXPECT_EQ(ResolvePathIn("/g/", "\\CLP\\a.clp"), ResolvePathIn("/g/", "CLP\\a.clp"));
  EXPECT_EQ(ResolvePathIn("/g/", "SKINS\\num.clp"), "/g/SKINS/num.clp");
}

TEST(ResolvePath, PathsBeyondTheSystemLimitResolveToNothing) {
  const std::string longName(PATH_MAX, 'x');
  EXPECT_EQ(ResolvePathIn("/g/", longName), "");
}

TEST_F(ScratchFolder, TheExecutableFolderIsTheTestProgramsOwnUnlessOverridden) {
  const std::string own = scene::ExecutableFolder();
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(own.back(), '/');
  EXPECT_TRUE(fs::exists(own + "scene_tests"));

  scene::SetExecutableFolderOverride(m_folder.string());
  EXPECT_EQ(scene::ExecutableFolder(), Folder());
  EXPECT_EQ(ResolvePath("CLP\\a.clp"), Folder() + "CLP/a.clp");
  scene::SetExecutableFolderOverride(std::nullopt);
  EXPECT_EQ(scene::ExecutableFolder(), own);
}

TEST_F(ScratchFolder, ClipsAreFoundFromAnyCurrentDirectory) {
  fs::create_directories(m_folder / "CLP");
  scene::TClipData data;
  data.images.push_back({1, 1, 0, {1, 2, 3, 0}});
  data.frames.push_back({});
  ASSERT_TRUE(scene::WriteClipFile(data, (m_folder / "CLP" / "dot.clp").string()));
  scene::SetExecutableFolderOverride(m_folder.string());

  const fs::path previous = fs::current_path();
  fs::current_path("/");
  auto* clip = new scene::OClip;
  EXPECT_TRUE(clip->LoadFile("CLP\\dot.clp"));
  EXPECT_EQ(clip->FrameCount(), 1);
  fs::current_path(previous);
  scene::OGraph::Release(clip);
}

TEST_F(ScratchFolder, WritableFilesFallBackToTheUserDataFolder) {
  const std::string dataHome = Folder() + "data/deeper/hoopstack/";
  EXPECT_EQ(scene::ResolveWritablePathIn("/opt/game/", true, dataHome, "state.dat"),
            "/opt/game/state.dat");
  EXPECT_FALSE(fs::exists(dataHome));
  EXPECT_EQ(scene::ResolveWritablePathIn("/opt/game/", false, dataHome, "table.dat"),
            dataHome + "table.dat");
  EXPECT_TRUE(fs::is_directory(dataHome));
  // Without any user folder the file stays beside the executable.
  EXPECT_EQ(scene::ResolveWritablePathIn("/opt/game/", false, "", "table.dat"),
            "/opt/game/table.dat");

  scene::SetExecutableFolderOverride(m_folder.string());
  EXPECT_EQ(scene::ResolveWritablePath("state.dat"), Folder() + "state.dat");
}

TEST(ResolvePath, TheUserDataFolderFollowsTheXdgRules) {
  EXPECT_EQ(scene::DataHomeFolder("/x/data", "/home/p"), "/x/data/hoopstack/");
  EXPECT_EQ(scene::DataHomeFolder("/x/data/", "/home/p"), "/x/data/hoopstack/");
  // A relative XDG_DATA_HOME is ignored, as the XDG rules ask.
  EXPECT_EQ(scene::DataHomeFolder("rel/data", "/home/p"), "/home/p/.local/share/hoopstack/");
  EXPECT_EQ(scene::DataHomeFolder(nullptr, "/home/p"), "/home/p/.local/share/hoopstack/");
  EXPECT_EQ(scene::DataHomeFolder("", nullptr), "");
}
