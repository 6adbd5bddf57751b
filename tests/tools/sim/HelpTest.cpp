// The simulator and each of its commands answer --help with their usage on standard output.

#include <gtest/gtest.h>

#include <string>

#include "SimRun.hpp"

namespace {

TEST(SimHelp, TheProgramPrintsEveryCommandsUsage) {
    for (const char* help : {"--help", "-h"}) {
        const RunResult run = RunSim("help", help, "");
        EXPECT_EQ(run.status, 0) << help;
        EXPECT_EQ(run.err, "");
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_EQ(lines.size(), 6u) << run.out;
        EXPECT_EQ(lines[0].rfind("usage: hoopstack-sim play --board FILE", 0), 0u) << lines[0];
        for (const char* command : {"soak", "screens", "record", "verify", "daily"})
            EXPECT_NE(run.out.find(std::string("       hoopstack-sim ") + command + " "), std::string::npos)
                << command;
    }
}

TEST(SimHelp, EveryCommandPrintsItsOwnUsageWhereverTheHelpOptionStands) {
    const struct {
        const char* args;
        const char* usage;
    } cases[] = {
        {"play --help", "usage: hoopstack-sim play --board FILE [--level L] [--speed S] [--seed N]"},
        {"soak --help",
         "usage: hoopstack-sim soak --games N --level L --seed S --bot random|greedy [--speed S] [--window]"},
        {"screens --help", "usage: hoopstack-sim screens --out DIR"},
        {"record --help",
         "usage: hoopstack-sim record --level L --seed S | --daily YYYY-MM-DD --bot random|greedy "
         "--out FILE [--speed S]"},
        {"verify --help", "usage: hoopstack-sim verify FILE"},
        {"daily --help", "usage: hoopstack-sim daily [--date YYYY-MM-DD]"},
        {"daily --date nonsense -h", "usage: hoopstack-sim daily"},
        {"record --level 1 --seed 3 -h", "usage: hoopstack-sim record --level L"},
        {"play --board missing.txt --help", "usage: hoopstack-sim play --board FILE"},
    };
    for (const auto& c : cases) {
        const RunResult run = RunSim("command_help", c.args, "");
        EXPECT_EQ(run.status, 0) << c.args;
        EXPECT_EQ(run.err, "") << c.args;
        EXPECT_EQ(run.out.rfind(c.usage, 0), 0u) << c.args << ": " << run.out;
        EXPECT_EQ(Lines(run.out).size(), 1u) << run.out;
    }
}

TEST(SimHelp, WithoutACommandTheUsageIsAnErrorStill) {
    const RunResult run = RunSim("none", "", "");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("hoopstack-sim: usage: hoopstack-sim play", 0), 0u) << run.err;
    const RunResult unknown = RunSim("unknown", "squash --help", "");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command 'squash'"), std::string::npos) << unknown.err;
}

} // namespace
