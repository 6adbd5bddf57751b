#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace store {

// A replay file (`*.hoopstack-replay`, "replay.dat", "replays.dat" entries aside) holds a
// replay's text followed by one "\n". The text itself is judged by the rules' decoder; these
// only move it between the disk and memory.

struct ReplayFileRead {
    bool ok = false;
    std::string text;   // the file without its trailing whitespace, when ok
    std::string error;  // a one-line reason otherwise
};

// Reads a replay file, refusing one larger than `limit` bytes without reading it all, and one
// that holds nothing but whitespace. Trailing spaces, tabs, CRs and LFs are stripped.
[[nodiscard]] ReplayFileRead ReadReplayFile(const std::string& path, std::size_t limit);

// Writes the text and one "\n" to `path` atomically (writeFileAtomically): a reader sees the
// old file or the whole new one. False with a one-line reason in `error`.
[[nodiscard]] bool WriteReplayFile(const std::string& path, std::string_view text, std::string* error = nullptr);

// The text without its trailing spaces, tabs, CRs and LFs.
std::string_view StripTrailingSpace(std::string_view text);

} // namespace store
