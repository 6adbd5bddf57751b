#include "BoardFile.hpp"

#include <fstream>
#include <sstream>
#include <vector>

#include "SimError.hpp"

namespace sim {

BoardCells ParseBoardText(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    // A final newline leaves one empty piece behind it.
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.size() != 16)
        throw SimError("the board must have 16 lines, it has " + std::to_string(lines.size()));
    BoardCells cells{};
    for (int row = 1; row <= 16; ++row) {
        std::string_view line = lines[std::size_t(row - 1)];
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() != 16)
            throw SimError("board line " + std::to_string(row) + " must have 16 characters, it has " +
                           std::to_string(line.size()));
        for (int column = 1; column <= 16; ++column) {
            const char ch = line[std::size_t(column - 1)];
            if (ch < '0' || ch > '7')
                throw SimError("board line " + std::to_string(row) + " column " + std::to_string(column) +
                               " is not a digit from 0 to 7");
            cells[std::size_t(row)][std::size_t(column)] = ch - '0';
        }
    }
    return cells;
}

BoardCells ReadBoardFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SimError("cannot read the board file '" + path + "'");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw SimError("cannot read the board file '" + path + "'");
    return ParseBoardText(text.str());
}

rules::TSavedGame RestoredGame(const BoardCells& cells, int level, int speed) {
    rules::TSavedGame saved;
    saved.cells = cells;
    saved.settings.level = rules::Level(level);
    saved.settings.speed = rules::Speed(speed);
    saved.settings.sound = true;
    saved.settings.autosave = true;
    saved.settings.showPath = true;
    saved.score = 0;
    saved.gameOver = false;
    saved.boardEmpty = true;
    for (int row = 1; row <= 16; ++row)
        for (int column = 1; column <= 16; ++column)
            if (cells[std::size_t(row)][std::size_t(column)] != 0) saved.boardEmpty = false;
    return saved;
}

} // namespace sim
