#include "platform/sdl/Conversions.hpp"

#include <SDL_keycode.h>
#include <SDL_mouse.h>

#include <algorithm>
#include <cstring>

#include "platform/KeyCodes.hpp"

namespace platform {

int VirtualKeyFromSdl(std::int32_t sdlKeycode) {
    if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) {
        return 'A' + (sdlKeycode - SDLK_a);
    }
    if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) {
        return sdlKeycode;  // SDL and Windows both use the ASCII digits.
    }
    if (sdlKeycode >= SDLK_F1 && sdlKeycode <= SDLK_F12) {
        return Key_F1 + (sdlKeycode - SDLK_F1);
    }
    switch (sdlKeycode) {
    case SDLK_BACKSPACE: return Key_Backspace;
    case SDLK_TAB: return Key_Tab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return Key_Return;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return Key_Shift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return Key_Control;
    case SDLK_LALT:
    case SDLK_RALT: return Key_Alt;
    case SDLK_PAUSE: return Key_Pause;
    case SDLK_CAPSLOCK: return Key_CapsLock;
    case SDLK_ESCAPE: return Key_Escape;
    case SDLK_SPACE: return Key_Space;
    case SDLK_PAGEUP: return Key_PageUp;
    case SDLK_PAGEDOWN: return Key_PageDown;
    case SDLK_END: return Key_End;
    case SDLK_HOME: return Key_Home;
    case SDLK_LEFT: return Key_Left;
    case SDLK_UP: return Key_Up;
    case SDLK_RIGHT: return Key_Right;
    case SDLK_DOWN: return Key_Down;
    case SDLK_INSERT: return Key_Insert;
    case SDLK_DELETE: return Key_Delete;
    default: return 0;
    }
}

int MouseButtonCode(std::uint8_t sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return Key_LButton;
    case SDL_BUTTON_RIGHT: return Key_RButton;
    case SDL_BUTTON_MIDDLE: return Key_MButton;
    default: return 0;
    }
}

std::uint8_t CharacterForKey(int virtualKey) {
    switch (virtualKey) {
    case Key_Backspace:
    case Key_Tab:
    case Key_Return:
    case Key_Escape: return static_cast<std::uint8_t>(virtualKey);
    default: return 0;
    }
}

std::string Utf8ToLatin1(std::string_view utf8) {
    std::string result;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        int length = 0;
        std::uint32_t codePoint = 0;
        if (lead < 0x80) {
            length = 1;
            codePoint = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            ++i;  // A stray continuation byte or an invalid lead byte.
            continue;
        }
        bool complete = i + length <= utf8.size();
        for (int k = 1; complete && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                complete = false;
            } else {
                codePoint = (codePoint << 6) | (next & 0x3F);
            }
        }
        if (!complete) {
            ++i;  // Resynchronise on the next byte.
            continue;
        }
        i += length;
        if (codePoint <= 0xFF && (length == 1 || codePoint >= 0x80)) {
            result.push_back(static_cast<char>(codePoint));
        }
    }
    return result;
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string result;
    result.reserve(latin1.size());
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            result.push_back(c);
        } else {
            result.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            result.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return result;
}

std::uint16_t CoordinateHalf(int coordinate) {
    return static_cast<std::uint16_t>(coordinate & 0xFFFF);
}

Area ClipArea(const Area& area, int width, int height) {
    Area clipped;
    clipped.left = std::max(area.left, 0);
    clipped.top = std::max(area.top, 0);
    clipped.right = std::min(area.right, width);
    clipped.bottom = std::min(area.bottom, height);
    if (clipped.empty()) {
        return Area{};
    }
    return clipped;
}

Point CentreOn(const Area& owner, Size size) {
    return Point{owner.left + (owner.width() - size.width) / 2, owner.top + (owner.height() - size.height) / 2};
}

void CopyBgrToPacked32(const Surface& source, const Area& area, std::uint8_t* target, int targetPitch,
                       const PackedFormat& format) {
    if (area.empty()) {
        return;
    }
    const int width = area.width();
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint8_t* in = source.row(y) + std::ptrdiff_t(area.left) * 3;
        auto* out = target + std::ptrdiff_t(y) * targetPitch + std::ptrdiff_t(area.left) * 4;
        for (int x = 0; x < width; ++x, in += 3, out += 4) {
            const std::uint32_t pixel = (std::uint32_t(in[2]) << format.redShift) |
                                        (std::uint32_t(in[1]) << format.greenShift) |
                                        (std::uint32_t(in[0]) << format.blueShift) | format.alphaMask;
            std::memcpy(out, &pixel, sizeof pixel);
        }
    }
}

} // namespace platform
