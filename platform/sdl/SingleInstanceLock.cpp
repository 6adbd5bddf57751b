#include "platform/sdl/SingleInstanceLock.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::string DefaultLockPath(const char* runtimeDir, unsigned userId) {
    std::string folder = runtimeDir != nullptr && runtimeDir[0] != '\0' ? runtimeDir : "/tmp";
    return folder + "/hoopstack-" + std::to_string(userId) + ".lock";
}

SingleInstanceLock::SingleInstanceLock(std::string path) : m_path(std::move(path)) {}

SingleInstanceLock::~SingleInstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool SingleInstanceLock::Acquire() {
    if (m_fd >= 0) {
        return true;
    }
    // Close-on-exec keeps programs started from here (a browser) from inheriting the lock.
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error != EWOULDBLOCK;
    }
    m_fd = fd;
    return true;
}

} // namespace platform
