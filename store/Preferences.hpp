#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace store {

// One `key=value` line of the settings file, both sides trimmed of spaces and tabs.
using PreferenceEntry = std::pair<std::string, std::string>;

// The entries of a settings text in order: every line `key=value` whose key is letters,
// digits, '_', '-' or '.', and whose value holds no control character; other lines (blank,
// comments starting with '#', garbage) are skipped. A key given twice keeps its last value
// at its first place.
std::vector<PreferenceEntry> ParsePreferences(std::string_view text);
// The text of `entries`, one `key=value` line each, in order.
std::string FormatPreferences(const std::vector<PreferenceEntry>& entries);
// "1", "true", "yes" and "on" are true, "0", "false", "no" and "off" false (any case);
// nullopt for anything else.
std::optional<bool> ParsePreferenceFlag(std::string_view value);

// The player's settings that the saved game's fixed fields cannot hold, in a small text
// file of the program's own. Keys it does not know are kept as they were when it is written.
class Preferences {
public:
    // The settings file: "$XDG_CONFIG_HOME/hoopstack/settings" when that is an absolute path,
    // else "$HOME/.config/hoopstack/settings"; empty when neither is known.
    static std::string DefaultPath(const char* configHome, const char* home);

    // The settings in the file; the defaults for every key that an absent, unreadable, too
    // large or broken file does not give. Never fails.
    static Preferences Load(const std::string& path);
    // Writes every entry to `path` atomically, making its folder when missing; false (and a
    // one-line reason in `error` when given) when it could not, the old file left as it was.
    [[nodiscard]] bool Save(const std::string& path, std::string* error = nullptr) const;

    // Whether the game window shows on the full screen; false by default.
    bool FullScreen() const;
    void SetFullScreen(bool full);

    const std::vector<PreferenceEntry>& Entries() const { return m_entries; }

    // The key of the full-screen flag.
    static constexpr const char* kFullScreenKey = "fullscreen";
    // Settings files larger than this are not read.
    static constexpr std::size_t kMaxBytes = 64 * 1024;

private:
    void set(std::string_view key, std::string value);

    std::vector<PreferenceEntry> m_entries;
};

} // namespace store
