#pragma once

#include <string>

#include "Platform.hpp"

namespace platform {

// Writes the surface as an 8-bit RGB PNG file; false when the file cannot be written.
bool WritePng(const std::string& path, const Surface& image);

} // namespace platform
