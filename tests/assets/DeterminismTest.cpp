#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "AssetCatalogue.hpp"
#include "AssetTestSupport.hpp"
#include "ContactSheet.hpp"
#include "Draw.hpp"

namespace assetgen {
namespace {

namespace fs = std::filesystem;

// Cairo and fontconfig keep font caches for the life of the process; they are freed after the
// last test so that the leak checker sees only the tests' own memory.
struct DrawingCachesRelease {
    ~DrawingCachesRelease() { ReleaseDrawingCaches(); }
} releaseAtExit;

class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& name)
        : m_path(fs::temp_directory_path() /
                 (name + "-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  std::to_string(reinterpret_cast<uintptr_t>(this)))) {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TemporaryFolder() {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

TEST(Determinism, TwoRunsWriteTheSameBytesAsTheBuild) {
    TemporaryFolder first("hoopstack-assets-a");
    TemporaryFolder second("hoopstack-assets-b");
    std::ostringstream errors;
    ASSERT_TRUE(GenerateAll(first.Path().string(), errors)) << errors.str();
    ASSERT_TRUE(GenerateAll(second.Path().string(), errors)) << errors.str();
    for (const Asset& asset : Catalogue()) {
        const std::vector<uint8_t> a = testing::ReadBytes((first.Path() / asset.path).string());
        const std::vector<uint8_t> b = testing::ReadBytes((second.Path() / asset.path).string());
        ASSERT_FALSE(a.empty()) << asset.path;
        EXPECT_EQ(a, b) << asset.path;
        // The files in the build tree are the current generator's.
        EXPECT_EQ(a, testing::ReadBytes(testing::AssetPath(asset.path))) << asset.path;
    }
    // Nothing else is left behind, such as temporaries.
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(first.Path())) {
        files += entry.is_regular_file();
    }
    EXPECT_EQ(files, Catalogue().size());
}

TEST(Determinism, ContactSheetIsWrittenAndReadsEveryClip) {
    TemporaryFolder folder("hoopstack-sheet");
    const fs::path sheet = folder.Path() / "assets-sheet.png";
    std::ostringstream errors;
    ASSERT_TRUE(WriteContactSheet(sheet.string(), errors)) << errors.str();
    EXPECT_TRUE(errors.str().empty()) << errors.str();
    EXPECT_GT(fs::file_size(sheet), 100000u);
    size_t clips = 0;
    for (const Asset& asset : Catalogue()) clips += asset.kind == AssetKind::Clip;
    EXPECT_EQ(ReadBackClips(errors).size(), clips);
}

TEST(Determinism, AnUnwritableFolderIsReported) {
    TemporaryFolder folder("hoopstack-blocked");
    // A file where the generator needs a folder.
    const fs::path blocked = folder.Path() / "out";
    { std::ofstream(blocked) << "x"; }
    std::ostringstream errors;
    EXPECT_FALSE(GenerateAll(blocked.string(), errors));
    EXPECT_NE(errors.str().find("could not write"), std::string::npos) << errors.str();
}

} // namespace
} // namespace assetgen
