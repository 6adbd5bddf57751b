#pragma once

#include <string>

namespace platform {

// The lock file of the user's copy: $XDG_RUNTIME_DIR, else /tmp, per user id.
std::string DefaultLockPath(const char* runtimeDir, unsigned userId);

// An exclusive advisory lock on a file that tells a second running copy of
// the program that the first one exists. Released when the object dies or
// the process ends.
class SingleInstanceLock {
public:
    explicit SingleInstanceLock(std::string path);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock without waiting. False only when another holder has it;
    // a file that cannot be opened does not stop the program.
    bool Acquire();
    // True while this object holds the lock.
    bool Held() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
};

} // namespace platform
