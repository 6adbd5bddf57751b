#pragma once

#include "platform/Platform.hpp"

#include <cstdint>
#include <string>
#include <string_view>

// Pure conversions between SDL's and the program's view of input, text and
// pixels; none of them needs a display.
namespace platform {

// The Windows virtual-key code for an SDL keycode, or 0 when the key has none.
int VirtualKeyFromSdl(std::int32_t sdlKeycode);

// The KeyCode of an SDL mouse button (Key_LButton, Key_RButton, Key_MButton), or 0.
int MouseButtonCode(std::uint8_t sdlButton);

// The pad button for an SDL game controller button, or None for one the program has no name for.
PadButton PadButtonFromSdl(int sdlButton);

// The pad axis for an SDL game controller axis, or None for one the program has no name for.
PadAxis PadAxisFromSdl(int sdlAxis);

// UTF-8 to code page 1252 bytes; characters the code page lacks and malformed or overlong
// sequences are dropped.
std::string Utf8ToCodePage1252(std::string_view utf8);

// Code page 1252 bytes to UTF-8; the five bytes the code page leaves undefined are dropped.
std::string CodePage1252ToUtf8(std::string_view text);

// Whether the SDL video driver `driver` shows windows to someone: every driver but the
// offscreen and dummy ones, which count only when `asked` (SDL_VIDEODRIVER) names them.
bool RealDisplay(const char* driver, const char* asked);

// Where a 32-bit target pixel keeps each 8-bit channel; alpha bits are set opaque.
struct PackedFormat {
    int redShift = 16;
    int greenShift = 8;
    int blueShift = 0;
    std::uint32_t alphaMask = 0;
};

// Copies `area` (already clipped to both) of the 24-bit `source` into 32-bit
// pixels; `target` points at client pixel (0, 0) and rows are `targetPitch` bytes apart.
void CopyBgrToPacked32(const Surface& source, const Rect& area, std::uint8_t* target, int targetPitch,
                       const PackedFormat& format);

} // namespace platform
