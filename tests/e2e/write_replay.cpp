// Records a game in the game window on the headless platform, with the program's data beside
// this tool, and writes its replay file; prints where the rules alone leave that replay, for the
// end-to-end check of watching it: "score S over 0|1 ticks T", then the 16 rows of the court.
//
//     e2e_write_replay LEVEL SEED THROWS FILE

#include <charconv>
#include <fstream>
#include <iostream>
#include <string>

#include "rules/ReplayPlayer.hpp"
#include "tests/game/ReplayRecording.hpp"

namespace {

bool number(const char* text, int low, int high, int& value) {
    const std::string s = text;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    return error == std::errc{} && end == s.data() + s.size() && value >= low && value <= high;
}

} // namespace

int main(int argc, char** argv) {
    int level = 0, seed = 0, throws = 0;
    if (argc != 5 || !number(argv[1], 0, 2, level) || !number(argv[2], 0, 1 << 30, seed) ||
        !number(argv[3], 1, 10000, throws)) {
        std::cerr << "usage: e2e_write_replay LEVEL SEED THROWS FILE (LEVEL 0-2)\n";
        return 2;
    }
    driver::HeadlessDriver driver;
    const std::optional<replaytest::Recording> recording =
        replaytest::RecordGame(driver, rules::Level(level), std::uint32_t(seed), throws, 200000);
    if (!recording) {
        std::cerr << "e2e_write_replay: the game window kept no replay\n";
        return 1;
    }
    const rules::ReplayRun run = rules::PlayReplay(recording->replay);
    if (!run.played) {
        std::cerr << "e2e_write_replay: the replay does not play: " << run.failure << "\n";
        return 1;
    }
    std::ofstream out(argv[4], std::ios::binary);
    out << rules::EncodeReplay(recording->replay) << "\n";
    out.close();
    if (!out) {
        std::cerr << "e2e_write_replay: cannot write '" << argv[4] << "'\n";
        return 1;
    }
    std::cout << "score " << run.outcome.score << " over " << (run.outcome.gameOver ? 1 : 0) << " ticks "
              << run.outcome.ticks << "\n";
    for (const std::string& row : run.outcome.board) std::cout << row << "\n";
    return 0;
}
