#include "store/Preferences.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.hpp"

using store::ParsePreferences;
using store::PreferenceEntry;
using store::Preferences;

namespace {

using Entries = std::vector<PreferenceEntry>;

TEST(PreferencesText, KeepsValidLinesInOrderAndSkipsEverythingElse) {
    const std::string text =
        "# a comment\n"
        "fullscreen = 1\r\n"
        "\n"
        "no equals sign here\n"
        "=value without a key\n"
        "bad key=1\n"
        "colour\x01=2\n"
        "language=de_DE.UTF-8\n"
        "note=a = b\n"
        "bell=\x07\n"
        "empty=\n"
        "last=no newline";
    EXPECT_EQ(ParsePreferences(text), (Entries{{"fullscreen", "1"},
                                               {"language", "de_DE.UTF-8"},
                                               {"note", "a = b"},
                                               {"empty", ""},
                                               {"last", "no newline"}}));
}

TEST(PreferencesText, AKeyGivenTwiceKeepsItsLastValueAtItsFirstPlace) {
    EXPECT_EQ(ParsePreferences("a=1\nb=2\na=3\n"), (Entries{{"a", "3"}, {"b", "2"}}));
}

TEST(PreferencesText, FormatsWhatParseReadsBack) {
    const Entries entries{{"fullscreen", "0"}, {"x.y-z_1", "some value"}};
    EXPECT_EQ(store::FormatPreferences(entries), "fullscreen=0\nx.y-z_1=some value\n");
    EXPECT_EQ(ParsePreferences(store::FormatPreferences(entries)), entries);
}

TEST(PreferencesText, FlagsHaveTheUsualSpellingsAndNothingElse) {
    for (const char* yes : {"1", "true", "YES", "On"})
        EXPECT_EQ(store::ParsePreferenceFlag(yes), true) << yes;
    for (const char* no : {"0", "False", "no", "OFF"}) EXPECT_EQ(store::ParsePreferenceFlag(no), false) << no;
    for (const char* neither : {"", "2", "full", "1 "})
        EXPECT_EQ(store::ParsePreferenceFlag(neither), std::nullopt);
}

TEST(PreferencesPath, FollowsTheConfigHomeThenHome) {
    EXPECT_EQ(Preferences::DefaultPath("/cfg", "/home/p"), "/cfg/hoopstack/settings");
    EXPECT_EQ(Preferences::DefaultPath("/cfg//", "/home/p"), "/cfg/hoopstack/settings");
    // A relative or empty config home is ignored, as the base directory rules say.
    EXPECT_EQ(Preferences::DefaultPath("cfg", "/home/p"), "/home/p/.config/hoopstack/settings");
    EXPECT_EQ(Preferences::DefaultPath("", "/home/p/"), "/home/p/.config/hoopstack/settings");
    EXPECT_EQ(Preferences::DefaultPath(nullptr, "/home/p"), "/home/p/.config/hoopstack/settings");
    EXPECT_EQ(Preferences::DefaultPath(nullptr, nullptr), "");
    EXPECT_EQ(Preferences::DefaultPath("rel", "rel"), "");
}

TEST(PreferencesFile, SavesIntoAFolderItMakesAndKeepsUnknownKeys) {
    TempDir dir;
    const std::string path = dir.file("config/hoopstack/settings");
    ASSERT_TRUE(std::filesystem::create_directories(dir.path() / "config/hoopstack"));
    writeBytes(path, "language=fr\nfullscreen=0\nwindow.note=kept\n");

    Preferences loaded = Preferences::Load(path);
    EXPECT_FALSE(loaded.FullScreen());
    loaded.SetFullScreen(true);
    ASSERT_TRUE(loaded.Save(path));
    EXPECT_EQ(readBytes(path), "language=fr\nfullscreen=1\nwindow.note=kept\n");
    EXPECT_TRUE(Preferences::Load(path).FullScreen());

    // A folder that is not there yet is made.
    const std::string fresh = dir.file("new/deeper/hoopstack/settings");
    Preferences defaults;
    defaults.SetFullScreen(false);
    std::string error;
    ASSERT_TRUE(defaults.Save(fresh, &error)) << error;
    EXPECT_EQ(readBytes(fresh), "fullscreen=0\n");
}

TEST(PreferencesFile, AbsentBrokenOrUnreadableFilesGiveTheDefaults) {
    TempDir dir;
    EXPECT_FALSE(Preferences::Load(dir.file("absent")).FullScreen());
    EXPECT_TRUE(Preferences::Load(dir.file("absent")).Entries().empty());
    EXPECT_FALSE(Preferences::Load("").FullScreen());

    // Binary garbage: no line is a setting.
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 37) % 256 == '\n' ? 0 : (i * 37) % 256);
    writeBytes(dir.file("garbage"), garbage);
    EXPECT_FALSE(Preferences::Load(dir.file("garbage")).FullScreen());

    // A flag the program cannot read is the default, and stays as written until changed.
    writeBytes(dir.file("odd"), "fullscreen=maybe\n");
    Preferences odd = Preferences::Load(dir.file("odd"));
    EXPECT_FALSE(odd.FullScreen());
    EXPECT_EQ(odd.Entries(), (Entries{{"fullscreen", "maybe"}}));

    // Too large to be a settings file, even with a valid line in it.
    writeBytes(dir.file("large"), "fullscreen=1\n" + std::string(Preferences::kMaxBytes, '#'));
    EXPECT_FALSE(Preferences::Load(dir.file("large")).FullScreen());

    // A folder where the file should be cannot be read.
    std::filesystem::create_directory(dir.path() / "folder");
    EXPECT_FALSE(Preferences::Load(dir.file("folder")).FullScreen());
}

TEST(PreferencesFile, AnUnwritablePlaceFailsWithAReasonAndLeavesTheOldFile) {
    TempDir dir;
    Preferences full;
    full.SetFullScreen(true);
    std::string error;

    // A plain file stands where the folder would be made.
    writeBytes(dir.file("blocker"), "not a folder");
    EXPECT_FALSE(full.Save(dir.file("blocker/hoopstack/settings"), &error));
    EXPECT_NE(error.find("blocker"), std::string::npos) << error;
    EXPECT_EQ(readBytes(dir.file("blocker")), "not a folder");

    // A folder stands where the file would go: it is not replaced.
    std::filesystem::create_directories(dir.path() / "taken/inside");
    error.clear();
    EXPECT_FALSE(full.Save(dir.file("taken"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken/inside"));

    EXPECT_FALSE(full.Save("", &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
