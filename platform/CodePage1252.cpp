#include "CodePage1252.hpp"

#include <array>

namespace platform {
namespace {

constexpr std::uint8_t kUpperFirst = 0x80;
constexpr std::uint8_t kUpperLast = 0x9F;
// Marks the bytes the code page leaves undefined.
constexpr char32_t kUndefined = 0;

// The characters of the bytes 0x80-0x9F; every other byte is its own code point.
constexpr std::array<char32_t, kUpperLast - kUpperFirst + 1> kUpperRange = {
    U'\u20AC',  kUndefined, U'\u201A', U'\u0192', U'\u201E', U'\u2026',  U'\u2020', U'\u2021',  // 0x80
    U'\u02C6',  U'\u2030',  U'\u0160', U'\u2039', U'\u0152', kUndefined, U'\u017D', kUndefined, // 0x88
    kUndefined, U'\u2018',  U'\u2019', U'\u201C', U'\u201D', U'\u2022',  U'\u2013', U'\u2014',  // 0x90
    U'\u02DC',  U'\u2122',  U'\u0161', U'\u203A', U'\u0153', kUndefined, U'\u017E', U'\u0178',  // 0x98
};

} // namespace

std::optional<char32_t> CodePage1252ToUnicode(std::uint8_t byte) {
    if (byte < kUpperFirst || byte > kUpperLast) return char32_t{byte};
    const char32_t codePoint = kUpperRange[byte - kUpperFirst];
    if (codePoint == kUndefined) return std::nullopt;
    return codePoint;
}

std::optional<std::uint8_t> UnicodeToCodePage1252(char32_t codePoint) {
    if (codePoint <= 0xFF) {
        if (codePoint >= kUpperFirst && codePoint <= kUpperLast) return std::nullopt;
        return std::uint8_t(codePoint);
    }
    for (std::size_t i = 0; i < kUpperRange.size(); ++i)
        if (kUpperRange[i] == codePoint) return std::uint8_t(kUpperFirst + i);
    return std::nullopt;
}

} // namespace platform
