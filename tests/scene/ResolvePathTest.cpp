#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ClipSamples.hpp"
#include "scene/ResolvePath.hpp"

namespace fs = std::filesystem;
using scene::ResolvePathIn;

TEST(ResolvePath, NamesResolveBesideTheExecutableWithSlashes) {
    EXPECT_EQ(ResolvePathIn("/games/", "a"), "");
    EXPECT_EQ(ResolvePathIn("/games/", "\\"), "");
    EXPECT_EQ(ResolvePathIn("/games/puzzle/", "CLP\\top.clp"), "/games/puzzle/CLP/top.clp");
    EXPECT_EQ(ResolvePathIn("/games/puzzle/", "\\table.dat"), "/games/puzzle/table.dat");
    EXPECT_EQ(ResolvePathIn("/g/", "\\CLP\\a.clp"), ResolvePathIn("/g/", "CLP\\a.clp"));
    EXPECT_EQ(ResolvePathIn("/g/", std::string(PATH_MAX, 'x')), "");
}

TEST(ResolvePath, CompleteNamesAreUsedUnchanged) {
    for (const char* name :
         {"C:\\data\\x.clp", "\\\\server\\share\\x.clp", "CLP\\odd:\\x.clp", "/etc/hoopstack/x.clp"}) {
        EXPECT_EQ(ResolvePathIn("/games/", name), name);
    }
}

TEST(ResolvePath, TheUserDataFolderFollowsTheXdgRules) {
    EXPECT_EQ(scene::DataHomeFolder("/x/data/", "/home/p"), "/x/data/hoopstack/");
    // A relative XDG_DATA_HOME is ignored, as the XDG rules ask.
    EXPECT_EQ(scene::DataHomeFolder("rel/data", "/home/p"), "/home/p/.local/share/hoopstack/");
    EXPECT_EQ(scene::DataHomeFolder(nullptr, "/home/p"), "/home/p/.local/share/hoopstack/");
    EXPECT_EQ(scene::DataHomeFolder("", nullptr), "");
}

TEST(ResolvePath, ClipsAndWritableFilesAreFoundFromAnyCurrentDirectory) {
    const fs::path folder = fs::temp_directory_path() / ("scene-paths-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "CLP");
    const std::string own = scene::ExecutableFolder();
    EXPECT_TRUE(fs::exists(own + "scene_tests"));
    ASSERT_TRUE(scene::WriteClipFile(SequenceClip(0, {{}}), (folder / "CLP" / "dot.clp").string()));
    scene::SetExecutableFolderOverride(folder.string());

    const fs::path previous = fs::current_path();
    fs::current_path("/");
    auto* clip = new scene::OClip;
    EXPECT_TRUE(clip->LoadFile("CLP\\dot.clp"));
    scene::OGraph::Release(clip);
    EXPECT_EQ(scene::ResolveWritablePath("state.dat"), folder.string() + "/state.dat");
    fs::current_path(previous);

    // An unwritable executable folder sends writable files to the data folder, made on demand.
    const std::string data = folder.string() + "/data/deeper/hoopstack/";
    EXPECT_EQ(scene::ResolveWritablePathIn("/opt/game/", true, data, "table.dat"), "/opt/game/table.dat");
    EXPECT_FALSE(fs::exists(data));
    EXPECT_EQ(scene::ResolveWritablePathIn("/opt/game/", false, data, "table.dat"), data + "table.dat");
    EXPECT_TRUE(fs::is_directory(data));

    scene::SetExecutableFolderOverride(std::nullopt);
    EXPECT_EQ(scene::ExecutableFolder(), own);
    fs::remove_all(folder);
}

TEST(ResolvePath, AnInstalledCopyFindsItsDataUnderShareAndSavesPerUser) {
    EXPECT_EQ(scene::ChooseDataFolder("/opt/x/bin/", true, true, "/usr/share/hoopstack"), "/opt/x/bin/");
    EXPECT_EQ(scene::ChooseDataFolder("/opt/x/bin/", false, true, "/usr/share/hoopstack"),
              "/opt/x/bin/../share/hoopstack/");
    EXPECT_EQ(scene::ChooseDataFolder("/opt/x/bin/", false, false, "/usr/share/hoopstack"), "/usr/share/hoopstack/");

    const fs::path root = fs::temp_directory_path() / ("scene-installed-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "bin");
    fs::create_directories(root / "share" / "hoopstack" / "CLP");
    std::FILE* clip = std::fopen((root / "share/hoopstack/CLP/a.clp").c_str(), "wb");
    ASSERT_NE(clip, nullptr);
    std::fclose(clip);
    scene::SetExecutableFolderOverride((root / "bin").string());
    EXPECT_EQ(fs::path(scene::ResolvePath("CLP\\a.clp")), root / "bin/../share/hoopstack/CLP/a.clp");
    // The bin folder is writable here, but without data beside it saves go to the user's folder.
    EXPECT_NE(scene::ResolveWritablePath("state.dat").rfind((root / "bin").string(), 0), 0u);

    // A file in the extra folder is used first; files it lacks still come from the data folder.
    fs::create_directories(root / "skin" / "CLP");
    clip = std::fopen((root / "skin/CLP/b.clp").c_str(), "wb");
    ASSERT_NE(clip, nullptr);
    std::fclose(clip);
    scene::SetExtraDataFolder((root / "skin").string());
    EXPECT_EQ(fs::path(scene::ResolvePath("CLP\\b.clp")), root / "skin/CLP/b.clp");
    EXPECT_EQ(fs::path(scene::ResolvePath("CLP\\a.clp")), root / "bin/../share/hoopstack/CLP/a.clp");
    scene::SetExtraDataFolder(std::nullopt);
    EXPECT_EQ(fs::path(scene::ResolvePath("CLP\\b.clp")), root / "bin/../share/hoopstack/CLP/b.clp");

    // A language's picture goes before the English one, the language's own before its family's;
    // a language without a picture of its own shows the English one.
    fs::create_directories(root / "share/hoopstack/CLP/pt");
    fs::create_directories(root / "share/hoopstack/CLP/pt_BR");
    for (const char* file : {"share/hoopstack/CLP/pt/a.clp", "share/hoopstack/CLP/pt/b.clp",
                             "share/hoopstack/CLP/pt_BR/a.clp"}) {
        clip = std::fopen((root / file).c_str(), "wb");
        ASSERT_NE(clip, nullptr);
        std::fclose(clip);
    }
    scene::SetArtLanguages({"pt_BR", "pt"});
    EXPECT_EQ(fs::path(scene::ResolvePath("CLP\\a.clp")), root / "bin/../share/hoopstack/CLP/pt_BR/a.clp");
    EXPECT_EQ(fs::path(scene::ResolvePath("CLP\\b.clp")), root / "bin/../share/hoopstack/CLP/pt/b.clp");
    scene::SetArtLanguages({"de"});
    EXPECT_EQ(fs::path(scene::ResolvePath("CLP\\a.clp")), root / "bin/../share/hoopstack/CLP/a.clp");
    scene::SetArtLanguages({});
    EXPECT_EQ(fs::path(scene::ResolvePath("CLP\\a.clp")), root / "bin/../share/hoopstack/CLP/a.clp");
    EXPECT_EQ(scene::LanguageVariant("CLP\\btNew.clp", "de"), "CLP\\de\\btNew.clp");
    EXPECT_EQ(scene::LanguageVariant("SKINS/scbox.clp", "nl"), "SKINS/nl/scbox.clp");
    EXPECT_EQ(scene::LanguageVariant("state.dat", "de"), "");
    EXPECT_EQ(scene::LanguageVariant("CLP\\a.clp", ""), "");

    scene::SetExecutableFolderOverride(std::nullopt);
    fs::remove_all(root);
}
