#include "platform/media/sdl_player.h"

#include <mpg123.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <utility>

#include "platform/media/mp3_file.h"
#include "platform/media/sdl_device.h"

namespace rv::media {

namespace {
// About half a second of stereo audio at 44.1 kHz: bounded, and enough to ride out a
// slow disk.
constexpr std::size_t kBufferSamples = 44100;
// How long a paused or stopped device stays open: long enough to go from one track to the
// next, or to resume at once, without opening it again.
constexpr int kReleaseMs = 3000;

bool same_file(int a, int b) {
    struct stat sa {
    }, sb{};
    return ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}
}  // namespace

struct SdlPlayer::Session {
    long rate = 0;
    int channels = 0;
    std::atomic<bool> cancel{false};
    std::atomic<double> duration{0};
    std::atomic<bool> scanned{false};       // duration is the full-length scan's
    std::atomic<std::uint64_t> decoded{0};  // samples the decoder has put in the buffer
    std::mutex mutex;                       // guards everything below
    std::condition_variable space;
    std::deque<std::int16_t> buffer;
    bool decode_done = false;
    bool ended = false;           // EndOfStream was posted
    std::uint64_t handed = 0;     // samples handed to the device
    std::size_t latest_pull = 0;  // of them, in the latest pull
};

namespace {

// The decoder and the file it reads, let go of in that order.
struct Source {
    FileHandle file;
    Decoder decoder;
};

double seconds_of(const SdlPlayer::Session& s, std::uint64_t samples) {
    return static_cast<double>(samples) / (static_cast<double>(s.rate) * s.channels);
}

// Lengthens, never shortens: several threads learn of more audio than was thought.
void raise_duration(SdlPlayer::Session& s, double seconds) {
    double now = s.duration.load();
    while (now < seconds && !s.duration.compare_exchange_weak(now, seconds)) {
    }
}

// Decodes into the bounded buffer until the file ends or the session is cancelled. A file
// that has grown since its length was scanned plays on, and is as long as what was decoded.
void decode(const std::shared_ptr<SdlPlayer::Session>& s, Source source) {
    std::vector<std::int16_t> chunk(4608);
    mpg123_handle* h = source.decoder.get();
    while (!s->cancel) {
        std::size_t bytes = 0;
        const int r = mpg123_read(h, reinterpret_cast<unsigned char*>(chunk.data()),
                                  chunk.size() * sizeof(std::int16_t), &bytes);
        const std::size_t n = bytes / sizeof(std::int16_t);
        if (n) {
            std::unique_lock<std::mutex> lock(s->mutex);
            if (s->buffer.size() + n > kBufferSamples)
                s->space.wait(lock,
                              [&] { return s->cancel || s->buffer.size() < kBufferSamples / 2; });
            if (s->cancel) break;
            s->buffer.insert(s->buffer.end(), chunk.begin(), chunk.begin() + static_cast<long>(n));
            const std::uint64_t decoded = s->decoded += n;
            if (s->scanned) raise_duration(*s, seconds_of(*s, decoded));
        }
        if (r == MPG123_DONE || (r != MPG123_OK && r != MPG123_NEW_FORMAT && n == 0)) break;
    }
    std::lock_guard<std::mutex> lock(s->mutex);
    s->decode_done = true;
}

// The exact length, found beside playback; the file is scanned as it was when the scan began.
void scan(const std::shared_ptr<SdlPlayer::Session>& s, const FileHandle& file) {
    ReadOptions reading;
    reading.cancel = &s->cancel;
    double seconds = 0;
    if (!scan_seconds(file.get(), reading, seconds)) return;
    s->duration = std::max(seconds, seconds_of(*s, s->decoded));
    s->scanned = true;
}

}  // namespace

SdlPlayer::SdlPlayer(EventLoop& loop, std::unique_ptr<AudioDevice> device)
    : m_loop(loop),
      m_device(device ? std::move(device) : std::make_unique<SdlDevice>()),
      m_alive(std::make_shared<std::atomic<bool>>(true)) {}

SdlPlayer::~SdlPlayer() {
    keep_device();
    *m_alive = false;
    m_device.reset();  // waits for a running pull
    end_session();
    reap_workers(true);
}

bool SdlPlayer::fail(std::string why) {
    m_open_error = std::move(why);
    m_playable = false;
    m_duration = 0;
    return false;
}

bool SdlPlayer::Open(const std::string& path) {
    Stop();
    m_path = path;
    m_duration = 0;
    m_open_error.clear();
    m_playable = true;
    return start();
}

// Opens the file afresh and starts it from its beginning. Only quick work happens here: the
// file is checked to be a regular one without blocking, and its first frames are read.
bool SdlPlayer::start() {
    reap_workers(false);
    std::string error;
    FileHandle fd = open_regular_file(m_path, error);
    FileHandle scan_fd = fd ? open_regular_file(m_path, error) : FileHandle{};
    if (!fd || !scan_fd) return fail(error);
    if (!same_file(fd.get(), scan_fd.get())) return fail("changed while opening");
    auto s = std::make_shared<Session>();
    // Every read of the session's workers fails once it is cancelled, so a Stop or the next
    // Open ends them within a block's read, wherever they are in the file.
    ReadOptions reading;
    reading.cancel = &s->cancel;
    Decoder h(fd.get(), reading);
    if (!h) return fail("not an MP3 file");
    const StreamFormat f = read_format(h.get());
    if (!f.ok) return fail("not an MP3 file");
    // Frames at another rate later on are resampled to this one.
    mpg123_format_none(h.get());
    mpg123_format(h.get(), f.rate, f.channels == 1 ? MPG123_MONO : MPG123_STEREO,
                  MPG123_ENC_SIGNED_16);
    keep_device();
    m_released = false;
    if (!m_device->open(f.rate, f.channels, source())) return fail("no sound output");

    s->rate = f.rate;
    s->channels = f.channels;
    s->duration = m_duration > 0 ? m_duration : f.estimate;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_session = s;
    }
    auto playing = std::make_shared<Source>(Source{std::move(fd), std::move(h)});
    spawn([s, playing] { decode(s, std::move(*playing)); });
    auto scanned = std::make_shared<FileHandle>(std::move(scan_fd));
    spawn([s, scanned] { scan(s, *scanned); });
    m_state = kPlaying;
    m_device->set_paused(false);
    return true;
}

void SdlPlayer::spawn(std::function<void()> work) {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    m_workers.push_back({finished, std::thread([finished, work = std::move(work)] {
                             work();
                             *finished = true;
                         })});
}

void SdlPlayer::end_session() {
    std::shared_ptr<Session> s;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        s.swap(m_session);
    }
    if (!s) return;
    // The file stays open: its scanned length is still what Duration reports.
    if (s->duration > 0) m_duration = s->duration;
    s->cancel = true;
    std::lock_guard<std::mutex> lock(s->mutex);
    s->space.notify_all();
}

void SdlPlayer::reap_workers(bool wait) {
    // A cancelled worker finishes its current read (or frame) and returns by itself: it is
    // not waited for on the UI thread.
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (wait || *it->finished) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

AudioDevice::Pull SdlPlayer::source() {
    return [this](std::int16_t* out, std::size_t n) { fill(out, n); };
}

void SdlPlayer::release_device_later() {
    if (m_release || m_released) return;
    m_release = m_loop.start_timer(kReleaseMs, [this] {
        keep_device();
        if (m_state == kPlaying || m_released) return;
        m_device->close();
        m_released = true;
    });
}

void SdlPlayer::keep_device() {
    if (m_release) m_loop.stop_timer(std::exchange(m_release, 0));
}

void SdlPlayer::Play() {
    if (m_state == kPaused) {
        keep_device();
        if (m_released) {
            std::shared_ptr<Session> s;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                s = m_session;
            }
            // No device now: stopped, and the next Play tries again from the start.
            if (!s || !m_device->open(s->rate, s->channels, source())) {
                m_open_error = "no sound output";
                Stop();
                return;
            }
            m_released = false;
        }
        m_state = kPlaying;
        m_device->set_paused(false);
    } else if (m_state == kStopped && m_playable) {
        start();  // from the beginning again
    }
}

void SdlPlayer::Pause() {
    if (m_state != kPlaying) return;
    m_paused_at = CurrentPosition();
    m_device->set_paused(true);
    m_state = kPaused;
    release_device_later();
}

void SdlPlayer::Stop() {
    if (!m_released) m_device->set_paused(true);
    end_session();
    m_state = kStopped;
    release_device_later();
}

double SdlPlayer::heard_seconds(Session& s) const {
    std::uint64_t handed = 0;
    std::size_t latest = 0;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        handed = s.handed;
        latest = s.latest_pull;
    }
    // What the device still holds has not been heard yet.
    const std::uint64_t heard =
        handed - std::min<std::uint64_t>(handed, m_device->unplayed(latest));
    return static_cast<double>(heard) / (static_cast<double>(s.rate) * s.channels);
}

double SdlPlayer::CurrentPosition() const {
    if (m_state == kPaused) return m_paused_at;
    std::shared_ptr<Session> s;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        s = m_session;
    }
    return s && s->rate > 0 ? heard_seconds(*s) : 0;
}

double SdlPlayer::Duration() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_session ? m_session->duration.load() : m_duration;
}

void SdlPlayer::set_Volume(long v) {
    m_volume = clamp_volume(v);
    m_gain = static_cast<float>(volume_gain(m_volume));
}

void SdlPlayer::fill(std::int16_t* out, std::size_t count) {
    std::fill(out, out + count, 0);
    std::shared_ptr<Session> s;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        s = m_session;
    }
    if (!s) return;
    std::size_t got = 0;
    bool end = false;
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        got = std::min(count, s->buffer.size());
        std::copy_n(s->buffer.begin(), got, out);
        s->buffer.erase(s->buffer.begin(), s->buffer.begin() + static_cast<long>(got));
        // The decoder refills in large steps: woken only once half the buffer has played.
        if (s->buffer.size() < kBufferSamples / 2) s->space.notify_one();
        s->handed += got;
        s->latest_pull = got;
        // This pull found nothing left and the decoder done: the samples of the pull before,
        // the last ones, have played.
        end = got == 0 && s->decode_done && !s->ended;
        if (end) s->ended = true;
    }
    const float gain = m_gain;
    if (gain != 1.0f)
        for (std::size_t i = 0; i < got; ++i)
            out[i] = static_cast<std::int16_t>(std::lround(out[i] * gain));
    if (on_device_samples && got) on_device_samples(out, got);
    if (end) post_end(s);
}

void SdlPlayer::post_end(const std::shared_ptr<Session>& s) {
    // Tell the UI thread, once, unless a Stop or Open came first.
    std::weak_ptr<Session> weak = s;
    auto alive = m_alive;
    m_loop.post([this, weak, alive] {
        if (!*alive) return;
        auto ended = weak.lock();
        if (!ended || ended != m_session) return;
        // Played to its end before the length scan was done, or past it as the file grew:
        // what was played is the length.
        {
            std::lock_guard<std::mutex> lock(ended->mutex);
            const double played = seconds_of(*ended, ended->handed);
            if (!ended->scanned) ended->duration = played;
            raise_duration(*ended, played);
        }
        Stop();
        if (EndOfStream) EndOfStream();
    });
}

}  // namespace rv::media
