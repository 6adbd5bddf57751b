#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/AutomaticScale.hpp"
#include "app/CommandLine.hpp"
#include "app/EntrySequence.hpp"

namespace {

using app::CommandLine;

// Only the folders named here exist.
CommandLine parse(const std::vector<std::string>& arguments) {
    static const std::set<std::string> folders{"skins", "/tmp/my clips"};
    return CommandLine::Parse(arguments, [](const std::string& path) { return folders.count(path) != 0; });
}

// The first line of the text.
std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST(CommandLine, NoArgumentsRunWithTheAutomaticScaleAndTheOwnDataOnly) {
    const CommandLine line = parse({});
    EXPECT_EQ(line.ExitCode(), std::nullopt);
    EXPECT_EQ(line.Scale(), std::nullopt);
    EXPECT_EQ(line.FullScreen(), std::nullopt);
    EXPECT_EQ(line.DataFolder(), std::nullopt);
    EXPECT_EQ(line.Output(), "");
    EXPECT_EQ(line.Errors(), "");
}

TEST(CommandLine, HelpAndVersionPrintToStandardOutputAndEndWithZero) {
    const CommandLine help = parse({"--help"});
    EXPECT_EQ(help.ExitCode(), 0);
    EXPECT_EQ(help.Output(), CommandLine::Usage());
    EXPECT_EQ(help.Errors(), "");
    EXPECT_EQ(firstLine(help.Output()),
              "usage: hoopstack [--scale N] [--fullscreen | --windowed] [--data-dir DIR] [--language CODE]");
    for (const char* option : {"--scale N", "--fullscreen", "--windowed", "F11", "Alt+Enter",
                               "--data-dir DIR", "--language CODE", "--help", "--version"})
        EXPECT_NE(help.Output().find(option), std::string::npos) << option;

    const CommandLine version = parse({"--scale", "2", "--version", "--unknown"});
    EXPECT_EQ(version.ExitCode(), 0);
    EXPECT_EQ(version.Output(), std::string("hoopstack ") + HOOPSTACK_VERSION + "\n");
    EXPECT_EQ(version.Errors(), "");
}

TEST(CommandLine, FullScreenOrWindowedChoosesForThisRunBesideTheOtherOptions) {
    EXPECT_EQ(parse({"--fullscreen"}).FullScreen(), true);
    EXPECT_EQ(parse({"--windowed"}).FullScreen(), false);
    // Given twice the same way it is still the one choice.
    const CommandLine line = parse({"--scale=2", "--fullscreen", "--data-dir", "skins", "--fullscreen"});
    EXPECT_EQ(line.ExitCode(), std::nullopt);
    EXPECT_EQ(line.FullScreen(), true);
    EXPECT_EQ(line.Scale(), 2);
    EXPECT_EQ(line.DataFolder(), "skins");
    EXPECT_EQ(parse({"--windowed", "--replay", "game.hoopstack-replay"}).FullScreen(), false);
}

TEST(CommandLine, ScaleTakesAWholeNumberFromOneToFourInEitherForm) {
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(parse({"--scale", std::to_string(n)}).Scale(), n);
        EXPECT_EQ(parse({"--scale=" + std::to_string(n)}).Scale(), n);
    }
    // The last one given counts.
    EXPECT_EQ(parse({"--scale=3", "--scale", "1"}).Scale(), 1);
    for (const char* bad : {"0", "5", "-1", "+2", "2.0", "two", "", " 2", "2 ", "99999999999"}) {
        SCOPED_TRACE(std::string("value '") + bad + "'");
        for (const CommandLine& line : {parse({"--scale", bad}), parse({std::string("--scale=") + bad})}) {
            EXPECT_EQ(line.ExitCode(), 2);
            EXPECT_EQ(firstLine(line.Errors()),
                      std::string("hoopstack: --scale takes a whole number from 1 to 4, not '") + bad + "'");
            EXPECT_EQ(line.Errors().substr(line.Errors().find('\n') + 1), CommandLine::Usage());
            EXPECT_EQ(line.Output(), "");
        }
    }
}

TEST(CommandLine, DataDirMustNameAFolder) {
    EXPECT_EQ(parse({"--data-dir", "skins"}).DataFolder(), "skins");
    EXPECT_EQ(parse({"--data-dir=/tmp/my clips", "--scale=2"}).DataFolder(), "/tmp/my clips");
    EXPECT_EQ(parse({"--data-dir=/tmp/my clips", "--scale=2"}).Scale(), 2);
    for (const CommandLine& line : {parse({"--data-dir", "missing"}), parse({"--data-dir=missing"})}) {
        EXPECT_EQ(line.ExitCode(), 2);
        EXPECT_EQ(line.Errors(), "hoopstack: --data-dir: 'missing' is no folder\n");
        EXPECT_EQ(line.DataFolder(), std::nullopt);
    }
    EXPECT_EQ(parse({"--data-dir="}).ExitCode(), 2);
}

TEST(CommandLine, LanguageTakesACodeAndNothingThatCouldBeAPath) {
    EXPECT_EQ(parse({}).Language(), std::nullopt);
    EXPECT_EQ(parse({"--language", "de"}).Language(), "de");
    EXPECT_EQ(parse({"--language=pt_BR", "--scale", "2"}).Language(), "pt_BR");
    for (const char* bad : {"--language=", "--language=../de", "--language=de.UTF-8", "--language=a/b"}) {
        const CommandLine line = parse({bad});
        EXPECT_EQ(line.ExitCode(), 2) << bad;
        EXPECT_EQ(line.Language(), std::nullopt) << bad;
    }
    EXPECT_EQ(parse({"--language"}).ExitCode(), 2);
}

TEST(CommandLine, ReplayNamesAFileInEitherFormBesideTheOtherOptions) {
    EXPECT_EQ(parse({}).ReplayFile(), std::nullopt);
    EXPECT_EQ(parse({"--replay", "game.hoopstack-replay"}).ReplayFile(), "game.hoopstack-replay");
    EXPECT_EQ(parse({"--replay=/tmp/my clips/a b.hoopstack-replay"}).ReplayFile(),
              "/tmp/my clips/a b.hoopstack-replay");
    // Read later, where a fault can be shown: a missing file is no fault of the command line.
    const CommandLine all = parse({"--scale=2", "--replay", "missing", "--data-dir", "skins"});
    EXPECT_EQ(all.ExitCode(), std::nullopt);
    EXPECT_EQ(all.ReplayFile(), "missing");
    EXPECT_EQ(all.Scale(), 2);
    EXPECT_EQ(all.DataFolder(), "skins");
    // A value that looks like an option is still the file's name, as for the other options.
    EXPECT_EQ(parse({"--replay", "--scale"}).ReplayFile(), "--scale");
    // The last one given counts.
    EXPECT_EQ(parse({"--replay=a", "--replay", "b"}).ReplayFile(), "b");
    // A desktop launcher started without a file leaves "--replay=" of "--replay=%f": the game.
    for (const CommandLine& line :
         {parse({"--replay="}), parse({"--replay", ""}), parse({"--replay=a", "--replay="})}) {
        EXPECT_EQ(line.ExitCode(), std::nullopt);
        EXPECT_EQ(line.ReplayFile(), std::nullopt);
    }
    // Help and version still end at once.
    EXPECT_EQ(parse({"--replay", "a", "--help"}).ExitCode(), 0);
    const std::string usage = CommandLine::Usage();
    EXPECT_NE(usage.find("--replay FILE"), std::string::npos);
}

TEST(CommandLine, ReplayWithoutAFileOrWithAStrayArgumentEndsWithTheUsage) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--replay"}, "hoopstack: --replay needs a value"},
        {{"--scale", "2", "--replay"}, "hoopstack: --replay needs a value"},
        {{"--replay", "a", "b"}, "hoopstack: unexpected argument 'b'"},
        {{"game.hoopstack-replay"}, "hoopstack: unexpected argument 'game.hoopstack-replay'"},
        {{"--replays=a"}, "hoopstack: unknown option '--replays'"},
    };
    for (const auto& [arguments, error] : cases) {
        SCOPED_TRACE(error);
        const CommandLine line = parse(arguments);
        EXPECT_EQ(line.ExitCode(), 2);
        EXPECT_EQ(line.Errors(), error + "\n" + CommandLine::Usage());
    }
}

TEST(CommandLine, UnknownOptionsStrayArgumentsAndMissingValuesEndWithOneLineAndTheUsage) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--full-screen"}, "hoopstack: unknown option '--full-screen'"},
        {{"--fullscreen=yes"}, "hoopstack: --fullscreen takes no value"},
        {{"--windowed=1"}, "hoopstack: --windowed takes no value"},
        {{"--fullscreen", "--windowed"}, "hoopstack: --fullscreen and --windowed exclude each other"},
        {{"--windowed", "--scale=2", "--fullscreen"},
         "hoopstack: --fullscreen and --windowed exclude each other"},
        {{"--scale=2", "--sound=off"}, "hoopstack: unknown option '--sound'"},
        {{"-h"}, "hoopstack: unknown option '-h'"},
        {{"-"}, "hoopstack: unknown option '-'"},
        {{"--"}, "hoopstack: unknown option '--'"},
        {{"state.dat"}, "hoopstack: unexpected argument 'state.dat'"},
        {{"--scale", "2", "3"}, "hoopstack: unexpected argument '3'"},
        {{""}, "hoopstack: unexpected argument ''"},
        {{"--scale"}, "hoopstack: --scale needs a value"},
        {{"--data-dir"}, "hoopstack: --data-dir needs a value"},
        {{"--help=yes"}, "hoopstack: --help takes no value"},
        {{"--version=1"}, "hoopstack: --version takes no value"},
    };
    for (const auto& [arguments, error] : cases) {
        SCOPED_TRACE(error);
        const CommandLine line = parse(arguments);
        EXPECT_EQ(line.ExitCode(), 2);
        EXPECT_EQ(line.Errors(), error + "\n" + CommandLine::Usage());
        EXPECT_EQ(line.Output(), "");
    }
}

TEST(AutomaticScale, TheLargestScaleThatLeavesATenthOfTheUsableScreenOnEverySide) {
    const platform::Size game{750, 600};
    EXPECT_EQ(app::AutomaticScale({3840, 2160}, game), 2);
    EXPECT_EQ(app::AutomaticScale({1920, 1080}, game), 1); // 1200 > 1080
    EXPECT_EQ(app::AutomaticScale({1920, 1200}, game), 1);
    EXPECT_EQ(app::AutomaticScale({2560, 1440}, game), 1); // 1200 > 1152
    EXPECT_EQ(app::AutomaticScale({3200, 1800}, game), 2);
    EXPECT_EQ(app::AutomaticScale({5120, 2880}, game), 3);
    EXPECT_EQ(app::AutomaticScale({7680, 4320}, game), 4);
    EXPECT_EQ(app::AutomaticScale({15360, 8640}, game), 4); // 4 at most
    // Either side can be the one that limits it: a tall narrow screen.
    EXPECT_EQ(app::AutomaticScale({1874, 4000}, game), 1);
    EXPECT_EQ(app::AutomaticScale({1875, 4000}, game), 2);
    // Exactly four fifths still fits.
    EXPECT_EQ(app::AutomaticScale({1875, 1500}, game), 2);
    EXPECT_EQ(app::AutomaticScale({1875, 1499}, game), 1);
    // No screen, or one smaller than the window: 1.
    EXPECT_EQ(app::AutomaticScale({0, 0}, game), 1);
    EXPECT_EQ(app::AutomaticScale({640, 480}, game), 1);
    EXPECT_EQ(app::AutomaticScale({-5, 2000000000}, game), 1);
    EXPECT_EQ(app::AutomaticScale({2000000000, 2000000000}, {0, 0}), 1);
}

TEST(AutomaticScale, TheGameWindowsFrameCounts) {
    const platform::Size outer = app::EntrySequence::GameOuterSize();
    EXPECT_EQ(outer.width, 750 + 2 * platform::kFrameWidth);
    EXPECT_EQ(outer.height, 600 + 2 * platform::kFrameWidth);
    // Four fifths of 1875 x 1500 hold the client area twice, but not the frame around it.
    EXPECT_EQ(app::AutomaticScale({1875, 1500}, outer), 1);
    EXPECT_EQ(app::AutomaticScale({outer.width * 10 / 4, outer.height * 10 / 4}, outer), 2);
    EXPECT_EQ(app::AutomaticScale({outer.width * 10 / 4, outer.height * 10 / 4 - 1}, outer), 1);
    EXPECT_EQ(app::AutomaticScale({3840, 2160}, outer), 2);
    EXPECT_EQ(app::AutomaticScale({1920, 1080}, outer), 1);
}

} // namespace
