#include "FileIO.hpp"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {
namespace {

constexpr std::size_t kChunk = 10240;

std::string reason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

ReadResult readFileBounded(const std::string& path, std::size_t limit) {
    ReadResult result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.status = ReadStatus::CannotOpen;
        result.errorNumber = errno;
        result.error = reason("cannot open", path);
        return result;
    }
    char chunk[kChunk];
    result.status = ReadStatus::Ok;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.status = ReadStatus::ReadFailed;
            result.errorNumber = errno;
            result.error = reason("cannot read", path);
            break;
        }
        if (n == 0) break;
        if (result.bytes.size() + static_cast<std::size_t>(n) > limit) {
            result.status = ReadStatus::TooLarge;
            result.error = path + " is larger than " + std::to_string(limit) + " bytes";
            break;
        }
        result.bytes.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (result.status != ReadStatus::Ok) result.bytes.clear();
    return result;
}

namespace {

// The process id in a temporary file's name "<name>.tmp-<pid>-<n>", or 0.
pid_t temporaryOwner(const std::string& entry, const std::string& prefix) {
    if (entry.compare(0, prefix.size(), prefix) != 0) return 0;
    pid_t pid = 0;
    std::size_t i = prefix.size();
    for (; i < entry.size() && entry[i] >= '0' && entry[i] <= '9' && pid < 4194304; ++i) pid = pid * 10 + (entry[i] - '0');
    return i < entry.size() && entry[i] == '-' && i > prefix.size() ? pid : 0;
}

} // namespace

std::size_t removeStaleTemporaries(const std::string& path) {
    const std::string folder = folderOf(path);
    const auto slash = path.find_last_of('/');
    const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp-";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = temporaryOwner(entry->d_name, prefix);
        if (owner <= 0) continue;
        const bool stale = owner == ::getpid() || (::kill(owner, 0) != 0 && errno == ESRCH);
        if (stale && ::unlink((folder + "/" + entry->d_name).c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

bool writeFileAtomically(const std::string& path, std::string_view data, std::string* error) {
    static std::atomic<unsigned> counter{0};
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(counter.fetch_add(1));
    auto fail = [&](const std::string& what, int fd) {
        const std::string message = reason(what, fd >= 0 ? temporary : path);
        if (fd >= 0) ::close(fd);
        ::unlink(temporary.c_str());
        if (error) *error = message;
        return false;
    };

    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const std::string message = reason("cannot create", temporary);
        if (error) *error = message;
        return false;
    }
    if (!writeAll(fd, data)) return fail("cannot write", fd);
    if (::fsync(fd) != 0) return fail("cannot flush", fd);
    if (::close(fd) != 0) return fail("cannot close", -1);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail("cannot replace", -1);

    // Make the rename itself durable; a failure here no longer endangers the data.
    const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace store
