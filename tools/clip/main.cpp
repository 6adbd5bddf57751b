#include <iostream>

#include "ClipTool.hpp"

int main(int argc, char** argv) {
  return tools::RunClipTool({argv + 1, argv + argc}, std::cout, std::cerr);
}
