#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.hpp"
#include "DailyCommand.hpp"
#include "PlayCommand.hpp"
#include "RecordCommand.hpp"
#include "ScreensCommand.hpp"
#include "SoakCommand.hpp"
#include "VerifyCommand.hpp"

namespace {

struct Command {
    const char* name;
    const char* usage; // after "hoopstack-sim "
};

constexpr Command kCommands[] = {
    {"play", "play --board FILE [--level L] [--speed S] [--seed N]"},
    {"soak", "soak --games N --level L --seed S --bot random|greedy [--speed S] [--window]"},
    {"screens", "screens --out DIR"},
    {"record", "record --level L --seed S | --daily YYYY-MM-DD --bot random|greedy --out FILE [--speed S]"},
    {"verify", "verify FILE"},
    {"daily", "daily [--date YYYY-MM-DD]"},
};

void Usage(std::ostream& out, const char* prefix) {
    bool first = true;
    for (const Command& command : kCommands) {
        out << (first ? prefix : "       ") << "hoopstack-sim " << command.usage << "\n";
        first = false;
    }
    out.flush();
}

const Command* Find(const std::string& name) {
    for (const Command& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage(std::cerr, "hoopstack-sim: usage: ");
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--help" || command == "-h") {
        Usage(std::cout, "usage: ");
        return 0;
    }
    if (const Command* known = Find(command); known && sim::CommandLine::AsksForHelp(args)) {
        std::cout << "usage: hoopstack-sim " << known->usage << std::endl;
        return 0;
    }
    try {
        if (command == "play") return sim::RunPlay(args, std::cin, std::cout, std::cerr);
        if (command == "soak") return sim::RunSoak(args, std::cout, std::cerr);
        if (command == "screens") return sim::RunScreens(args, std::cout, std::cerr);
        if (command == "record") return sim::RunRecord(args, std::cout, std::cerr);
        if (command == "verify") return sim::RunVerify(args, std::cout, std::cerr);
        if (command == "daily") return sim::RunDaily(args, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "hoopstack-sim: " << error.what() << std::endl;
        return 1;
    }
    std::cerr << "hoopstack-sim: unknown command '" << command << "'" << std::endl;
    Usage(std::cerr, "hoopstack-sim: usage: ");
    return 2;
}
