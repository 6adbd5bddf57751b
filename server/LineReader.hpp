#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace server {

// Reads a file line by line in large blocks. A line longer than the limit is not kept whole:
// its first bytes come back marked too long and the rest is skipped. Everything read can be
// copied as it is to a second file, so that input read once from a pipe can be read again.
class LineReader {
public:
    LineReader(std::FILE* input, std::size_t maxLength, std::FILE* copy = nullptr);

    // The next line without its newline; false at the end of the input or when reading failed.
    // The text after the last newline is a line unless it is empty.
    bool Next(std::string& line, bool& tooLong);
    // Whether reading the input, or writing the copy, failed.
    bool Failed() const { return m_failed; }
    bool CopyFailed() const { return m_copyFailed; }
    // Bytes of the input the lines returned so far took, newlines included.
    std::uint64_t Position() const { return m_position; }

private:
    bool Fill();

    std::FILE* m_input;
    std::size_t m_maxLength;
    std::FILE* m_copy;
    std::vector<char> m_buffer;
    std::size_t m_at = 0, m_end = 0;
    std::uint64_t m_position = 0;
    bool m_eof = false;
    bool m_failed = false;
    bool m_copyFailed = false;
};

} // namespace server
