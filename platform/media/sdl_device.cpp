#include "platform/media/sdl_device.h"

#include <SDL.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <mutex>

namespace rv::media {

namespace {

// About 46 ms at 44.1 kHz: the device thread wakes some 22 times a second, and a start or a
// pause is still heard within a blink (the first samples of a file come at the device's next
// wake, the last ones before a pause within one buffer).
constexpr int kDeviceFrames = 2048;

std::int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

extern "C" void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}

// The sound library's probing prints a screenful of errors on a machine without a sound
// card; the program says it once, in its own words, instead.
void silence_sound_library() {
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    void* alsa = ::dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (!alsa) return;  // kept loaded: the handler must outlive every use of the library
    auto set = reinterpret_cast<int (*)(Handler)>(::dlsym(alsa, "snd_lib_error_set_handler"));
    if (set) set(&quiet_alsa);
}

void say_silent_once() {
    static std::once_flag once;
    std::call_once(
        once, [] { std::fprintf(stderr, "ravelin: no sound device found; playback is silent\n"); });
}

bool init_audio() {
    if (SDL_WasInit(SDL_INIT_AUDIO)) return true;
    static std::once_flag once;
    std::call_once(once, [] {
        // The program handles Ctrl+C and SIGTERM itself.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        silence_sound_library();
    });
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) return true;
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    say_silent_once();
    return true;
}

bool is_dummy() {
    const char* d = SDL_GetCurrentAudioDriver();
    return d && SDL_strcmp(d, "dummy") == 0;
}

}  // namespace

SdlDevice::~SdlDevice() {
    close_device();
    if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::string SdlDevice::driver() const {
    const char* d = SDL_WasInit(SDL_INIT_AUDIO) ? SDL_GetCurrentAudioDriver() : nullptr;
    return d ? d : "";
}

bool SdlDevice::open(long rate, int channels, Pull pull) {
    if (m_device && rate == m_rate && channels == m_channels) {
        SDL_LockAudioDevice(m_device);
        m_pull = std::move(pull);
        SDL_UnlockAudioDevice(m_device);
        set_paused(true);
        return true;
    }
    close_device();
    m_pull = std::move(pull);
    if (!init_audio()) return false;
    if (!open_device(rate, channels) && !is_dummy()) {
        // A sound system without a usable device: play silently on the dummy driver.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        say_silent_once();
        open_device(rate, channels);
    }
    return m_device != 0;
}

bool SdlDevice::open_device(long rate, int channels) {
    SDL_AudioSpec want{}, have{};
    want.freq = static_cast<int>(rate);
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = kDeviceFrames;
    want.callback = &SdlDevice::callback;
    want.userdata = this;
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    m_rate = m_device ? rate : 0;
    m_channels = m_device ? channels : 0;
    return m_device != 0;
}

void SdlDevice::close_device() {
    if (m_device) SDL_CloseAudioDevice(m_device);  // waits for a running callback
    m_device = 0;
    m_rate = 0;
    m_channels = 0;
}

void SdlDevice::close() {
    close_device();
    m_pull = nullptr;
}

void SdlDevice::set_paused(bool paused) {
    if (!m_device) return;
    SDL_PauseAudioDevice(m_device, paused ? 1 : 0);
}

std::size_t SdlDevice::unplayed(std::size_t latest) const {
    if (m_rate <= 0) return 0;
    const double seconds = static_cast<double>(now_ns() - m_pulled_at_ns.load()) * 1e-9;
    const double played = seconds * static_cast<double>(m_rate) * m_channels;
    return played >= static_cast<double>(latest) ? 0 : latest - static_cast<std::size_t>(played);
}

void SdlDevice::callback(void* self, unsigned char* stream, int len) {
    auto* d = static_cast<SdlDevice*>(self);
    auto* out = reinterpret_cast<std::int16_t*>(stream);
    const auto count = static_cast<std::size_t>(len) / sizeof(std::int16_t);
    d->m_pulled_at_ns = now_ns();
    if (d->m_pull)
        d->m_pull(out, count);  // silence after the samples it had
    else
        SDL_memset(stream, 0, static_cast<std::size_t>(len));
}

}  // namespace rv::media
