#include "platform/sdl/SoundPlayer.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace platform {
namespace {

void quietAlsaError(const char*, int, const char*, int, const char*, ...) {}

// libasound reports a missing sound card on stderr by itself, while a program
// without a sound device must stay silent: its error reporter is replaced by
// a quiet one before SDL loads the same library.
void* silenceAlsa() {
    void* library = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (library == nullptr) {
        return nullptr;
    }
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto setHandler = reinterpret_cast<SetHandler>(dlsym(library, "snd_lib_error_set_handler"))) {
        setHandler(&quietAlsaError);
    }
    return library;
}

// SDL keeps per-thread storage (its error text) for threads it did not start and frees it only
// when asked. Frame threads play sounds, so each one that did asks as it ends.
struct SdlThreadStorage {
    ~SdlThreadStorage() { SDL_TLSCleanup(); }
};

void freeSdlStorageAtThreadEnd() {
    static thread_local SdlThreadStorage storage;
    (void)storage;
}

} // namespace

SoundPlayer::SoundPlayer() {
    m_alsa = silenceAlsa();
    // Initialised here, on the constructing thread, so that no other thread races
    // SDL's subsystem bookkeeping; the device itself opens on the first play.
    m_subsystem = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

SoundPlayer::~SoundPlayer() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
    }
    if (m_subsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (m_alsa != nullptr) {
        dlclose(m_alsa);
    }
}

void SoundPlayer::openDevice() {
    if (!m_subsystem) {
        return;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = &SoundPlayer::fill;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_ANY_CHANGE);
    if (m_device == 0) {
        return;
    }
    m_format = obtained.format;
    m_channels = obtained.channels;
    m_rate = obtained.freq;
    m_silence = obtained.silence;
    SDL_PauseAudioDevice(m_device, 0);
}

bool SoundPlayer::load(const std::string& path, std::vector<std::uint8_t>& samples) {
    SDL_AudioSpec source{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(path.c_str(), &source, &buffer, &length) == nullptr) {
        return false;
    }
    SDL_AudioCVT convert{};
    const int built =
        SDL_BuildAudioCVT(&convert, source.format, source.channels, source.freq, m_format, m_channels, m_rate);
    if (built < 0) {
        SDL_FreeWAV(buffer);
        return false;
    }
    samples.assign(std::size_t(length) * std::size_t(std::max(convert.len_mult, 1)), 0);
    std::memcpy(samples.data(), buffer, length);
    SDL_FreeWAV(buffer);
    if (built == 0) {
        samples.resize(length);
        return true;
    }
    convert.buf = samples.data();
    convert.len = static_cast<int>(length);
    if (SDL_ConvertAudio(&convert) != 0) {
        return false;
    }
    samples.resize(std::size_t(convert.len_cvt));
    return true;
}

bool SoundPlayer::Play(const std::string& path, bool wait) {
    freeSdlStorageAtThreadEnd();
    // Opened outside m_mutex: SDL takes the device's own lock there, and the
    // device's thread holds that lock while it waits for m_mutex in fill().
    std::call_once(m_open, [this] { openDevice(); });
    if (m_device == 0) {
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_playing && !wait) {
            return false;
        }
    }
    // Loading runs unlocked so that a long file does not hold up the voice.
    std::vector<std::uint8_t> samples;
    if (!load(path, samples) || samples.empty()) {
        return false;
    }
    std::unique_lock lock(m_mutex);
    if (m_playing && !wait) {
        return false;
    }
    m_samples = std::move(samples);
    m_position = 0;
    m_playing = true;
    const std::uint64_t generation = ++m_generation;
    if (wait) {
        // A later waiting play supersedes this one, which then returns too.
        m_finished.wait(lock, [&] { return !m_playing || m_generation != generation; });
    }
    return true;
}

bool SoundPlayer::Playing() {
    std::lock_guard lock(m_mutex);
    return m_playing;
}

void SoundPlayer::fill(void* user, std::uint8_t* stream, int length) {
    auto* self = static_cast<SoundPlayer*>(user);
    std::size_t copied = 0;
    {
        std::lock_guard lock(self->m_mutex);
        if (self->m_playing) {
            copied = std::min(std::size_t(length), self->m_samples.size() - self->m_position);
            std::memcpy(stream, self->m_samples.data() + self->m_position, copied);
            self->m_position += copied;
            if (self->m_position >= self->m_samples.size()) {
                self->m_playing = false;
                self->m_finished.notify_all();
            }
        }
    }
    std::memset(stream + copied, self->m_silence, std::size_t(length) - copied);
}

} // namespace platform
