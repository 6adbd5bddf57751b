#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace assetgen {

// A mono 16-bit PCM sound.
struct WavSound {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    std::vector<int16_t> samples;
};

// A canonical RIFF/WAVE file: "fmt " (PCM, mono, 16 bits) and "data" chunks.
std::vector<uint8_t> EncodeWav(const std::vector<int16_t>& samples, int sampleRate);

// Reads a RIFF/WAVE file of 16-bit PCM; skips unknown chunks. Nullopt for anything else or a
// truncated file.
std::optional<WavSound> ParseWav(std::span<const uint8_t> bytes);

} // namespace assetgen
