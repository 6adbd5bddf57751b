#include "platform/sdl/X11Buttons.hpp"

#include <SDL.h>

#include <gtest/gtest.h>

using namespace platform;

// The release handed to SDL must carry the number SDL reads back as the same button; the X
// server's 4 to 7 are the wheel, which SDL never counts as held.
TEST(X11Buttons, EverySdlButtonMapsToTheNumberSdlReadsBackAndNothingElseMaps) {
    EXPECT_EQ(X11ButtonFromSdl(SDL_BUTTON_LEFT), 1);
    EXPECT_EQ(X11ButtonFromSdl(SDL_BUTTON_MIDDLE), 2);
    EXPECT_EQ(X11ButtonFromSdl(SDL_BUTTON_RIGHT), 3);
    EXPECT_EQ(X11ButtonFromSdl(SDL_BUTTON_X1), 8);
    EXPECT_EQ(X11ButtonFromSdl(SDL_BUTTON_X2), 9);
    EXPECT_EQ(X11ButtonFromSdl(0), 0);
    EXPECT_EQ(X11ButtonFromSdl(SDL_BUTTON_X2 + 1), 0);
}

TEST(X11Buttons, NoWindowGetsNoRelease) {
    EXPECT_FALSE(ReleaseButtonsOn(nullptr, SDL_BUTTON_LMASK));
}
