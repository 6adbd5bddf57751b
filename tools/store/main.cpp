#include <iostream>

#include "StoreTool.hpp"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return tools::runStoreTool({argv + 1, argv + argc}, std::cin, std::cout, std::cerr);
}
