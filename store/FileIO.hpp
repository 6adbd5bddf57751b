#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace store {

enum class ReadStatus { Ok, CannotOpen, TooLarge, ReadFailed };

struct ReadResult {
    ReadStatus status = ReadStatus::CannotOpen;
    std::string bytes;   // the whole file when status is Ok
    std::string error;   // a one-line reason otherwise
    int errorNumber = 0; // errno of a failed open or read; 0 otherwise
};

// Reads a whole file as raw bytes, refusing files larger than `limit` bytes
// without allocating for them.
[[nodiscard]] ReadResult readFileBounded(const std::string& path, std::size_t limit);

// Replaces `path` with `data` atomically: the bytes go to a temporary file in
// the same folder, are flushed to disk and renamed over the old file. On any
// failure the old file is left as it was, the temporary file is removed, the
// result is false and `error` (when given) gets a one-line reason.
[[nodiscard]] bool writeFileAtomically(const std::string& path, std::string_view data,
                         std::string* error = nullptr);

// Removes the temporary files that writeFileAtomically left beside `path` when a process
// died in the middle of it: those of processes no longer running, and this process's own
// (a process that has not written yet has none of its own in progress). Returns how many.
std::size_t removeStaleTemporaries(const std::string& path);

} // namespace store
