#include "CommandLine.hpp"

#include <charconv>

#include "SimError.hpp"

namespace sim {

CommandLine::CommandLine(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                         const std::set<std::string>& flags) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) throw SimError("unexpected argument '" + arg + "'");
        const std::string name = arg.substr(2);
        if (flags.count(name)) {
            m_flags.insert(name);
        } else if (valueOptions.count(name)) {
            if (i + 1 >= args.size()) throw SimError("option " + arg + " needs a value");
            m_values[name] = args[++i];
        } else {
            throw SimError("unknown option '" + arg + "'");
        }
    }
}

bool CommandLine::AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") return true;
    return false;
}

std::optional<std::string> CommandLine::Value(const std::string& name) const {
    const auto found = m_values.find(name);
    if (found == m_values.end()) return std::nullopt;
    return found->second;
}

int CommandLine::IntIn(const std::string& name, int fallback, int low, int high) const {
    const std::optional<std::string> text = Value(name);
    if (!text) return fallback;
    int value = 0;
    if (!ParseInt(*text, value) || value < low || value > high)
        throw SimError("--" + name + " must be an integer from " + std::to_string(low) + " to " +
                       std::to_string(high) + ", not '" + *text + "'");
    return value;
}

std::uint32_t CommandLine::Unsigned(const std::string& name, std::uint32_t fallback) const {
    const std::optional<std::string> text = Value(name);
    if (!text) return fallback;
    std::uint32_t value = 0;
    if (!ParseUnsigned(*text, value))
        throw SimError("--" + name + " must be an integer from 0 to 4294967295, not '" + *text + "'");
    return value;
}

bool CommandLine::ParseInt(std::string_view text, int& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool CommandLine::ParseUnsigned(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text[0] == '-') return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

} // namespace sim
