#include "LineReader.hpp"

#include <cstring>

namespace server {

namespace {

constexpr std::size_t kBlock = 1 << 16;

} // namespace

LineReader::LineReader(std::FILE* input, std::size_t maxLength, std::FILE* copy)
    : m_input(input), m_maxLength(maxLength), m_copy(copy), m_buffer(kBlock) {}

bool LineReader::Fill() {
    if (m_eof || m_failed) return false;
    m_at = 0;
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_input);
    if (m_end < m_buffer.size()) {
        m_eof = true;
        m_failed = std::ferror(m_input) != 0;
    }
    if (m_copy && m_end > 0 && std::fwrite(m_buffer.data(), 1, m_end, m_copy) != m_end) m_copyFailed = true;
    return m_end > 0;
}

bool LineReader::Next(std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    bool any = false;
    for (;;) {
        if (m_at == m_end && !Fill()) return any && !m_failed;
        any = true;
        const char* start = m_buffer.data() + m_at;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', m_end - m_at));
        const std::size_t length = newline ? std::size_t(newline - start) : m_end - m_at;
        const std::size_t room = line.size() < m_maxLength ? m_maxLength - line.size() : 0;
        if (length > room) tooLong = true;
        line.append(start, length < room ? length : room);
        m_at += length;
        m_position += length;
        if (newline) {
            ++m_at;
            ++m_position;
            return true;
        }
    }
}

} // namespace server
