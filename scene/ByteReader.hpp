#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace scene {

// A read-only stream over bytes held elsewhere: reads little-endian values, seeks from the
// start, and never reads outside its span. Every failed read leaves the position unchanged.
class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    ByteReader(const void* data, size_t size) : m_bytes(static_cast<const uint8_t*>(data), data ? size : 0) {}

    size_t Size() const { return m_bytes.size(); }
    size_t Position() const { return m_position; }
    size_t Remaining() const { return m_bytes.size() - m_position; }

    // Moves to `position` bytes from the start; false when that lies past the end.
    bool Seek(uint64_t position);

    // Copies the next `count` bytes; false when fewer remain.
    bool Read(void* out, size_t count);

    // Returns the next `count` bytes in place and advances; empty span and false when fewer remain.
    bool View(size_t count, std::span<const uint8_t>& out);

    bool ReadU16(uint16_t& out);
    bool ReadI16(int16_t& out);
    bool ReadU32(uint32_t& out);
    bool ReadI32(int32_t& out);
    bool ReadF32(float& out);
    bool ReadF64(double& out);

private:
    std::span<const uint8_t> m_bytes;
    size_t m_position = 0;
};

} // namespace scene
