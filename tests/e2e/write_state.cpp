// Writes the state.dat of a restorable first game from a board file, for the game's
// end-to-end check: the same board and settings that `hoopstack-sim play` starts from.
//
//     e2e_write_state BOARD_FILE LEVEL STATE_FILE

#include <exception>
#include <iostream>
#include <string>

#include "BoardFile.hpp"
#include "rules/TSavedGame.hpp"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: e2e_write_state BOARD_FILE LEVEL STATE_FILE\n";
        return 2;
    }
    const std::string level = argv[2];
    if (level != "0" && level != "1" && level != "2") {
        std::cerr << "e2e_write_state: the level must be 0, 1 or 2, not '" << level << "'\n";
        return 2;
    }
    rules::TSavedGame saved;
    try {
        saved = sim::RestoredGame(sim::ReadBoardFile(argv[1]), level[0] - '0', 1);
    } catch (const std::exception& error) {
        std::cerr << "e2e_write_state: " << error.what() << "\n";
        return 2;
    }
    if (!rules::StoreSavedGame(argv[3], saved)) {
        std::cerr << "e2e_write_state: cannot write '" << argv[3] << "'\n";
        return 1;
    }
    return 0;
}
