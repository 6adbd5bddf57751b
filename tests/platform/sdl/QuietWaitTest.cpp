#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/sdl/QuietWait.hpp"

using platform::QuietWait;

namespace {

// SDL's joysticks and events with one virtual joystick plugged in, as when a player has a
// controller: the case in which SDL's own wait reads them every millisecond.
class QuietWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = 2;
        desc.nbuttons = 2;
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(index, 0) << SDL_GetError();
        hand = SDL_JoystickOpen(index);
        ASSERT_NE(hand, nullptr) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override {
        if (hand != nullptr) {
            const SDL_JoystickID id = SDL_JoystickInstanceID(hand);
            SDL_JoystickClose(hand);
            for (int i = 0; i < SDL_NumJoysticks(); ++i)
                if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        }
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_EVENTS);
    }
    // The next event of the type, from Wait alone.
    SDL_Event WaitFor(QuietWait& wait, std::uint32_t type) {
        SDL_Event event{};
        do wait.Wait(event, nullptr);
        while (event.type != type);
        return event;
    }

    SDL_Joystick* hand = nullptr;
};

TEST_F(QuietWaitTest, AButtonPressedDuringTheWaitIsReadWithoutWakingEveryMillisecond) {
    QuietWait wait;
    ASSERT_TRUE(wait.Usable());
    const auto start = std::chrono::steady_clock::now();
    std::thread player([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        SDL_JoystickSetVirtualButton(hand, 1, SDL_PRESSED);
    });
    const SDL_Event down = WaitFor(wait, SDL_JOYBUTTONDOWN);
    player.join();
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    EXPECT_EQ(down.jbutton.button, 1);
    // Each sleep lasts a whole period unless something arrives, so the sleeps never outnumber
    // the periods that passed: no spinning.
    EXPECT_GE(wait.Sleeps(), 1u);
    EXPECT_LE(wait.Sleeps(), std::uint64_t(waited / QuietWait::kJoystickPeriod + 2)) << waited << " ms";
}

TEST_F(QuietWaitTest, AnEventPushedFromAnotherThreadWithAWakeEndsTheWait) {
    QuietWait wait;
    const std::uint32_t type = SDL_RegisterEvents(1);
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        SDL_Event posted{};
        posted.type = type;
        posted.user.code = 42;
        SDL_PushEvent(&posted);
        wait.Wake();
    });
    const SDL_Event got = WaitFor(wait, type);
    poster.join();
    EXPECT_EQ(got.user.code, 42);
}

} // namespace
