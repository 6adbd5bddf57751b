#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// The program's 8-bit texts are Windows code page 1252: ASCII and Latin-1, except that the
// bytes 0x80-0x9F hold the euro sign, typographic quotes and dashes and a few letters in
// place of the C1 control codes.

// The character a byte stands for, as a Unicode code point. The code page leaves 0x81, 0x8D,
// 0x8F, 0x90 and 0x9D undefined; they have none, so they draw and measure nothing and have
// no UTF-8 form.
std::optional<char32_t> CodePage1252ToUnicode(std::uint8_t byte);

// The byte that stands for a code point, or none when the code page lacks the character
// (the C1 control code points U+0080-U+009F included), so that typing it adds nothing.
std::optional<std::uint8_t> UnicodeToCodePage1252(char32_t codePoint);

} // namespace platform
