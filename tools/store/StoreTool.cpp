#include "StoreTool.hpp"

#include <cstdint>
#include <istream>
#include <iterator>
#include <optional>
#include <ostream>

#include "rules/GameReplay.hpp"
#include "store/PublishAddress.hpp"
#include "store/ReplayFile.hpp"
#include "store/ScoreReport.hpp"
#include "store/TScoresTable.hpp"

#ifndef HOOPSTACK_WEB_BASE
#define HOOPSTACK_WEB_BASE "http://127.0.0.1:8080"
#endif

namespace tools {
namespace {

constexpr const char* kUsage =
    "usage: hoopstack-store COMMAND FILE\n"
    "       hoopstack-store report CODE\n"
    "       hoopstack-store report --encode SCORE LEVEL NAME [--replay FILE]\n"
    "Reads and writes the game's enciphered files (state.dat, table.dat) and the score\n"
    "report codes the game sends when a player publishes a score.\n"
    "\n"
    "commands:\n"
    "  decode FILE   print the plain text of FILE\n"
    "  encode FILE   read plain text from standard input and write it to FILE enciphered\n"
    "  scores FILE   print the score table in FILE, highest first:\n"
    "                score, date, name, level, separated by TABs\n"
    "  report CODE   print the score, level, name and executable of the score report\n"
    "                CODE, one per line\n"
    "  report --encode SCORE LEVEL NAME\n"
    "                print the code the game sends for that score, level and name\n"
    "  report --encode SCORE LEVEL NAME --replay FILE\n"
    "                print the whole query the game sends with the replay in FILE:\n"
    "                e=CODE&r=REPLAY; just e=CODE, with a note, when the address would\n"
    "                be longer than the game sends (the score then goes unverified)\n"
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

int reportDecodeCommand(const std::string& code, std::ostream& out, std::ostream& err) {
    const store::ScoreReportDecode result = store::DecodeScoreReport(code);
    if (result.status != store::ScoreReportStatus::Ok) {
        err << "hoopstack-store: bad score report: " << result.error << "\n";
        return 1;
    }
    out << result.score << '\n' << result.level << '\n' << result.name << '\n' << result.executable << '\n';
    return out.flush() ? 0 : 1;
}

// The replay's text from FILE; nothing after a one-line reason on `err`. Only its form is
// checked here, so that it can go into an address as it is; the server judges the replay.
std::optional<std::string> readReplayText(const std::string& path, std::ostream& err) {
    store::ReplayFileRead file = store::ReadReplayFile(path, rules::kMaxReplayText);
    if (!file.ok) {
        err << "hoopstack-store: " << file.error << "\n";
        return std::nullopt;
    }
    if (!store::IsAddressSafeReplayText(file.text)) {
        err << "hoopstack-store: " << path << " does not hold a replay's text (base64url)\n";
        return std::nullopt;
    }
    return std::move(file.text);
}

// Prints the code alone, or with a replay file the whole query "e=CODE&r=REPLAY".
int reportEncodeCommand(const std::string& score, const std::string& level, const std::string& name,
                        const std::optional<std::string>& replayPath, std::ostream& out, std::ostream& err) {
    const std::optional<std::int32_t> value = store::ParseReportScore(score);
    if (!value) {
        err << "hoopstack-store: SCORE must be a 32-bit decimal number as the game writes it, "
               "with no '+' and no leading zeros\n";
        return 2;
    }
    const std::string code = store::EncodeScoreReport(store::BuildScoreReport(*value, level, name));
    if (!replayPath) {
        out << code << '\n';
        return out.flush() ? 0 : 1;
    }
    const std::optional<std::string> replay = readReplayText(*replayPath, err);
    if (!replay) return 1;
    const std::string query = store::PublishQuery(HOOPSTACK_WEB_BASE, code, *replay);
    if (query.find("&r=") == std::string::npos)
        err << "hoopstack-store: the address would be longer than " << store::kMaxPublishAddress
            << " bytes with the replay; the game publishes without it\n";
    out << query << '\n';
    return out.flush() ? 0 : 1;
}

// "report CODE" decodes; "report --encode SCORE LEVEL NAME [--replay FILE]" encodes.
int reportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 2 && args[1] != "--encode") return reportDecodeCommand(args[1], out, err);
    if (args.size() == 5 && args[1] == "--encode")
        return reportEncodeCommand(args[2], args[3], args[4], std::nullopt, out, err);
    if (args.size() == 7 && args[1] == "--encode" && args[5] == "--replay")
        return reportEncodeCommand(args[2], args[3], args[4], args[6], out, err);
    err << kUsage;
    return 2;
}

} // namespace

int runStoreTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 std::ostream& err) {
    const auto isHelp = [](const std::string& arg) { return arg == "--help" || arg == "-h"; };
    // The usage alone, or after a command: "decode --help".
    const bool commandHelp =
        args.size() == 2 && isHelp(args[1]) &&
        (args[0] == "decode" || args[0] == "encode" || args[0] == "scores" || args[0] == "report");
    if ((args.size() == 1 && isHelp(args[0])) || commandHelp) {
        out << kUsage;
        return 0;
    }
    if (!args.empty() && args[0] == "report") return reportCommand(args, out, err);
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
