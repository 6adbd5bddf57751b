#include "scene/ByteReader.hpp"

#include <bit>
#include <cstring>

namespace scene {

namespace {

template <typename T>
T FromLittleEndian(const uint8_t* bytes) {
    uint64_t value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value |= uint64_t{bytes[i]} << (8 * i);
    if constexpr (sizeof(T) == 8) {
        return std::bit_cast<T>(value);
    } else if constexpr (sizeof(T) == 4) {
        return std::bit_cast<T>(static_cast<uint32_t>(value));
    } else {
        return std::bit_cast<T>(static_cast<uint16_t>(value));
    }
}

template <typename T>
bool ReadValue(std::span<const uint8_t> bytes, size_t& position, T& out) {
    if (bytes.size() - position < sizeof(T)) return false;
    out = FromLittleEndian<T>(bytes.data() + position);
    position += sizeof(T);
    return true;
}

} // namespace

bool ByteReader::Seek(uint64_t position) {
    if (position > m_bytes.size()) return false;
    m_position = static_cast<size_t>(position);
    return true;
}

bool ByteReader::Read(void* out, size_t count) {
    if (count > Remaining()) return false;
    if (count > 0) std::memcpy(out, m_bytes.data() + m_position, count);
    m_position += count;
    return true;
}

bool ByteReader::View(size_t count, std::span<const uint8_t>& out) {
    if (count > Remaining()) {
        out = {};
        return false;
    }
    out = m_bytes.subspan(m_position, count);
    m_position += count;
    return true;
}

bool ByteReader::ReadU16(uint16_t& out) {
    return ReadValue(m_bytes, m_position, out);
}
bool ByteReader::ReadI16(int16_t& out) {
    return ReadValue(m_bytes, m_position, out);
}
bool ByteReader::ReadU32(uint32_t& out) {
    return ReadValue(m_bytes, m_position, out);
}
bool ByteReader::ReadI32(int32_t& out) {
    return ReadValue(m_bytes, m_position, out);
}
bool ByteReader::ReadF32(float& out) {
    return ReadValue(m_bytes, m_position, out);
}
bool ByteReader::ReadF64(double& out) {
    return ReadValue(m_bytes, m_position, out);
}

} // namespace scene
