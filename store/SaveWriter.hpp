#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace store {

// Keeps one file up to date from a thread of its own, so that a slow disk never holds the
// thread that hands the texts over. A text handed over replaces one that is still waiting:
// only the newest is written, and nothing piles up. Writes reach the file in the order the
// texts were given; an older text is never written after a newer one, whichever thread
// writes it. A text may come with companions: files kept beside the main one that must always
// describe the same moment (the saved game's replay beside its board). They are written in
// the same turn, just before the main file, so no other text's files come between them.
class SaveWriter {
public:
    // A file that changes with the main one: its whole new bytes, written plainly and
    // atomically (writeFileAtomically), or none to remove it.
    struct Companion {
        std::string path;
        std::optional<std::string> bytes;

        bool operator==(const Companion&) const = default;
    };

    // Writes `text` to `path` as a whole or not at all; false with a one-line reason.
    using WriteFunction = std::function<bool(const std::string& path, const std::string& text, std::string* error)>;
    // Told the reason of every failed write made by the writer's own thread.
    using FailureFunction = std::function<void(const std::string& reason)>;
    // Told which companion could not be written or removed, and why; any thread that writes.
    using CompanionFailureFunction = std::function<void(const std::string& path, const std::string& reason)>;

    // `write` defaults to the enciphered store's atomic write (TScoresTable::writeEncrypted).
    // Starting, it removes what such writes of dead processes left (removeStaleTemporaries).
    // A companion that fails does not stop the main file; without `onCompanionFailure` it is
    // told to `onFailure`.
    explicit SaveWriter(std::string path, FailureFunction onFailure = {}, WriteFunction write = {},
                        CompanionFailureFunction onCompanionFailure = {});
    // Shuts down: the text still waiting is written first.
    ~SaveWriter();
    SaveWriter(const SaveWriter&) = delete;
    SaveWriter& operator=(const SaveWriter&) = delete;

    const std::string& Path() const { return m_path; }

    // Hands the text and its companions to the writer thread and returns at once; any thread.
    // After Shutdown they are written on the calling thread instead.
    void Submit(std::string text, std::vector<Companion> companions = {});
    // Writes the text and its companions on the calling thread, after a write in progress; a
    // text still waiting is older and is dropped. False with the reason when the main write
    // failed (or a newer text written in its place failed); companions report as they fail.
    [[nodiscard]] bool WriteNow(std::string text, std::string* error = nullptr, std::vector<Companion> companions = {});
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
    // One save: the main file's text and its companions.
    struct Save {
        std::string text;
        std::vector<Companion> companions;
    };
    using Text = std::shared_ptr<const Save>;

    void run();
    // Writes the save numbered `number` unless a newer one was written or tried meanwhile;
    // false with the reason when the main write (or the newer one's) failed.
    bool writeInOrder(const Save& save, std::uint64_t number, std::string* error);
    // Writes or removes the companions; `report` tells each failure.
    void writeCompanions(const Save& save, bool report);
    // The companions then the main file; false with the reason when the main write failed.
    bool writeSave(const Save& save, bool report, std::string* error);

    const std::string m_path;
    const FailureFunction m_onFailure;
    const WriteFunction m_write;
    const CompanionFailureFunction m_onCompanionFailure;

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
