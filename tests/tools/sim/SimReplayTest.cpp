#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimRun.hpp"

namespace {

std::string PreparedBoard() {
    std::string text;
    for (int row = 1; row <= 12; ++row) text += "0000000000000000\n";
    text += "1122334455667711\n2233445566771122\n3344556677112233\n1111222233334444\n";
    return text;
}

// The top-level keys of a one-line JSON object, in order, and the strings of its "board".
void CheckReportLine(const std::string& line) {
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(line.front(), '{');
    EXPECT_EQ(line.back(), '}');
    std::vector<std::string> keys;
    std::vector<std::string> board;
    int depth = 0;
    bool inBoard = false;
    for (std::size_t i = 1; i + 1 < line.size(); ++i) {
        const char ch = line[i];
        if (ch == '[') ++depth;
        if (ch == ']') {
            --depth;
            inBoard = false;
        }
        if (ch != '"') continue;
        const std::size_t end = line.find('"', i + 1);
        ASSERT_NE(end, std::string::npos);
        const std::string text = line.substr(i + 1, end - i - 1);
        i = end;
        if (depth == 0 && end + 1 < line.size() && line[end + 1] == ':') {
            keys.push_back(text);
            inBoard = text == "board";
        } else if (inBoard) {
            board.push_back(text);
        }
    }
    const std::vector<std::string> expected = {"click",   "selected", "launched",        "landed", "void",
                                               "group",   "effort",   "points_per_ball", "removed", "fell",
                                               "drops",   "score",    "game_over",       "board",  "dialog"};
    EXPECT_EQ(keys, expected);
    ASSERT_EQ(board.size(), 16u);
    for (const std::string& row : board) {
        ASSERT_EQ(row.size(), 16u);
        for (const char ch : row) EXPECT_TRUE(ch >= '0' && ch <= '7');
    }
}

TEST(SimReplay, PrintsOneReportPerClickAndRepeatsExactly) {
    const std::string board = ::testing::TempDir() + "sim_board.txt";
    WriteFile(board, PreparedBoard());
    const std::string clicks = "click 100 500\n\nclick 200 100\n";
    const RunResult first = RunSim("replay1", "play --board '" + board + "' --seed 3", clicks);
    ASSERT_EQ(first.status, 0) << first.err;
    const std::vector<std::string> lines = Lines(first.out);
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines) CheckReportLine(line);
    EXPECT_NE(lines[0].find("\"click\":[100,500]"), std::string::npos);
    EXPECT_NE(lines[1].find("\"click\":[200,100]"), std::string::npos);

    const RunResult second = RunSim("replay2", "play --board '" + board + "' --seed 3", clicks);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, first.out);
}

// The 16 row strings of a report line's board.
std::vector<std::string> BoardRows(const std::string& line) {
    std::vector<std::string> rows;
    std::size_t at = line.find("\"board\":[");
    if (at == std::string::npos) return rows;
    at += 9;
    while (rows.size() < 16 && (at = line.find('"', at)) != std::string::npos) {
        rows.push_back(line.substr(at + 1, 16));
        at += 18;
    }
    return rows;
}

TEST(SimReplay, ClicksReachThePanelButtons) {
    // The middle of "New Game": the prepared board gives way to a fresh lower half.
    const std::string board = ::testing::TempDir() + "sim_board_new.txt";
    WriteFile(board, PreparedBoard());
    const RunResult run = RunSim("new_game", "play --board '" + board + "' --seed 3", "click 683 290\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u);
    CheckReportLine(lines[0]);
    EXPECT_NE(lines[0].find("\"launched\":false"), std::string::npos);
    const std::vector<std::string> rows = BoardRows(lines[0]);
    ASSERT_EQ(rows.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i) {
        const bool empty = rows[i].find_first_not_of('0') == std::string::npos;
        const bool full = rows[i].find('0') == std::string::npos;
        EXPECT_TRUE(i < 8 ? empty : full) << "row " << i + 1 << ": " << rows[i];
    }
}

TEST(SimReplay, RejectsBadInputWithStatusTwo) {
    const std::string bad = ::testing::TempDir() + "sim_bad_board.txt";
    WriteFile(bad, "0000\n1111\n");
    const RunResult malformed = RunSim("bad_board", "play --board '" + bad + "'", "");
    EXPECT_EQ(malformed.status, 2);
    EXPECT_EQ(malformed.err.rfind("hoopstack-sim: ", 0), 0u) << malformed.err;
    EXPECT_EQ(Lines(malformed.err).size(), 1u);

    const std::string board = ::testing::TempDir() + "sim_good_board.txt";
    WriteFile(board, PreparedBoard());
    const RunResult unknown = RunSim("bad_command", "play --board '" + board + "'", "jump 1 2\n");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err.rfind("hoopstack-sim: ", 0), 0u) << unknown.err;

    const RunResult number = RunSim("bad_number", "play --board '" + board + "'", "click 1 x\n");
    EXPECT_EQ(number.status, 2);
    const RunResult option = RunSim("bad_option", "play --board '" + board + "' --colour 3", "");
    EXPECT_EQ(option.status, 2);
}

} // namespace
