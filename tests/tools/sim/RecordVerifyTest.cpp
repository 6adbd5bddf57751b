// The record and verify commands as programs: the line and the file they write, the same
// line from both ends of a round trip, and a clear message and status for everything bad.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <regex>
#include <string>

#include "SimRun.hpp"
#include "rules/GameReplay.hpp"

namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string Path(const std::string& name) { return ::testing::TempDir() + "sim_rv_" + name; }

int Newlines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

// The outcome line with its first key's name replaced.
std::string Rekeyed(std::string line, const std::string& from, const std::string& to) {
    const std::string key = "{\"" + from + "\":";
    if (line.rfind(key, 0) == 0) line.replace(0, key.size(), "{\"" + to + "\":");
    return line;
}

const std::regex& OutcomeFormat() {
    static const std::regex format(
        R"re(^\{"(recorded|verified)":(true|false),"level":[0-2],"score":[0-9]+,"game_over":(true|false),)re"
        R"re("ticks":[0-9]+,"board":\[("[0-7]{16}",){15}"[0-7]{16}"\]\}$)re");
    return format;
}

// Records one game into `name`; the record's standard output.
std::string Record(const std::string& name, const std::string& options) {
    const RunResult run = RunSim("rec_" + name, "record " + options + " --out " + Quoted(Path(name)), "");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return run.out;
}

TEST(RecordVerify, AWholeGameRecordsAndVerifiesToTheSameLine) {
    for (const char* options : {"--level 0 --seed 5 --bot random", "--level 1 --seed 4 --bot greedy",
                                "--level 2 --seed 11 --bot random --speed 2"}) {
        SCOPED_TRACE(options);
        const std::string recorded = Record("round", options);
        ASSERT_EQ(Newlines(recorded), 1);
        const std::string line = recorded.substr(0, recorded.size() - 1);
        EXPECT_TRUE(std::regex_match(line, OutcomeFormat())) << line;
        EXPECT_NE(line.find("\"game_over\":true"), std::string::npos) << line;

        // The file is the replay's text and one newline, nothing else.
        const std::string file = ReadFile(Path("round"));
        ASSERT_GE(file.size(), 2u);
        EXPECT_EQ(file.find('\n'), file.size() - 1);
        EXPECT_TRUE(rules::DecodeReplay(file.substr(0, file.size() - 1)).has_value());

        const RunResult verified = RunSim("verify_round", "verify " + Quoted(Path("round")), "");
        EXPECT_EQ(verified.status, 0) << verified.err;
        EXPECT_EQ(verified.err, "");
        EXPECT_EQ(verified.out, Rekeyed(recorded, "recorded", "verified"));

        // The same game records the same bytes again, over the old file.
        Record("round", options);
        EXPECT_EQ(ReadFile(Path("round")), file);
    }
}

TEST(RecordVerify, AnUnfinishedReplayVerifiesToWhereItStopsAndIsNotVerified) {
    Record("whole", "--level 1 --seed 8 --bot random");
    const std::string text = ReadFile(Path("whole"));
    std::optional<rules::GameReplay> replay = rules::DecodeReplay(text.substr(0, text.size() - 1));
    ASSERT_TRUE(replay);
    ASSERT_GT(replay->ticks, 2u);
    // The game as a saved replay has it: before its end, with the inputs so far.
    rules::GameReplay cut = *replay;
    cut.ticks = replay->ticks / 2;
    cut.finished = false;
    std::erase_if(cut.inputs, [&cut](const rules::ReplayInput& input) { return input.tick >= cut.ticks; });
    WriteFile(Path("cut"), rules::EncodeReplay(cut) + "\n");
    const RunResult run = RunSim("verify_cut", "verify " + Quoted(Path("cut")), "");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Newlines(run.out), 1) << run.out;
    const std::string line = run.out.substr(0, run.out.size() - 1);
    EXPECT_TRUE(std::regex_match(line, OutcomeFormat())) << line;
    EXPECT_EQ(line.rfind("{\"verified\":false,\"level\":1,", 0), 0u) << line;
    EXPECT_NE(line.find("\"game_over\":false,\"ticks\":" + std::to_string(cut.ticks) + ","), std::string::npos)
        << line;
    EXPECT_EQ(Newlines(run.err), 1) << run.err;
    EXPECT_NE(run.err.find("not finished"), std::string::npos) << run.err;
}

TEST(RecordVerify, WhitespaceAfterTheTextIsNotPartOfIt) {
    const std::string recorded = Record("spaced", "--level 2 --seed 4 --bot random");
    const std::string text = ReadFile(Path("spaced"));
    WriteFile(Path("spaced"), text.substr(0, text.size() - 1) + " \r\n\n\t");
    const RunResult run = RunSim("verify_spaced", "verify " + Quoted(Path("spaced")), "");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Rekeyed(recorded, "recorded", "verified"));
}

// Bad files: one message on standard error, nothing on standard output, status 1.
TEST(RecordVerify, FilesThatAreNoReplayAreRefusedInOneLine) {
    Record("good", "--level 0 --seed 2 --bot random");
    const std::string good = ReadFile(Path("good"));
    std::mt19937 random(20);
    std::string noise(3000, '\0');
    for (char& byte : noise) byte = char(random() & 0xFF);
    std::string tooLong(rules::kMaxReplayText + 1, 'A');
    // Too long to be played within the budget, though well formed.
    rules::GameReplay endless = *rules::DecodeReplay(good.substr(0, good.size() - 1));
    endless.ticks = 600000;
    endless.finished = false;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty", ""},
        {"blank", "\n \n"},
        {"words", "hello, world\n"},
        {"noise", noise},
        {"half", good.substr(0, good.size() / 2) + "\n"},
        {"one_short", good.substr(0, good.size() - 2) + "\n"},
        {"flipped", std::string(1, good[0] == 'A' ? 'B' : 'A') + good.substr(1)},
        {"too_long", tooLong},
        {"endless", rules::EncodeReplay(endless) + "\n"},
    };
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        WriteFile(Path(name), content);
        const RunResult run = RunSim("verify_" + name, "verify " + Quoted(Path(name)), "");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Newlines(run.err), 1) << run.err;
        EXPECT_EQ(run.err.rfind("hoopstack-sim: ", 0), 0u) << run.err;
    }
    const RunResult missing = RunSim("verify_missing", "verify " + Quoted(Path("no_such_file")), "");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("cannot open"), std::string::npos) << missing.err;
    const RunResult folder = RunSim("verify_folder", "verify " + Quoted(::testing::TempDir()), "");
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.out, "");
}

TEST(RecordVerify, BadOptionsAndUnwritableFilesSayWhy) {
    for (const char* args : {"record --level 0 --seed 1 --bot clever --out x", "record --level 3 --out x",
                             "record --level 0 --seed -1 --out x", "record --level 0 --seed 1",
                             "record --out x --colour 2", "record --out", "verify", "verify a b",
                             "verify --out x"}) {
        const RunResult run = RunSim("usage", args, "");
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.out, "") << args;
        EXPECT_EQ(Newlines(run.err), 1) << args << ": " << run.err;
        EXPECT_EQ(run.err.rfind("hoopstack-sim: ", 0), 0u) << args << ": " << run.err;
    }
    // The game is played, but nothing is printed as recorded when its file cannot be written.
    const RunResult unwritable =
        RunSim("unwritable", "record --level 0 --seed 1 --out " + Quoted(Path("no/such/folder/x")), "");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.out, "");
    EXPECT_EQ(Newlines(unwritable.err), 1) << unwritable.err;
    EXPECT_NE(unwritable.err.find("cannot create"), std::string::npos) << unwritable.err;
}

} // namespace
