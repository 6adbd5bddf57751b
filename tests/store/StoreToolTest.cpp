#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "StoreTool.hpp"
#include "TempDir.hpp"
#include "store/PublishAddress.hpp"
#include "store/ScoreReport.hpp"
#include "store/TScoresTable.hpp"

namespace {

struct ToolRun {
    int code;
    std::string out, err;
};

ToolRun run(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = tools::runStoreTool(args, in, out, err);
    return {code, out.str(), err.str()};
}

TEST(StoreTool, EncodeThenDecodeGivesTheTextBack) {
    TempDir dir;
    const std::string file = dir.file("state.dat");
    const std::string text = std::string("Level=1\nSound=0\n") + '\0' + "\xff";
    EXPECT_EQ(run({"encode", file}, text).code, 0);
    std::string loaded;
    EXPECT_TRUE(store::TScoresTable().loadText(file, loaded));
    EXPECT_EQ(loaded, text);
    const ToolRun decoded = run({"decode", file});
    EXPECT_EQ(decoded.code, 0);
    EXPECT_EQ(decoded.out, text);
}

TEST(StoreTool, ScoresAreListedHighestFirst) {
    TempDir dir;
    const std::string file = dir.file("table.dat");
    store::TScoresTable table;
    table.addRecordLine("2026-12-01\tAnn\t0\t40");
    table.addRecordLine("2026-12-02\tBo\t2\t900");
    ASSERT_TRUE(table.saveTable(file));
    const ToolRun r = run({"scores", file});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "900\t2026-12-02\tBo\t2\n40\t2026-12-01\tAnn\t0\n");
}

TEST(StoreTool, FailuresSayWhyInOneLine) {
    TempDir dir;
    const std::string file = dir.file("table.dat");
    auto oneLine = [](const ToolRun& r, const std::string& needle) {
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(needle), std::string::npos) << r.err;
    };
    oneLine(run({"decode", file}), "cannot open");
    writeBytes(file, "ab");
    oneLine(run({"decode", file}), "too short");
    ASSERT_EQ(run({"encode", file}, "some text").code, 0);
    std::string bytes = readBytes(file);
    bytes.back() ^= 1;
    writeBytes(file, bytes);
    oneLine(run({"scores", file}), "checksum mismatch");
    oneLine(run({"encode", dir.file("no/folder/x.dat")}, "t"), "cannot create");
}

TEST(StoreTool, ReportDecodesAndEncodesTheGamesCodes) {
    const std::string code = store::EncodeScoreReport("1234\t2\tAn\tna\xE9\thoopstack\texe");
    const ToolRun decoded = run({"report", code});
    EXPECT_EQ(decoded.code, 0);
    EXPECT_EQ(decoded.out, "1234\n2\nAn\tna\xE9\nhoopstack\n");
    EXPECT_EQ(decoded.err, "");

    const ToolRun encoded = run({"report", "--encode", "-17", "3", "Zo\xEB"});
    EXPECT_EQ(encoded.code, 0);
    EXPECT_EQ(encoded.out, store::EncodeScoreReport("-17\t3\tZo\xEB\thoopstack\texe") + "\n");
    EXPECT_EQ(run({"report", encoded.out.substr(0, encoded.out.size() - 1)}).out, "-17\n3\nZo\xEB\nhoopstack\n");
}

TEST(StoreTool, BadReportCodesSayWhyInOneLine) {
    const std::string code = store::EncodeScoreReport("1\t1\tA\thoopstack\texe");
    std::string wrongSum = code;
    wrongSum[2] = wrongSum[2] == '0' ? '1' : '0';
    for (const auto& [input, needle] : std::vector<std::pair<std::string, std::string>>{
             {"", "empty"}, {"12a", "not a digit"}, {"1234", "multiple of 3"},
             {"999000", "above 255"}, {wrongSum, "sum mismatch"},
             {store::EncodeScoreReport("x\t1\tA\thoopstack\texe"), "score"}}) {
        const ToolRun r = run({"report", input});
        EXPECT_EQ(r.code, 1) << input;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("hoopstack-store: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(needle), std::string::npos) << r.err;
    }
}

TEST(StoreTool, ReportUsageErrors) {
    for (const char* score : {"12x", "", "+5", "007", "2147483648"}) {
        const ToolRun r = run({"report", "--encode", score, "1", "Ann"});
        EXPECT_EQ(r.code, 2) << score;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("SCORE"), std::string::npos) << r.err;
    }
    EXPECT_EQ(run({"report"}).code, 2);
    EXPECT_EQ(run({"report", "--encode"}).code, 2);
    EXPECT_EQ(run({"report", "--encode", "1", "1"}).code, 2);
    EXPECT_EQ(run({"report", "167000", "extra"}).code, 2);
    EXPECT_NE(run({"--help"}).out.find("report --encode SCORE LEVEL NAME"), std::string::npos);
}

TEST(StoreTool, ReportWithAReplayPrintsTheWholeQuery) {
    TempDir dir;
    const std::string replay = "eJzT0tLS0tLSAgAJ_wJ-";
    writeBytes(dir.file("game.hoopstack-replay"), replay + "\n");
    const ToolRun code = run({"report", "--encode", "4210", "2", "Ann"});
    ASSERT_EQ(code.code, 0);
    const ToolRun query = run({"report", "--encode", "4210", "2", "Ann", "--replay", dir.file("game.hoopstack-replay")});
    EXPECT_EQ(query.code, 0) << query.err;
    EXPECT_EQ(query.out, "e=" + code.out.substr(0, code.out.size() - 1) + "&r=" + replay + "\n");
    EXPECT_EQ(query.err, "");
}

TEST(StoreTool, AReplayTooLongForTheAddressIsLeftOutAsTheGameDoes) {
    TempDir dir;
    writeBytes(dir.file("long"), std::string(store::kMaxPublishAddress, 'A') + "\n");
    const ToolRun code = run({"report", "--encode", "4210", "2", "Ann"});
    const ToolRun query = run({"report", "--encode", "4210", "2", "Ann", "--replay", dir.file("long")});
    EXPECT_EQ(query.code, 0);
    EXPECT_EQ(query.out, "e=" + code.out);
    EXPECT_EQ(std::count(query.err.begin(), query.err.end(), '\n'), 1) << query.err;
    EXPECT_NE(query.err.find("without it"), std::string::npos) << query.err;
}

TEST(StoreTool, ReportRefusesReplayFilesThatCannotGoIntoAnAddress) {
    TempDir dir;
    writeBytes(dir.file("inject"), "abc&e=999\n");
    writeBytes(dir.file("blank"), "\n");
    writeBytes(dir.file("huge"), std::string((1u << 20) + 1, 'A'));
    for (const auto& [name, needle] : std::vector<std::pair<std::string, std::string>>{
             {"inject", "base64url"}, {"blank", "empty"}, {"huge", "larger than"}, {"missing", "cannot open"}}) {
        const ToolRun r = run({"report", "--encode", "1", "1", "A", "--replay", dir.file(name)});
        EXPECT_EQ(r.code, 1) << name;
        EXPECT_EQ(r.out, "") << name;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(needle), std::string::npos) << r.err;
    }
    // The score is checked before the file is read; a misplaced option is wrong usage.
    EXPECT_EQ(run({"report", "--encode", "+1", "1", "A", "--replay", dir.file("inject")}).code, 2);
    EXPECT_EQ(run({"report", "--encode", "1", "1", "A", "--replay"}).code, 2);
    EXPECT_EQ(run({"report", "--encode", "1", "1", "A", "--replays", dir.file("blank")}).code, 2);
    EXPECT_EQ(run({"report", "--replay", dir.file("blank"), "--encode", "1", "1", "A"}).code, 2);
    EXPECT_NE(run({"--help"}).out.find("--replay FILE"), std::string::npos);
}

TEST(StoreTool, UsageErrorsAndHelp) {
    const ToolRun help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("decode FILE"), std::string::npos);
    EXPECT_EQ(run({}).code, 2);
    EXPECT_EQ(run({"frobnicate", "x"}).code, 2);
    EXPECT_EQ(run({"decode"}).code, 2);
}

} // namespace

namespace {

TEST(StoreTool, EveryCommandAnswersHelpWithTheUsageOnStandardOutput) {
    for (const char* command : {"decode", "encode", "scores", "report"}) {
        for (const char* help : {"--help", "-h"}) {
            const ToolRun r = run({command, help});
            EXPECT_EQ(r.code, 0) << command << " " << help;
            EXPECT_EQ(r.out.rfind("usage: hoopstack-store", 0), 0u) << r.out;
            EXPECT_NE(r.out.find(std::string("  ") + command + " "), std::string::npos) << command;
            EXPECT_EQ(r.err, "");
        }
    }
    EXPECT_EQ(run({"-h"}).code, 0);
    EXPECT_EQ(run({"squash", "--help"}).code, 2);
}

} // namespace
