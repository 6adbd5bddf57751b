#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The options of one command: "--name value" pairs and bare "--flag"s. Anything else, an
// unknown name or a missing value throws SimError.
class CommandLine {
public:
    CommandLine(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                const std::set<std::string>& flags);

    std::optional<std::string> Value(const std::string& name) const;
    bool Flag(const std::string& name) const { return m_flags.count(name) != 0; }
    // The option as an integer in [low, high], or the default when it is absent.
    int IntIn(const std::string& name, int fallback, int low, int high) const;
    std::uint32_t Unsigned(const std::string& name, std::uint32_t fallback) const;

    // Whether the arguments after a command ask for its usage: one of them is --help or -h.
    static bool AsksForHelp(const std::vector<std::string>& args);

    // Whole-text decimal parsing; false for anything else or a value out of range.
    static bool ParseInt(std::string_view text, int& value);
    static bool ParseUnsigned(std::string_view text, std::uint32_t& value);

private:
    std::map<std::string, std::string> m_values;
    std::set<std::string> m_flags;
};

} // namespace sim
