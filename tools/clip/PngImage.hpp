#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tools {

// An 8-bit RGBA picture, rows top-down, 4 bytes per pixel.
struct RgbaImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;
};

// Pictures wider or taller than this are refused before any pixel memory is taken.
inline constexpr uint32_t kMaxPngSide = 16384;

// Reads any PNG, converted to RGBA; on failure returns nullopt and says why in `error`.
std::optional<RgbaImage> ReadPng(const std::string& path, std::string& error);

// Writes the picture as an RGBA PNG; on failure returns false and says why in `error`.
bool WritePng(const std::string& path, const RgbaImage& image, std::string& error);

} // namespace tools
