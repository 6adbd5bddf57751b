#include <iostream>
#include <string>
#include <vector>

#include "AssetCatalogue.hpp"
#include "ContactSheet.hpp"
#include "Draw.hpp"
#include "ScreenPictures.hpp"

namespace {

constexpr const char* kUsage =
    "usage: hoopstack-assetgen --out FOLDER    write every data file of the game below FOLDER\n"
    "       hoopstack-assetgen --sheet FILE [--screens FOLDER]\n"
    "                                          write a PNG contact sheet of every clip frame, with\n"
    "                                          the program's windows saved by 'hoopstack-sim screens'\n"
    "       hoopstack-assetgen --list          print the paths of the files --out writes\n"
    "       hoopstack-assetgen --out FOLDER --language CODE --locale DIR\n"
    "                                          write the pictures with words in them below FOLDER\n"
    "                                          in the language CODE (CLP/CODE/...), from the\n"
    "                                          catalogue DIR/CODE/LC_MESSAGES/hoopstack.mo\n";

} // namespace

namespace {

int Run(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[0] == "--out") {
        return assetgen::GenerateAll(args[1], std::cerr) ? 0 : 1;
    }
    if (args.size() == 6 && args[0] == "--out" && args[2] == "--language" && args[4] == "--locale") {
        return assetgen::GenerateLanguage(args[1], args[3], args[5], std::cerr) ? 0 : 1;
    }
    if (args.size() == 2 && args[0] == "--sheet") {
        return assetgen::WriteContactSheet(args[1], std::cerr) ? 0 : 1;
    }
    if (args.size() == 4 && args[0] == "--sheet" && args[2] == "--screens") {
        assetgen::ScreenPictures screens;
        if (!screens.Load(args[3], std::cerr)) return 1;
        return assetgen::WriteContactSheet(args[1], std::cerr, &screens) ? 0 : 1;
    }
    if (args.size() == 1 && args[0] == "--list") {
        for (const assetgen::Asset& asset : assetgen::Catalogue()) std::cout << asset.path << "\n";
        return 0;
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    std::cerr << kUsage;
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const int status = Run({argv + 1, argv + argc});
    assetgen::ReleaseDrawingCaches();
    return status;
}
