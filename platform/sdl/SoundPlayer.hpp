#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// One voice on the default audio device, opened on the first play. Any
// thread may play. Without an audio device every play does nothing.
class SoundPlayer {
public:
    SoundPlayer();
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Plays a WAV file. Without `wait` it returns at once and is skipped while
    // another sound plays; with `wait` it stops the current sound and returns
    // when its own has finished. True when the sound was started.
    bool Play(const std::string& path, bool wait);
    // True while a sound is playing.
    bool Playing();

private:
    void openDevice();
    bool load(const std::string& path, std::vector<std::uint8_t>& samples);
    static void fill(void* user, std::uint8_t* stream, int length);

    std::mutex m_mutex;
    std::condition_variable m_finished;
    void* m_alsa = nullptr;
    bool m_subsystem = false;
    std::once_flag m_open;
    std::uint32_t m_device = 0;
    std::uint16_t m_format = 0;
    std::uint8_t m_channels = 0;
    int m_rate = 0;
    std::uint8_t m_silence = 0;

    std::vector<std::uint8_t> m_samples;
    std::size_t m_position = 0;
    bool m_playing = false;
    std::uint64_t m_generation = 0;
};

} // namespace platform
