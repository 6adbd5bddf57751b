#include "SaveWriter.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

#include "FileIO.hpp"
#include "TScoresTable.hpp"

namespace store {

namespace {

// Tries the lock until the deadline; a plain try_lock in a loop, which every thread checker
// understands.
bool lockBefore(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point deadline) {
    while (!lock.try_lock()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool writeEnciphered(const std::string& path, const std::string& text, std::string* error) {
    return TScoresTable().writeEncrypted(path, text, error);
}

// Removes a file; one that is not there is removed already.
bool removeFile(const std::string& path, std::string* error) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    if (error) *error = "cannot remove " + path + ": " + std::strerror(errno);
    return false;
}

} // namespace

SaveWriter::SaveWriter(std::string path, FailureFunction onFailure, WriteFunction write,
                       CompanionFailureFunction onCompanionFailure)
    : m_path(std::move(path)), m_onFailure(std::move(onFailure)),
      m_write(write ? std::move(write) : WriteFunction(writeEnciphered)),
      m_onCompanionFailure(std::move(onCompanionFailure)) {
    // A process killed in the middle of a write leaves its temporary file behind.
    removeStaleTemporaries(m_path);
    m_thread = std::thread([this] { run(); });
}

SaveWriter::~SaveWriter() { Shutdown(); }

void SaveWriter::Submit(std::string text, std::vector<Companion> companions) {
    auto shared = std::make_shared<const Save>(Save{std::move(text), std::move(companions)});
    std::unique_lock lock(m_mutex);
    const std::uint64_t number = ++m_given;
    m_latest = shared;
    m_latestNumber = number;
    if (m_stopped) {
        // No thread is left to write it; the caller does, rather than lose it.
        lock.unlock();
        std::string error;
        if (!writeInOrder(*shared, number, &error) && m_onFailure) m_onFailure(error);
        lock.lock();
        m_settled = std::max(m_settled, number);
        m_changed.notify_all();
        return;
    }
    // The text still waiting, if any, is older: it is never written now.
    m_waiting = std::move(shared);
    m_waitingNumber = number;
    m_changed.notify_all();
}

bool SaveWriter::WriteNow(std::string text, std::string* error, std::vector<Companion> companions) {
    auto shared = std::make_shared<const Save>(Save{std::move(text), std::move(companions)});
    std::uint64_t number = 0;
    {
        std::lock_guard lock(m_mutex);
        number = ++m_given;
        m_latest = shared;
        m_latestNumber = number;
        m_waiting.reset();
    }
    const bool written = writeInOrder(*shared, number, error);
    {
        std::lock_guard lock(m_mutex);
        m_settled = std::max(m_settled, number);
    }
    m_changed.notify_all();
    return written;
}

void SaveWriter::Flush() {
    std::unique_lock lock(m_mutex);
    const std::uint64_t until = m_given;
    m_changed.wait(lock, [&] { return m_settled >= until || (m_stopped && !m_waiting); });
}

void SaveWriter::Shutdown() {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return;
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void SaveWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_waiting || m_stopping; });
        if (!m_waiting) break;
        const Text text = std::move(m_waiting);
        m_waiting.reset();
        const std::uint64_t number = m_waitingNumber;
        lock.unlock();
        std::string error;
        const bool written = writeInOrder(*text, number, &error);
        if (!written && !m_ended && m_onFailure) m_onFailure(error);
        lock.lock();
        m_settled = std::max(m_settled, number);
        m_changed.notify_all();
    }
    m_stopped = true;
    m_changed.notify_all();
}

void SaveWriter::writeCompanions(const Save& save, bool report) {
    for (const Companion& companion : save.companions) {
        std::string reason;
        const bool done = companion.bytes ? writeFileAtomically(companion.path, *companion.bytes, &reason)
                                          : removeFile(companion.path, &reason);
        if (done || !report) continue;
        if (m_onCompanionFailure)
            m_onCompanionFailure(companion.path, reason);
        else if (m_onFailure)
            m_onFailure(reason);
    }
}

bool SaveWriter::writeSave(const Save& save, bool report, std::string* error) {
    // The companions go first: a main file that is written always has its companions beside
    // it, and one whose companions failed is still kept.
    writeCompanions(save, report);
    return m_write(m_path, save.text, error);
}

bool SaveWriter::writeInOrder(const Save& save, std::uint64_t number, std::string* error) {
    std::lock_guard file(m_file);
    if (m_ended) {
        if (error) *error = "the program is ending";
        return false;
    }
    if (number <= m_tried) {
        // A newer text was written (or tried) meanwhile; its result stands for this one.
        if (!m_lastResult && error) *error = m_lastError;
        return m_lastResult;
    }
    m_tried = number;
    ++m_attempts;
    std::string reason;
    m_lastResult = writeSave(save, true, &reason);
    m_lastError = m_lastResult ? std::string() : reason;
    if (m_lastResult) {
        m_written = std::max(m_written.load(), number);
    } else if (error) {
        *error = reason;
    }
    return m_lastResult;
}

bool SaveWriter::WriteLatestForExit(std::chrono::milliseconds patience) {
    // A write in progress is waited for, so that it cannot land after this one; a disk that
    // hangs longer than the patience is not, as the process must end all the same.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    std::unique_lock file(m_file, std::defer_lock);
    lockBefore(file, deadline);
    m_ended = true;
    Text latest;
    std::uint64_t number = 0;
    {
        std::unique_lock lock(m_mutex, std::defer_lock);
        if (!lockBefore(lock, deadline + patience)) return false;
        latest = m_latest;
        number = m_latestNumber;
    }
    if (!latest || m_written.load() >= number) return true;
    ++m_attempts;
    std::string reason;
    if (!writeSave(*latest, false, &reason)) return false;
    m_written = number;
    return true;
}

} // namespace store
