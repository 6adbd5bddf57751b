// hoopstack-sim: plays the game without a display, for tests, replays and bots.

#include <iostream>
#include <string>
#include <vector>

#include "SimPlay.hpp"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help") {
        std::cout << "usage: hoopstack-sim play --board FILE [--level L] [--speed S] [--seed N] < clicks\n";
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "play") return tools::RunPlay({args.begin() + 1, args.end()}, std::cin, std::cout, std::cerr);
    std::cerr << "hoopstack-sim: unknown command " << args[0] << "\n";
    return 2;
}
