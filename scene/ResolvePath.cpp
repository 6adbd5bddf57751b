#include "scene/ResolvePath.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace scene {

namespace {

struct FolderState {
    std::mutex mutex;
    std::optional<std::string> override;
    std::optional<std::string> cached;
    std::optional<std::string> extra;
    std::vector<std::string> languages;
};

FolderState& Folder() {
    static FolderState state;
    return state;
}

std::string ReadExecutableFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return "./";
    std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "./";
    return path.substr(0, slash + 1);
}

bool IsComplete(std::string_view name) {
    return name.find("\\\\") != std::string_view::npos || name.find(":\\") != std::string_view::npos ||
           name.front() == '/';
}

// Creates the folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder.push_back('/');
    return folder;
}

#ifndef HOOPSTACK_BUILT_IN_DATA_FOLDER
#define HOOPSTACK_BUILT_IN_DATA_FOLDER "/usr/share/hoopstack"
#endif

} // namespace

std::string ResolvePathIn(std::string_view folder, std::string_view name) {
    if (name.size() < 2) return {};
    if (IsComplete(name)) return std::string(name);
    if (name.front() == '\\') name.remove_prefix(1);
    std::string result(folder);
    result.append(name);
    for (char& c : result) {
        if (c == '\\') c = '/';
    }
    if (result.size() >= PATH_MAX) return {};
    return result;
}

std::string ExecutableFolder() {
    FolderState& state = Folder();
    std::lock_guard lock(state.mutex);
    if (state.override) return *state.override;
    if (!state.cached) state.cached = ReadExecutableFolder();
    return *state.cached;
}

void SetExecutableFolderOverride(std::optional<std::string> folder) {
    if (folder) folder = WithSlash(std::move(*folder));
    FolderState& state = Folder();
    std::lock_guard lock(state.mutex);
    state.override = std::move(folder);
}

std::string ChooseDataFolder(std::string_view executableFolder, bool clpBesideExecutable,
                             bool sharedFolderExists, std::string_view builtInFolder) {
    if (clpBesideExecutable) return std::string(executableFolder);
    if (sharedFolderExists) return std::string(executableFolder) + "../share/hoopstack/";
    return WithSlash(std::string(builtInFolder));
}

std::string DataFolder() {
    const std::string executable = ExecutableFolder();
    return ChooseDataFolder(executable, IsFolder(executable + "CLP"),
                            IsFolder(executable + "../share/hoopstack"), HOOPSTACK_BUILT_IN_DATA_FOLDER);
}

void SetExtraDataFolder(std::optional<std::string> folder) {
    if (folder && folder->empty()) folder.reset();
    if (folder) folder = WithSlash(std::move(*folder));
    FolderState& state = Folder();
    std::lock_guard lock(state.mutex);
    state.extra = std::move(folder);
}

void SetArtLanguages(std::vector<std::string> languages) {
    FolderState& state = Folder();
    std::lock_guard lock(state.mutex);
    state.languages = std::move(languages);
}

std::string LanguageVariant(std::string_view name, std::string_view language) {
    const std::size_t slash = name.find_first_of("\\/");
    if (slash == std::string_view::npos || slash == 0 || language.empty()) return {};
    return std::string(name.substr(0, slash + 1)) + std::string(language) + std::string(1, name[slash]) +
           std::string(name.substr(slash + 1));
}

std::string ResolvePath(std::string_view name) {
    std::optional<std::string> extra;
    std::vector<std::string> languages;
    {
        FolderState& state = Folder();
        std::lock_guard lock(state.mutex);
        extra = state.extra;
        languages = state.languages;
    }
    // In each folder, the picture of the player's language goes before the English one.
    const auto find = [&](const std::string& folder) -> std::optional<std::string> {
        for (const std::string& language : languages) {
            const std::string variant = LanguageVariant(name, language);
            if (variant.empty()) continue;
            std::string candidate = ResolvePathIn(folder, variant);
            if (!candidate.empty() && IsFile(candidate)) return candidate;
        }
        return std::nullopt;
    };
    if (extra) {
        if (std::optional<std::string> found = find(*extra)) return *found;
        std::string candidate = ResolvePathIn(*extra, name);
        if (!candidate.empty() && IsFile(candidate)) return candidate;
    }
    const std::string data = DataFolder();
    if (std::optional<std::string> found = find(data)) return *found;
    return ResolvePathIn(data, name);
}

std::string DataHomeFolder(const char* xdgDataHome, const char* home) {
    std::string base;
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        base = xdgDataHome;
    } else if (home != nullptr && home[0] == '/') {
        base = std::string(home) + "/.local/share";
    } else {
        return {};
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/hoopstack/";
}

std::string ResolveWritablePathIn(std::string_view executableFolder, bool executableFolderWritable,
                                  std::string_view dataHome, std::string_view name) {
    if (executableFolderWritable || dataHome.empty()) return ResolvePathIn(executableFolder, name);
    // A failure to create the folder surfaces when the file itself is opened.
    MakeFolders(std::string(dataHome));
    return ResolvePathIn(dataHome, name);
}

std::string ResolveWritablePath(std::string_view name) {
    const std::string folder = ExecutableFolder();
    const bool writable = IsFolder(folder + "CLP") && access(folder.c_str(), W_OK) == 0;
    const char* home = std::getenv("HOME");
    std::string homeFromPasswd;
    if (home == nullptr) {
        if (const passwd* entry = getpwuid(getuid())) {
            homeFromPasswd = entry->pw_dir;
            home = homeFromPasswd.c_str();
        }
    }
    return ResolveWritablePathIn(folder, writable, DataHomeFolder(std::getenv("XDG_DATA_HOME"), home), name);
}

} // namespace scene
