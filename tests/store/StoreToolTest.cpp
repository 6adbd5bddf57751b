#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "StoreTool.hpp"
#include "TempDir.hpp"
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

TEST(StoreTool, UsageErrorsAndHelp) {
    const ToolRun help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("decode FILE"), std::string::npos);
    EXPECT_EQ(run({}).code, 2);
    EXPECT_EQ(run({"frobnicate", "x"}).code, 2);
    EXPECT_EQ(run({"decode"}).code, 2);
}

} // namespace
