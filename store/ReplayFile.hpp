#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "FileIO.hpp"

namespace store {

// A replay file (`*.hoopstack-replay`, "replay.dat", "replays.dat" entries aside) holds a
// replay's text followed by one "\n". The text itself is judged by the rules' decoder; these
// only move it between the disk and memory.

struct ReplayFileRead {
    bool ok = false;
    std::string text;  // the file as TrimReplayText leaves it, when ok
    std::string error; // a one-line reason otherwise
    // Why the file could not be read: Ok when it was read but holds nothing but whitespace.
    ReadStatus status = ReadStatus::CannotOpen;
    int errorNumber = 0; // errno of a failed open or read
};

// Reads a replay file, refusing one larger than `limit` bytes without reading it all, and one
// that holds nothing but whitespace.
[[nodiscard]] ReplayFileRead ReadReplayFile(const std::string& path, std::size_t limit);

// Writes the text and one "\n" to `path` atomically (writeFileAtomically): a reader sees the
// old file or the whole new one. False with a one-line reason in `error`.
[[nodiscard]] bool WriteReplayFile(const std::string& path, std::string_view text,
                                   std::string* error = nullptr);

// A replay's text as a file, a publish or an address carries it: without the whitespace after
// it (spaces, tabs, line and page breaks, which an editor or a download may add). The text
// itself is base64url, which holds none of them; leading whitespace is kept, as it is no part
// of the format either.
std::string_view TrimReplayText(std::string_view text);

} // namespace store
