#include "platform/media/sdl_player.h"

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>

namespace rv::media {

void ensure_mpg123();

namespace {
// About half a second of stereo audio at 44.1 kHz: bounded, and enough to ride out a
// slow disk.
constexpr std::size_t kBufferSamples = 44100;
}  // namespace

struct SdlPlayer::Session {
    std::string path;
    long rate = 0;
    int channels = 0;
    std::mutex mutex;
    std::condition_variable space;
    std::deque<std::int16_t> buffer;
    std::atomic<bool> cancel{false};
    std::atomic<bool> decode_done{false};
    std::atomic<bool> finished{false};  // the worker has returned
    std::atomic<bool> ended{false};     // EndOfStream was posted
    std::atomic<std::uint64_t> played_samples{0};
    std::atomic<double> duration{0};
};

namespace {

// The worker: scans the file for its exact length, then decodes into the bounded buffer.
void decode(const std::shared_ptr<SdlPlayer::Session>& s) {
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (h) {
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        mpg123_format_none(h);
        mpg123_format(h, s->rate, s->channels == 1 ? MPG123_MONO : MPG123_STEREO,
                      MPG123_ENC_SIGNED_16);
        if (mpg123_open(h, s->path.c_str()) == MPG123_OK) {
            if (mpg123_scan(h) == MPG123_OK) {
                off_t samples = mpg123_length(h);
                if (samples > 0) s->duration = static_cast<double>(samples) / s->rate;
            }
            std::vector<std::int16_t> chunk(4608);
            while (!s->cancel) {
                std::size_t bytes = 0;
                int r = mpg123_read(h, reinterpret_cast<unsigned char*>(chunk.data()),
                                    chunk.size() * sizeof(std::int16_t), &bytes);
                std::size_t n = bytes / sizeof(std::int16_t);
                if (n) {
                    std::unique_lock<std::mutex> lock(s->mutex);
                    if (s->buffer.size() + n > kBufferSamples)
                        s->space.wait(lock, [&] {
                            return s->cancel || s->buffer.size() < kBufferSamples / 2;
                        });
                    if (s->cancel) break;
                    s->buffer.insert(s->buffer.end(), chunk.begin(),
                                     chunk.begin() + static_cast<long>(n));
                }
                // A damaged stretch ends the file where it is; what was decoded still plays.
                if (r == MPG123_DONE || (r != MPG123_OK && r != MPG123_NEW_FORMAT && n == 0)) break;
            }
            mpg123_close(h);
        }
        mpg123_delete(h);
    }
    s->decode_done = true;
    s->finished = true;
}

}  // namespace

SdlPlayer::SdlPlayer(EventLoop& loop)
    : m_loop(loop), m_alive(std::make_shared<std::atomic<bool>>(true)) {}

SdlPlayer::~SdlPlayer() {
    *m_alive = false;
    if (m_device) SDL_CloseAudioDevice(m_device);  // waits for a running callback
    m_device = 0;
    end_session();
    reap_workers(true);
    if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::string SdlPlayer::driver() const {
    const char* d = SDL_WasInit(SDL_INIT_AUDIO) ? SDL_GetCurrentAudioDriver() : nullptr;
    return d ? d : "";
}

bool SdlPlayer::ensure_device(long rate, int channels) {
    if (m_device && rate == m_device_rate && channels == m_device_channels) return true;
    if (m_device) SDL_CloseAudioDevice(m_device);
    m_device = 0;
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        // No sound system at all: the dummy driver plays in real time all the same.
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = static_cast<int>(rate);
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = 4096;  // about 93 ms: fewer wake-ups, and pause still feels immediate
    want.callback = &SdlPlayer::audio_callback;
    want.userdata = this;
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!m_device && std::string(driver()) != "dummy") {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
            m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    }
    m_device_rate = m_device ? rate : 0;
    m_device_channels = m_device ? channels : 0;
    return m_device != 0;
}

void SdlPlayer::Open(const std::string& path) {
    Stop();
    m_path = path;
    m_probe_duration = 0;
    m_rate = 0;
    ensure_mpg123();
    // A quick look on this thread: is it MPEG audio, and in which format? The exact length
    // comes from the worker's scan.
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    long rate = 0;
    int channels = 0, encoding = 0;
    bool ok = false;
    if (h) {
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        if (mpg123_open(h, path.c_str()) == MPG123_OK) {
            ok = mpg123_getformat(h, &rate, &channels, &encoding) == MPG123_OK && rate > 0 &&
                 (channels == 1 || channels == 2);
            off_t estimate = ok ? mpg123_length(h) : 0;
            if (estimate > 0) m_probe_duration = static_cast<double>(estimate) / rate;
            mpg123_close(h);
        }
        mpg123_delete(h);
    }
    if (!ok || !ensure_device(rate, channels)) {
        m_probe_duration = 0;
        return;  // stays stopped
    }
    m_rate = rate;
    m_channels = channels;
    start_session();
}

void SdlPlayer::start_session() {
    reap_workers(false);
    auto s = std::make_shared<Session>();
    s->path = m_path;
    s->rate = m_rate;
    s->channels = m_channels;
    s->duration = m_probe_duration;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_session = s;
    }
    m_workers.push_back({s, std::thread([s] { decode(s); })});
    m_state = kPlaying;
    SDL_PauseAudioDevice(m_device, 0);
}

void SdlPlayer::end_session() {
    std::shared_ptr<Session> s;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        s.swap(m_session);
    }
    if (s) {
        // The file stays open: its scanned length is still what Duration reports.
        if (s->duration > 0) m_probe_duration = s->duration;
        s->cancel = true;
        std::lock_guard<std::mutex> lock(s->mutex);
        s->space.notify_all();
    }
}

void SdlPlayer::reap_workers(bool wait) {
    // Workers are not joined on the UI thread while busy: a cancelled one finishes its
    // current read (or scan) and returns by itself.
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (wait || it->session->finished) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

void SdlPlayer::Play() {
    if (m_state == kPaused) {
        m_state = kPlaying;
        SDL_PauseAudioDevice(m_device, 0);
    } else if (m_state == kStopped && m_rate > 0) {
        start_session();  // from the beginning again
    }
}

void SdlPlayer::Pause() {
    if (m_state != kPlaying) return;
    SDL_PauseAudioDevice(m_device, 1);
    m_state = kPaused;
}

void SdlPlayer::Stop() {
    if (m_device) SDL_PauseAudioDevice(m_device, 1);
    end_session();
    m_state = kStopped;
}

double SdlPlayer::CurrentPosition() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_session || m_session->rate <= 0) return 0;
    return static_cast<double>(m_session->played_samples) /
           (static_cast<double>(m_session->rate) * m_session->channels);
}

double SdlPlayer::Duration() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_session ? m_session->duration.load() : m_probe_duration;
}

void SdlPlayer::set_Volume(long v) {
    m_volume = clamp_volume(v);
    m_gain = static_cast<float>(volume_gain(m_volume));
}

void SdlPlayer::audio_callback(void* self, unsigned char* stream, int len) {
    static_cast<SdlPlayer*>(self)->fill(reinterpret_cast<std::int16_t*>(stream),
                                        static_cast<std::size_t>(len) / sizeof(std::int16_t));
}

void SdlPlayer::fill(std::int16_t* out, std::size_t samples) {
    std::fill(out, out + samples, 0);
    std::shared_ptr<Session> s;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        s = m_session;
    }
    if (!s) return;
    std::size_t got = 0;
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        got = std::min(samples, s->buffer.size());
        std::copy_n(s->buffer.begin(), got, out);
        s->buffer.erase(s->buffer.begin(), s->buffer.begin() + static_cast<long>(got));
        // The decoder refills in large steps: woken only once half the buffer has played.
        if (s->buffer.size() < kBufferSamples / 2) s->space.notify_one();
    }
    const float gain = m_gain;
    if (gain != 1.0f)
        for (std::size_t i = 0; i < got; ++i)
            out[i] = static_cast<std::int16_t>(std::lround(out[i] * gain));
    s->played_samples += got;
    if (on_device_samples && got) on_device_samples(out, got);
    if (got < samples && s->decode_done && !s->ended.exchange(true)) {
        // Played out: tell the UI thread, once, unless a Stop or Open came first.
        std::weak_ptr<Session> weak = s;
        auto alive = m_alive;
        m_loop.post([this, weak, alive] {
            if (!*alive) return;
            auto ended = weak.lock();
            if (!ended || ended != m_session) return;
            Stop();
            m_rate = ended->rate;  // Play starts the file again
            if (EndOfStream) EndOfStream();
        });
    }
}

}  // namespace rv::media
