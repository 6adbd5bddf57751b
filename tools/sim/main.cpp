#include <iostream>
#include <string>
#include <vector>

#include "PlayCommand.hpp"
#include "RecordCommand.hpp"
#include "ScreensCommand.hpp"
#include "SoakCommand.hpp"
#include "VerifyCommand.hpp"

namespace {

void Usage(std::ostream& err) {
    err << "hoopstack-sim: usage: hoopstack-sim play --board FILE [--level L] [--speed S] [--seed N]\n"
           "       hoopstack-sim soak --games N --level L --seed S --bot random|greedy [--speed S] [--window]\n"
           "       hoopstack-sim screens --out DIR\n"
           "       hoopstack-sim record --level L --seed S --bot random|greedy --out FILE [--speed S]\n"
           "       hoopstack-sim verify FILE"
        << std::endl;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage(std::cerr);
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "play") return sim::RunPlay(args, std::cin, std::cout, std::cerr);
        if (command == "soak") return sim::RunSoak(args, std::cout, std::cerr);
        if (command == "screens") return sim::RunScreens(args, std::cout, std::cerr);
        if (command == "record") return sim::RunRecord(args, std::cout, std::cerr);
        if (command == "verify") return sim::RunVerify(args, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "hoopstack-sim: " << error.what() << std::endl;
        return 1;
    }
    std::cerr << "hoopstack-sim: unknown command '" << command << "'" << std::endl;
    Usage(std::cerr);
    return 2;
}
