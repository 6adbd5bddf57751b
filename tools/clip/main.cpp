#include <iostream>

#include "ClipShowWindow.hpp"
#include "ClipTool.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> args{argv + 1, argv + argc};
    if (args.size() == 2 && args[0] == "show" && !tools::AsksForHelp(args))
        return tools::ShowClip(args[1], std::cerr);
    return tools::RunClipTool(args, std::cout, std::cerr);
}
