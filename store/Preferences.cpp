#include "store/Preferences.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "store/FileIO.hpp"

namespace store {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool validKey(std::string_view key) {
    return !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '.';
    });
}

bool validValue(std::string_view value) {
    return std::none_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7F;
    });
}

// Makes every missing folder of `folder`; false with errno set when one cannot be made.
bool makeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

} // namespace

std::vector<PreferenceEntry> ParsePreferences(std::string_view text) {
    std::vector<PreferenceEntry> entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trimmed(line);
        const std::size_t equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (!validKey(key) || !validValue(value)) continue;
        const auto same =
            std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first == key; });
        if (same != entries.end())
            same->second = value;
        else
            entries.emplace_back(key, value);
    }
    return entries;
}

std::string FormatPreferences(const std::vector<PreferenceEntry>& entries) {
    std::string text;
    for (const auto& [key, value] : entries) text += key + "=" + value + "\n";
    return text;
}

std::optional<bool> ParsePreferenceFlag(std::string_view value) {
    std::string lower(value);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "1" || lower == "true" || lower == "yes" || lower == "on") return true;
    if (lower == "0" || lower == "false" || lower == "no" || lower == "off") return false;
    return std::nullopt;
}

std::string Preferences::DefaultPath(const char* configHome, const char* home) {
    const auto withoutSlashes = [](std::string folder) {
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder == "/" ? std::string() : folder;
    };
    if (configHome != nullptr && configHome[0] == '/')
        return withoutSlashes(configHome) + "/hoopstack/settings";
    if (home != nullptr && home[0] == '/') return withoutSlashes(home) + "/.config/hoopstack/settings";
    return {};
}

Preferences Preferences::Load(const std::string& path) {
    Preferences loaded;
    if (path.empty()) return loaded;
    const ReadResult read = readFileBounded(path, kMaxBytes);
    if (read.status == ReadStatus::Ok) loaded.m_entries = ParsePreferences(read.bytes);
    return loaded;
}

bool Preferences::Save(const std::string& path, std::string* error) const {
    if (path.empty()) {
        if (error) *error = "no settings file: neither XDG_CONFIG_HOME nor HOME is set";
        return false;
    }
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash))) {
        if (error) *error = "cannot make the folder of " + path + ": " + std::strerror(errno);
        return false;
    }
    return writeFileAtomically(path, FormatPreferences(m_entries), error);
}

bool Preferences::FullScreen() const {
    for (const auto& [key, value] : m_entries)
        if (key == kFullScreenKey) return ParsePreferenceFlag(value).value_or(false);
    return false;
}

void Preferences::SetFullScreen(bool full) {
    set(kFullScreenKey, full ? "1" : "0");
}

void Preferences::set(std::string_view key, std::string value) {
    for (auto& entry : m_entries)
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    m_entries.emplace_back(std::string(key), std::move(value));
}

} // namespace store
