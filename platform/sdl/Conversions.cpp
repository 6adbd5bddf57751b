#include "platform/sdl/Conversions.hpp"

#include <SDL_gamecontroller.h>
#include <SDL_keycode.h>
#include <SDL_mouse.h>

#include <algorithm>
#include <cstring>

#include "platform/CodePage1252.hpp"
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
    case SDLK_KP_PLUS: return Key_Add;
    case SDLK_KP_MINUS: return Key_Subtract;
    case SDLK_PLUS: return Key_Plus;
    case SDLK_EQUALS: return Key_Plus; // + unshifted, on layouts that shift = for it
    case SDLK_MINUS: return Key_Minus;
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

PadButton PadButtonFromSdl(int sdlButton) {
    switch (sdlButton) {
    case SDL_CONTROLLER_BUTTON_A:
        return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B:
        return PadButton::B;
    case SDL_CONTROLLER_BUTTON_X:
        return PadButton::X;
    case SDL_CONTROLLER_BUTTON_Y:
        return PadButton::Y;
    case SDL_CONTROLLER_BUTTON_BACK:
        return PadButton::Back;
    case SDL_CONTROLLER_BUTTON_GUIDE:
        return PadButton::Guide;
    case SDL_CONTROLLER_BUTTON_START:
        return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_LEFTSTICK:
        return PadButton::LeftStick;
    case SDL_CONTROLLER_BUTTON_RIGHTSTICK:
        return PadButton::RightStick;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
        return PadButton::LeftShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
        return PadButton::RightShoulder;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return PadButton::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return PadButton::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return PadButton::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return PadButton::Right;
    default:
        return PadButton::None; // The extra buttons some pads have (paddles, touchpad, share).
    }
}

PadAxis PadAxisFromSdl(int sdlAxis) {
    switch (sdlAxis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
        return PadAxis::LeftX;
    case SDL_CONTROLLER_AXIS_LEFTY:
        return PadAxis::LeftY;
    case SDL_CONTROLLER_AXIS_RIGHTX:
        return PadAxis::RightX;
    case SDL_CONTROLLER_AXIS_RIGHTY:
        return PadAxis::RightY;
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
        return PadAxis::LeftTrigger;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
        return PadAxis::RightTrigger;
    default:
        return PadAxis::None;
    }
}

std::string Utf8ToCodePage1252(std::string_view utf8) {
    // The smallest code point each sequence length may carry; a longer form is overlong.
    constexpr std::uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
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
        if (codePoint < kLeast[length]) {
            continue;
        }
        if (const auto byte = UnicodeToCodePage1252(codePoint)) {
            result.push_back(static_cast<char>(*byte));
        }
    }
    return result;
}

std::string CodePage1252ToUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        const auto codePoint = CodePage1252ToUnicode(static_cast<std::uint8_t>(c));
        if (!codePoint) {
            continue;
        }
        const std::uint32_t u = *codePoint;
        if (u < 0x80) {
            result.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (u >> 6)));
            result.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            // The code page's characters all lie below U+10000.
            result.push_back(static_cast<char>(0xE0 | (u >> 12)));
            result.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return result;
}

bool RealDisplay(const char* driver, const char* asked) {
    if (driver == nullptr) return false;
    const std::string_view name = driver;
    if (name != "offscreen" && name != "dummy") return true;
    return asked != nullptr && name == asked;
}

void CopyBgrToPacked32(const Surface& source, const Rect& area, std::uint8_t* target, int targetPitch,
                       const PackedFormat& format) {
    if (area.IsEmpty()) {
        return;
    }
    const int width = static_cast<int>(area.Width());
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
