#include "platform/sdl/SdlPlatform.hpp"
#include "platform/sdl/SoundPlayer.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

using platform::SoundPlayer;

namespace {

void put(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Writes a PCM WAV file of a square tone lasting `milliseconds`.
std::string writeWav(const std::string& name, int rate, int channels, int bits, int milliseconds) {
    const std::string path =
        (std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()) + ".wav")).string();
    const int frames = rate * milliseconds / 1000;
    const int frameBytes = channels * bits / 8;
    const std::uint32_t dataBytes = std::uint32_t(frames * frameBytes);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    put(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, std::uint32_t(channels), 2);
    put(out, std::uint32_t(rate), 4);
    put(out, std::uint32_t(rate * frameBytes), 4);
    put(out, std::uint32_t(frameBytes), 2);
    put(out, std::uint32_t(bits), 2);
    out.write("data", 4);
    put(out, dataBytes, 4);
    for (int f = 0; f < frames; ++f) {
        const bool high = (f / 20) % 2 == 0;
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) {
                put(out, high ? 0xC0 : 0x40, 1);
            } else {
                put(out, high ? 0x2000 : 0xE000, 2);
            }
        }
    }
    return path;
}

class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_long = writeWav("long", 22050, 1, 16, 2000);
        m_short = writeWav("short", 22050, 2, 16, 60);
        m_eightBit = writeWav("eight", 11025, 1, 8, 60);
    }
    void TearDown() override {
        for (const auto& path : {m_long, m_short, m_eightBit}) {
            std::filesystem::remove(path);
        }
        ::unsetenv("SDL_AUDIODRIVER");
        ::unsetenv("SDL_DISKAUDIOFILE");
    }
    std::string m_long;
    std::string m_short;
    std::string m_eightBit;
};

} // namespace

TEST_F(SoundPlayerTest, OneVoiceSkipsAsyncPlaysAndWaitingPlaysFinish) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    SoundPlayer player;
    ASSERT_TRUE(player.Play(m_long, false));
    EXPECT_TRUE(player.Playing());
    EXPECT_FALSE(player.Play(m_short, false));  // Skipped: the voice is busy.
    EXPECT_TRUE(player.Playing());

    // A waiting play takes the voice over and returns once its sound has ended.
    EXPECT_TRUE(player.Play(m_short, true));
    EXPECT_FALSE(player.Playing());
    EXPECT_TRUE(player.Play(m_short, false));  // The voice is free again.
}

TEST_F(SoundPlayerTest, ConvertsOtherFormatsAndIgnoresMissingFiles) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    SoundPlayer player;
    EXPECT_TRUE(player.Play(m_eightBit, true));
    EXPECT_FALSE(player.Play("/nonexistent/sound.wav", false));
    EXPECT_FALSE(player.Play("/nonexistent/sound.wav", true));
    EXPECT_FALSE(player.Playing());
}

TEST_F(SoundPlayerTest, PlaysFromManyThreadsAtOnce) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    SoundPlayer player;
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i) {
        threads.emplace_back([&, i] { player.Play(m_short, i % 3 == 0); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_TRUE(player.Play(m_short, true));
    EXPECT_FALSE(player.Playing());
}

TEST_F(SoundPlayerTest, WithoutADevicePlaysNothingAndSaysNothing) {
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", "/nonexistent-folder-for-hoopstack/audio.raw", 1);
    testing::internal::CaptureStderr();
    {
        SoundPlayer player;
        EXPECT_FALSE(player.Play(m_short, false));
        EXPECT_FALSE(player.Play(m_short, true));
        EXPECT_FALSE(player.Playing());
    }
    {
        // ALSA itself reports a card that does not exist, unless it is silenced.
        ::setenv("SDL_AUDIODRIVER", "alsa", 1);
        ::setenv("AUDIODEV", "hw:99", 1);
        SoundPlayer player;
        EXPECT_FALSE(player.Play(m_short, true));
        ::unsetenv("AUDIODEV");
    }
    {
        ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        platform::SdlPlatform platform((std::filesystem::temp_directory_path() / "sound-test.lock").string());
        platform.PlaySound(m_short, true);
        platform.PlaySound(m_short, false);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SdlMessage, WithoutADisplayTheMessageGoesToStandardError) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    {
        platform::SdlPlatform platform((std::filesystem::temp_directory_path() / "message-test.lock").string());
        platform.ShowMessage("Could not read clip", "Hoopstack \xE9");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Hoopstack \xC3\xA9: Could not read clip\n");
    if (display != nullptr) {
        ::setenv("DISPLAY", saved.c_str(), 1);
    }
}
