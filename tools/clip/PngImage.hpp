#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "RgbaImage.hpp"

namespace tools {

// Pictures wider or taller than this are refused before any pixel memory is taken.
inline constexpr uint32_t kMaxPngSide = 16384;

// Reads any PNG, converted to RGBA; on failure returns nullopt and says why in `error`.
std::optional<RgbaImage> ReadPng(const std::string& path, std::string& error);

// Writes the picture as an RGBA PNG; on failure returns false and says why in `error`.
bool WritePng(const std::string& path, const RgbaImage& image, std::string& error);

} // namespace tools
