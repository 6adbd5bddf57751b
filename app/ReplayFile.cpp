#include "app/ReplayFile.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "rules/ReplayPlayer.hpp"

namespace app {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool fail(std::string* error, const std::string& reason) {
    if (error) *error = reason;
    return false;
}

// Up to `limit` + 1 bytes of the file, so that a longer one is seen without reading it all.
bool readHead(const std::string& path, std::size_t limit, std::string& text, std::string* error) {
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (status.type() == std::filesystem::file_type::not_found) return fail(error, "there is no such file");
    if (status.type() == std::filesystem::file_type::directory)
        return fail(error, "it is a folder, not a file");
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return fail(error, std::string("it cannot be opened (") + std::strerror(errno) + ")");
    text.resize(limit + 1);
    const std::size_t got = std::fread(text.data(), 1, text.size(), file.get());
    if (std::ferror(file.get()))
        return fail(error, std::string("it cannot be read (") + std::strerror(errno) + ")");
    text.resize(got);
    return true;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::optional<rules::GameReplay> ReadReplayFile(const std::string& path, std::string* error) {
    std::string text;
    if (!readHead(path, rules::kMaxReplayText, text, error)) return std::nullopt;
    if (text.size() > rules::kMaxReplayText) {
        fail(error, "it is larger than any replay (" + std::to_string(rules::kMaxReplayText / 1024) +
                        " KiB at most)");
        return std::nullopt;
    }
    while (!text.empty() && isSpace(text.back())) text.pop_back();
    if (text.empty()) {
        fail(error, "the file is empty");
        return std::nullopt;
    }
    std::string reason;
    std::optional<rules::GameReplay> replay = rules::DecodeReplay(text, &reason);
    if (!replay) {
        fail(error, "it is not a Hoopstack replay (" + reason + ")");
        return std::nullopt;
    }
    if (replay->ticks > rules::kReplayTickBudget) {
        fail(error, "it is longer than any game (" + std::to_string(replay->ticks) + " frames, " +
                        std::to_string(rules::kReplayTickBudget) + " at most)");
        return std::nullopt;
    }
    if (replay->rulesVersion != rules::GameReplay::kRulesVersion) {
        fail(error, "it was recorded under other rules (version " + std::to_string(replay->rulesVersion) +
                        "; this game plays version " + std::to_string(rules::GameReplay::kRulesVersion) + ")");
        return std::nullopt;
    }
    return replay;
}

std::string ReplayFailureText(const std::string& path, const std::string& reason) {
    const std::string name = std::filesystem::path(path).filename().string();
    return "Could not show the replay \"" + (name.empty() ? path : name) + "\": " + reason + ".";
}

} // namespace app
