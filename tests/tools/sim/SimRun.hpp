#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

// Runs the simulator as a program, as scripts and people do.

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Runs the simulator with the arguments and the standard input, capturing both outputs.
inline RunResult RunSim(const std::string& name, const std::string& args, const std::string& input) {
    const std::string base = ::testing::TempDir() + "sim_" + name;
    WriteFile(base + ".in", input);
    const std::string command = std::string("'") + HOOPSTACK_SIM_EXE + "' " + args + " < '" + base + ".in' > '" +
                                base + ".out' 2> '" + base + ".err'";
    const int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(base + ".out");
    result.err = ReadFile(base + ".err");
    return result;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
