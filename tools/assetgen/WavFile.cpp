#include "WavFile.hpp"

#include <cstring>

namespace assetgen {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
void PutTag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

uint32_t Get32(std::span<const uint8_t> bytes, size_t at) {
    return uint32_t{bytes[at]} | (uint32_t{bytes[at + 1]} << 8) | (uint32_t{bytes[at + 2]} << 16) |
           (uint32_t{bytes[at + 3]} << 24);
}
uint16_t Get16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
bool TagAt(std::span<const uint8_t> bytes, size_t at, const char* tag) {
    return std::memcmp(bytes.data() + at, tag, 4) == 0;
}

} // namespace

std::vector<uint8_t> EncodeWav(const std::vector<int16_t>& samples, int sampleRate) {
    const uint32_t dataSize = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataSize);
    PutTag(out, "RIFF");
    Put32(out, 36 + dataSize);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, static_cast<uint32_t>(sampleRate));
    Put32(out, static_cast<uint32_t>(sampleRate) * 2);
    Put16(out, 2);
    Put16(out, 16);
    PutTag(out, "data");
    Put32(out, dataSize);
    for (int16_t sample : samples) Put16(out, static_cast<uint16_t>(sample));
    return out;
}

std::optional<WavSound> ParseWav(std::span<const uint8_t> bytes) {
    if (bytes.size() < 12 || !TagAt(bytes, 0, "RIFF") || !TagAt(bytes, 8, "WAVE")) return std::nullopt;
    WavSound sound;
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = Get32(bytes, at + 4);
        const size_t body = at + 8;
        if (size > bytes.size() - body) return std::nullopt;
        if (TagAt(bytes, at, "fmt ")) {
            if (size < 16 || Get16(bytes, body) != 1) return std::nullopt;
            sound.channels = Get16(bytes, body + 2);
            sound.sampleRate = static_cast<int>(Get32(bytes, body + 4));
            sound.bitsPerSample = Get16(bytes, body + 14);
            if (sound.bitsPerSample != 16 || sound.channels < 1) return std::nullopt;
            haveFormat = true;
        } else if (TagAt(bytes, at, "data")) {
            if (!haveFormat || size % 2 != 0) return std::nullopt;
            sound.samples.resize(size / 2);
            for (size_t i = 0; i < sound.samples.size(); ++i) {
                sound.samples[i] = static_cast<int16_t>(Get16(bytes, body + 2 * i));
            }
            return sound;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

} // namespace assetgen
