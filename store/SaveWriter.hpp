#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace store {

// Keeps one file up to date from a thread of its own, so that a slow disk never holds the
// thread that hands the texts over. A text handed over replaces one that is still waiting:
// only the newest is written, and nothing piles up. Writes reach the file in the order the
// texts were given; an older text is never written after a newer one, whichever thread
// writes it.
class SaveWriter {
public:
    // Writes `text` to `path` as a whole or not at all; false with a one-line reason.
    using WriteFunction = std::function<bool(const std::string& path, const std::string& text, std::string* error)>;
    // Told the reason of every failed write made by the writer's own thread.
    using FailureFunction = std::function<void(const std::string& reason)>;

    // `write` defaults to the enciphered store's atomic write (TScoresTable::writeEncrypted).
    // Starting, it removes what such writes of dead processes left (removeStaleTemporaries).
    explicit SaveWriter(std::string path, FailureFunction onFailure = {}, WriteFunction write = {});
    // Shuts down: the text still waiting is written first.
    ~SaveWriter();
    SaveWriter(const SaveWriter&) = delete;
    SaveWriter& operator=(const SaveWriter&) = delete;

    const std::string& Path() const { return m_path; }

    // Hands the text to the writer thread and returns at once; any thread. After Shutdown the
    // text is written on the calling thread instead.
    void Submit(std::string text);
    // Writes the text on the calling thread, after a write in progress; a text still waiting
    // is older and is dropped. False with the reason when the write failed (or a newer text
    // written in its place failed).
    [[nodiscard]] bool WriteNow(std::string text, std::string* error = nullptr);
    // Returns once every text handed over before the call is written or has failed.
    void Flush();
    // Writes the text still waiting and ends the thread; later calls do nothing.
    void Shutdown();

    // For an end that cannot wait (the process ends right after): writes the newest text
    // handed over unless it is on disk already, waiting at most `patience` for a write in
    // progress. Afterwards the writer writes nothing more. Takes no lock the callers of
    // Submit could hold for long. True when the newest text is on disk.
    bool WriteLatestForExit(std::chrono::milliseconds patience);

    // The number of writes attempted so far (tests).
    std::uint64_t WritesAttempted() const { return m_attempts.load(); }

private:
    using Text = std::shared_ptr<const std::string>;

    void run();
    // Writes the text numbered `number` unless a newer one was written or tried meanwhile;
    // false with the reason when the write (or the newer one's) failed.
    bool writeInOrder(const std::string& text, std::uint64_t number, std::string* error);

    const std::string m_path;
    const FailureFunction m_onFailure;
    const WriteFunction m_write;

    // Guards the fields below it up to m_file; held only for moments.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Text m_waiting;               // the text the thread writes next, or none
    std::uint64_t m_waitingNumber = 0;
    Text m_latest;                // the newest text handed over by any call
    std::uint64_t m_latestNumber = 0;
    std::uint64_t m_given = 0;    // numbers handed out
    std::uint64_t m_settled = 0;  // every text up to this number is written, failed or dropped
    bool m_stopping = false;
    bool m_stopped = false;

    // Held for each write to the file, so that writes reach it one after the other.
    std::mutex m_file;
    std::uint64_t m_tried = 0;  // the newest number a write was tried for (under m_file)
    bool m_lastResult = true;   // that write's result (under m_file)
    std::string m_lastError;    // and its reason (under m_file)

    std::atomic<std::uint64_t> m_written{0};  // the newest number known to be on disk
    std::atomic<bool> m_ended{false};          // WriteLatestForExit ran: nothing more is written
    std::atomic<std::uint64_t> m_attempts{0};
    std::thread m_thread;
};

} // namespace store
