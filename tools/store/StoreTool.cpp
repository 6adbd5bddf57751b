#include "StoreTool.hpp"

#include <istream>
#include <iterator>
#include <ostream>

#include "store/TScoresTable.hpp"

namespace tools {
namespace {

constexpr const char* kUsage =
    "usage: hoopstack-store COMMAND FILE\n"
    "Reads and writes the game's enciphered files (state.dat, table.dat).\n"
    "\n"
    "commands:\n"
    "  decode FILE   print the plain text of FILE\n"
    "  encode FILE   read plain text from standard input and write it to FILE enciphered\n"
    "  scores FILE   print the score table in FILE, highest first:\n"
    "                score, date, name, level, separated by TABs\n"
    "  --help        print this text\n";

bool decode(const std::string& path, std::string& text, std::ostream& err) {
    std::string error;
    store::DecodeResult result = store::TScoresTable().readEncrypted(path, &error);
    if (result.status != store::DecodeStatus::Ok) {
        err << "hoopstack-store: " << path << ": " << error << "\n";
        return false;
    }
    text = std::move(result.text);
    return true;
}

int decodeCommand(const std::string& path, std::ostream& out, std::ostream& err) {
    std::string text;
    if (!decode(path, text, err)) return 1;
    out << text;
    return out.flush() ? 0 : 1;
}

int encodeCommand(const std::string& path, std::istream& in, std::ostream& err) {
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (text.size() + 12 > store::TScoresTable::kMaxFileSize) {
        err << "hoopstack-store: input too large: the game reads files of at most "
            << store::TScoresTable::kMaxFileSize << " bytes\n";
        return 1;
    }
    std::string error;
    if (!store::TScoresTable().writeEncrypted(path, text, &error)) {
        err << "hoopstack-store: " << error << "\n";
        return 1;
    }
    return 0;
}

int scoresCommand(const std::string& path, std::ostream& out, std::ostream& err) {
    std::string text;
    if (!decode(path, text, err)) return 1;
    store::TScoresTable table;
    table.addTableText(text);
    for (const auto& [score, rec] : table.records())
        out << score << '\t' << rec.date << '\t' << rec.name << '\t' << rec.level << '\n';
    return out.flush() ? 0 : 1;
}

} // namespace

int runStoreTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    if (args.size() != 2) {
        err << kUsage;
        return 2;
    }
    const std::string& command = args[0];
    const std::string& path = args[1];
    if (command == "decode") return decodeCommand(path, out, err);
    if (command == "encode") return encodeCommand(path, in, err);
    if (command == "scores") return scoresCommand(path, out, err);
    err << "hoopstack-store: unknown command '" << command << "'\n" << kUsage;
    return 2;
}

} // namespace tools
