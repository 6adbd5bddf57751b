#include "platform/sdl/Conversions.hpp"
#include "platform/CodePage1252.hpp"
#include "platform/KeyCodes.hpp"

#include <SDL_gamecontroller.h>
#include <SDL_keycode.h>
#include <SDL_mouse.h>

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

TEST(KeyMapping, NamedKeysGetTheirWindowsCodes) {
    const std::vector<std::pair<SDL_Keycode, int>> keys = {
        {SDLK_BACKSPACE, Key_Backspace}, {SDLK_TAB, Key_Tab},           {SDLK_RETURN, Key_Return},
        {SDLK_KP_ENTER, Key_Return},     {SDLK_LSHIFT, Key_Shift},      {SDLK_RSHIFT, Key_Shift},
        {SDLK_LCTRL, Key_Control},       {SDLK_RCTRL, Key_Control},     {SDLK_LALT, Key_Alt},
        {SDLK_RALT, Key_Alt},            {SDLK_PAUSE, Key_Pause},       {SDLK_CAPSLOCK, Key_CapsLock},
        {SDLK_ESCAPE, Key_Escape},       {SDLK_SPACE, Key_Space},       {SDLK_PAGEUP, Key_PageUp},
        {SDLK_PAGEDOWN, Key_PageDown},   {SDLK_END, Key_End},           {SDLK_HOME, Key_Home},
        {SDLK_LEFT, Key_Left},           {SDLK_UP, Key_Up},             {SDLK_RIGHT, Key_Right},
        {SDLK_DOWN, Key_Down},           {SDLK_INSERT, Key_Insert},     {SDLK_DELETE, Key_Delete},
        {SDLK_F1, Key_F1},               {SDLK_F12, Key_F12},
    };
    for (const auto& [sdl, windows] : keys) {
        EXPECT_EQ(VirtualKeyFromSdl(sdl), windows) << "SDL keycode " << sdl;
    }
}

TEST(KeyMapping, TheKeypadsSignsKeepTheirCodesAndPlusComesAlsoAsTheEqualsKey) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_PLUS), Key_Add);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_MINUS), Key_Subtract);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_PLUS), Key_Plus);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_EQUALS), Key_Plus);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_MINUS), Key_Minus);
}

TEST(KeyMapping, LettersDigitsAndFunctionKeysAreRanges) {
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(VirtualKeyFromSdl(SDLK_a + i), 'A' + i);
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(VirtualKeyFromSdl(SDLK_0 + i), '0' + i);
    }
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1 + i), Key_F1 + i);
    }
}

TEST(KeyMapping, KeysWithoutACodeGiveZero) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN), 0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F13), 0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_MENU), 0);
    EXPECT_EQ(VirtualKeyFromSdl('A'), 0);  // SDL keycodes of letters are lower case.
}

TEST(KeyMapping, MouseButtons) {
    EXPECT_EQ(MouseButtonCode(SDL_BUTTON_LEFT), Key_LButton);
    EXPECT_EQ(MouseButtonCode(SDL_BUTTON_RIGHT), Key_RButton);
    EXPECT_EQ(MouseButtonCode(SDL_BUTTON_MIDDLE), Key_MButton);
    EXPECT_EQ(MouseButtonCode(SDL_BUTTON_X1), 0);
}

TEST(TextConversion, Utf8BecomesCodePage1252Bytes) {
    EXPECT_EQ(Utf8ToCodePage1252("Hoop 42"), "Hoop 42");
    EXPECT_EQ(Utf8ToCodePage1252("\xC3\xA9"), "\xE9");
    EXPECT_EQ(Utf8ToCodePage1252("\xC2\xA0\xC3\xBF"), "\xA0\xFF");
    EXPECT_EQ(Utf8ToCodePage1252("\xC4\x80" "a"), "a");                   // A with macron has no byte.
    EXPECT_EQ(Utf8ToCodePage1252("\xF0\x9F\x8F\x80!"), "!");             // Four-byte sequence dropped whole.
}

TEST(TextConversion, TheUpperControlRangeHoldsCodePage1252Characters) {
    EXPECT_EQ(Utf8ToCodePage1252("a\xE2\x82\xAC" "b"), "a\x80" "b");             // U+20AC euro sign
    EXPECT_EQ(Utf8ToCodePage1252("\xE2\x80\x9C" "x\xE2\x80\x9D"), "\x93" "x\x94"); // curly double quotes
    EXPECT_EQ(Utf8ToCodePage1252("\xE2\x80\x93\xE2\x80\x94"), "\x96\x97");      // en and em dash
    EXPECT_EQ(Utf8ToCodePage1252("\xC5\xB8\xC5\xA0"), "\x9F\x8A");              // Y diaeresis, S caron
    EXPECT_EQ(CodePage1252ToUtf8("\x80" "5"), "\xE2\x82\xAC" "5");
    EXPECT_EQ(CodePage1252ToUtf8("\x85"), "\xE2\x80\xA6");                      // U+2026 ellipsis
    // The C1 control code points have no byte, and the five undefined bytes no character.
    EXPECT_EQ(Utf8ToCodePage1252("\xC2\x80\xC2\x81\xC2\x9F!"), "!");
    EXPECT_EQ(CodePage1252ToUtf8("a\x81\x8D\x8F\x90\x9D" "b"), "ab");
}

TEST(TextConversion, MalformedUtf8IsDroppedNotMisread) {
    EXPECT_EQ(Utf8ToCodePage1252("\x80x"), "x");              // Stray continuation byte.
    EXPECT_EQ(Utf8ToCodePage1252("x\xC3"), "x");              // Truncated at the end.
    EXPECT_EQ(Utf8ToCodePage1252("\xC3y"), "y");              // Lead byte without its continuation.
    EXPECT_EQ(Utf8ToCodePage1252("\xC1\x81"), "");            // Overlong 'A' in two bytes,
    EXPECT_EQ(Utf8ToCodePage1252("\xE0\x81\x81"), "");        // in three
    EXPECT_EQ(Utf8ToCodePage1252("\xF0\x80\x81\x81"), "");    // and in four.
    EXPECT_EQ(Utf8ToCodePage1252("\xE0\x82\x80"), "");        // Overlong U+0080.
    EXPECT_EQ(Utf8ToCodePage1252("\xFF" "z"), "z");
}

TEST(TextConversion, EveryDefinedByteRoundTripsThroughUtf8) {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        if (CodePage1252ToUnicode(std::uint8_t(c))) all.push_back(static_cast<char>(c));
    }
    ASSERT_EQ(all.size(), 250u);
    const std::string utf8 = CodePage1252ToUtf8(all);
    // ASCII in one byte and the rest of Latin-1 in two; of the bytes 0x80-0x9F, the ten whose
    // characters lie below U+0800 in two and the other seventeen in three.
    EXPECT_EQ(utf8.size(), 127u + 2u * 96u + 2u * 10u + 3u * 17u);
    EXPECT_EQ(Utf8ToCodePage1252(utf8), all);
}

namespace {

// A 4 x 3 source whose pixel (x, y) is blue x, green y, red 200 + x + y.
std::vector<std::uint8_t> sourcePixels(bool bottomUp, Surface& surface) {
    const int width = 4;
    const int height = 3;
    const int stride = 12 + 4;  // Padded rows, as bitmaps have.
    std::vector<std::uint8_t> bytes(std::size_t(stride) * height, 0xEE);
    surface = Surface{bytes.data(), width, height, stride, bottomUp};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = surface.row(y) + x * 3;
            p[0] = std::uint8_t(x);
            p[1] = std::uint8_t(y);
            p[2] = std::uint8_t(200 + x + y);
        }
    }
    return bytes;
}

} // namespace

TEST(PixelCopy, CopiesOnlyTheAreaInTheTargetLayout) {
    for (bool bottomUp : {false, true}) {
        Surface source;
        auto bytes = sourcePixels(bottomUp, source);
        std::vector<std::uint32_t> target(4 * 3, 0x12345678);
        CopyBgrToPacked32(source, Rect{1, 1, 3, 3}, reinterpret_cast<std::uint8_t*>(target.data()), 16,
                          PackedFormat{16, 8, 0, 0xFF000000});
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                const std::uint32_t pixel = target[std::size_t(y) * 4 + x];
                if (x >= 1 && x < 3 && y >= 1) {
                    const std::uint32_t expected = 0xFF000000u | (std::uint32_t(200 + x + y) << 16) |
                                                   (std::uint32_t(y) << 8) | std::uint32_t(x);
                    EXPECT_EQ(pixel, expected) << x << "," << y << " bottomUp " << bottomUp;
                } else {
                    EXPECT_EQ(pixel, 0x12345678u) << x << "," << y;
                }
            }
        }
    }
}

TEST(PixelCopy, HonoursOtherChannelOrders) {
    Surface source;
    auto bytes = sourcePixels(false, source);
    std::uint32_t target[12] = {};
    CopyBgrToPacked32(source, Rect{0, 0, 4, 3}, reinterpret_cast<std::uint8_t*>(target), 16,
                      PackedFormat{0, 8, 16, 0});
    EXPECT_EQ(target[1 * 4 + 2], (std::uint32_t(2) << 16) | (1u << 8) | 203u);
}

TEST(VideoDriver, DriversThatShowNothingCountOnlyWhenAskedFor) {
    EXPECT_TRUE(platform::RealDisplay("x11", nullptr));
    EXPECT_TRUE(platform::RealDisplay("wayland", "x11"));
    EXPECT_FALSE(platform::RealDisplay("offscreen", nullptr));
    EXPECT_FALSE(platform::RealDisplay("dummy", nullptr));
    EXPECT_FALSE(platform::RealDisplay("offscreen", "x11"));
    EXPECT_TRUE(platform::RealDisplay("offscreen", "offscreen"));
    EXPECT_TRUE(platform::RealDisplay("dummy", "dummy"));
    EXPECT_FALSE(platform::RealDisplay(nullptr, nullptr));
}

TEST(PadMapping, EveryControllerButtonAndAxisHasItsNameAndNothingElseHasOne) {
    const std::vector<std::pair<int, PadButton>> buttons = {
        {SDL_CONTROLLER_BUTTON_A, PadButton::A},
        {SDL_CONTROLLER_BUTTON_B, PadButton::B},
        {SDL_CONTROLLER_BUTTON_X, PadButton::X},
        {SDL_CONTROLLER_BUTTON_Y, PadButton::Y},
        {SDL_CONTROLLER_BUTTON_BACK, PadButton::Back},
        {SDL_CONTROLLER_BUTTON_GUIDE, PadButton::Guide},
        {SDL_CONTROLLER_BUTTON_START, PadButton::Start},
        {SDL_CONTROLLER_BUTTON_LEFTSTICK, PadButton::LeftStick},
        {SDL_CONTROLLER_BUTTON_RIGHTSTICK, PadButton::RightStick},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PadButton::LeftShoulder},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, PadButton::RightShoulder},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, PadButton::Up},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PadButton::Down},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PadButton::Left},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PadButton::Right},
    };
    for (const auto& [sdl, button] : buttons)
        EXPECT_EQ(PadButtonFromSdl(sdl), button) << "SDL button " << sdl;
    // The extra buttons of some pads, SDL's invalid one and whatever a broken event carries.
    for (const int other : {int(SDL_CONTROLLER_BUTTON_MISC1), int(SDL_CONTROLLER_BUTTON_PADDLE1),
                            int(SDL_CONTROLLER_BUTTON_TOUCHPAD), int(SDL_CONTROLLER_BUTTON_MAX),
                            int(SDL_CONTROLLER_BUTTON_INVALID), 255, -128})
        EXPECT_EQ(PadButtonFromSdl(other), PadButton::None) << "SDL button " << other;

    const std::vector<std::pair<int, PadAxis>> axes = {
        {SDL_CONTROLLER_AXIS_LEFTX, PadAxis::LeftX},
        {SDL_CONTROLLER_AXIS_LEFTY, PadAxis::LeftY},
        {SDL_CONTROLLER_AXIS_RIGHTX, PadAxis::RightX},
        {SDL_CONTROLLER_AXIS_RIGHTY, PadAxis::RightY},
        {SDL_CONTROLLER_AXIS_TRIGGERLEFT, PadAxis::LeftTrigger},
        {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, PadAxis::RightTrigger},
    };
    for (const auto& [sdl, axis] : axes) EXPECT_EQ(PadAxisFromSdl(sdl), axis) << "SDL axis " << sdl;
    for (const int other : {int(SDL_CONTROLLER_AXIS_MAX), int(SDL_CONTROLLER_AXIS_INVALID), 255, -128})
        EXPECT_EQ(PadAxisFromSdl(other), PadAxis::None) << "SDL axis " << other;
}
