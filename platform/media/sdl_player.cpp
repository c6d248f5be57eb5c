#include "platform/media/sdl_player.h"

#include <mpg123.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>

#include "platform/media/mp3_file.h"
#include "platform/media/output_device.h"
#include "platform/media/spsc_ring.h"

namespace rv::media {

namespace {
// About 0.75 s of stereo audio at 44.1 kHz (128 KiB): bounded, and above the low-water mark
// it still holds more than the sound server asks for at once.
constexpr std::size_t kRingSamples = 1 << 16;
// The decoder sleeps until the ring is down to half, then fills it in one go: it wakes about
// three times a second while playing.
constexpr std::size_t kLowWater = kRingSamples / 2;
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

// The device thread touches only the ring and the atomics; everything it needs is allocated
// here, on the UI thread, before the session is handed to it.
struct SdlPlayer::Session {
    Session() : ring(kRingSamples), wake(::eventfd(0, EFD_CLOEXEC)) {}
    ~Session() {
        if (wake >= 0) ::close(wake);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    long rate = 0;
    int channels = 0;
    double start_s = 0;  // where in the file the decoder began: every count starts there
    std::atomic<bool> cancel{false};
    std::atomic<double> duration{0};
    std::atomic<bool> scanned{false};       // duration is the full-length scan's
    std::atomic<std::uint64_t> decoded{0};  // samples the decoder has put in the ring
    SpscRing ring;
    // The decoder sleeps on this counter; the device thread adds to it when the ring has
    // fallen below `wake_below` and the decoder asked to be woken (`hungry`), and so does a
    // cancel.
    int wake;
    std::atomic<bool> hungry{false};
    std::atomic<std::size_t> wake_below{kLowWater};
    std::atomic<bool> decode_done{false};
    std::atomic<bool> drained{false};         // a pull found nothing left after decode_done
    std::atomic<std::uint64_t> handed{0};     // samples handed to the device
    std::atomic<std::size_t> latest_pull{0};  // of them, in the latest pull
    std::atomic<std::uint64_t> underruns{0};  // pulls that found the ring short mid-file
    bool ended = false;                       // EndOfStream was posted (UI thread)
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

void wake(SdlPlayer::Session& s) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(s.wake, &one, sizeof one);
}

// Sleeps until the ring holds fewer than `below` samples or the session is cancelled. The
// flag is raised before the ring is looked at, and the device thread looks at the ring before
// the flag, so a wake cannot fall between the two.
void sleep_until_below(SdlPlayer::Session& s, std::size_t below) {
    s.wake_below = below;
    while (!s.cancel) {
        s.hungry = true;
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (s.ring.size() < below || s.cancel) return;
        std::uint64_t count = 0;
        if (::read(s.wake, &count, sizeof count) < 0 && errno != EINTR) return;
    }
}

// Decodes into the ring until the file ends or the session is cancelled. A file that has
// grown since its length was scanned plays on, and is as long as what was decoded.
void decode(const std::shared_ptr<SdlPlayer::Session>& s, Source source, EventLoop& loop,
            std::function<void()> on_drained) {
    std::vector<std::int16_t> chunk(4608);
    mpg123_handle* h = source.decoder.get();
    while (!s->cancel) {
        std::size_t bytes = 0;
        const int r = mpg123_read(h, reinterpret_cast<unsigned char*>(chunk.data()),
                                  chunk.size() * sizeof(std::int16_t), &bytes);
        const std::size_t n = bytes / sizeof(std::int16_t);
        for (std::size_t put = 0; put < n && !s->cancel;) {
            put += s->ring.push(chunk.data() + put, n - put);
            if (put < n) sleep_until_below(*s, kLowWater);
        }
        if (n && !s->cancel) {
            const std::uint64_t decoded = s->decoded += n;
            if (s->scanned) raise_duration(*s, s->start_s + seconds_of(*s, decoded));
        }
        if (r == MPG123_DONE || (r != MPG123_OK && r != MPG123_NEW_FORMAT && n == 0)) break;
    }
    if (s->cancel) return;
    s->decode_done = true;
    // The device asks once more after the last samples and finds nothing: then the player
    // learns of the end (on the UI thread, which waits for what the device still holds).
    s->wake_below = 0;
    while (!s->cancel) {
        s->hungry = true;
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (s->drained) break;
        std::uint64_t count = 0;
        if (::read(s->wake, &count, sizeof count) < 0 && errno != EINTR) return;
    }
    if (!s->cancel) loop.post(std::move(on_drained));
}

// The exact length, found beside playback; the file is scanned as it was when the scan began.
void scan(const std::shared_ptr<SdlPlayer::Session>& s, const FileHandle& file) {
    ReadOptions reading;
    reading.cancel = &s->cancel;
    double seconds = 0;
    if (!scan_seconds(file.get(), reading, seconds)) return;
    s->duration = std::max(seconds, s->start_s + seconds_of(*s, s->decoded));
    s->scanned = true;
}

}  // namespace

SdlPlayer::SdlPlayer(EventLoop& loop, std::unique_ptr<AudioDevice> device)
    : m_loop(loop), m_device(device ? std::move(device) : make_output_device()) {
    // Told on the device's thread; handled on this one.
    m_device->set_on_lost([&loop, alive = m_alive.watch(), this] {
        loop.post([alive, this] {
            if (alive.alive()) device_lost();
        });
    });
}

SdlPlayer::~SdlPlayer() {
    keep_device();
    if (m_end_check) m_loop.stop_timer(m_end_check);
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

// What a start needs from the file, read before anything playing now is touched.
struct SdlPlayer::Prepared {
    FileHandle fd, scan_fd;
    std::shared_ptr<Session> session;
    Decoder decoder;
    StreamFormat format;
    double start_s = 0;
};

// Opens the file afresh and finds `from_s` in it. Only quick work happens here: the file is
// checked to be a regular one without blocking, and its first frames are read (and, to start
// further in, the frames up to there are stepped over by their headers).
std::unique_ptr<SdlPlayer::Prepared> SdlPlayer::prepare(double from_s, std::string& error) {
    FileHandle fd = open_regular_file(m_path, error);
    FileHandle scan_fd = fd ? open_regular_file(m_path, error) : FileHandle{};
    if (!fd || !scan_fd) return nullptr;
    if (!same_file(fd.get(), scan_fd.get())) {
        error = "changed while opening";
        return nullptr;
    }
    auto session = std::make_shared<Session>();
    // Every read of the session's workers fails once it is cancelled, so a Stop or the next
    // Open ends them within a block's read, wherever they are in the file.
    ReadOptions reading;
    reading.cancel = &session->cancel;
    Decoder h(fd.get(), reading);
    const StreamFormat f = h ? read_format(h.get()) : StreamFormat{};
    if (!h || !f.ok) {
        error = "not an MP3 file";
        return nullptr;
    }
    // Frames at another rate later on are resampled to this one.
    mpg123_format_none(h.get());
    mpg123_format(h.get(), f.rate, f.channels == 1 ? MPG123_MONO : MPG123_STEREO,
                  MPG123_ENC_SIGNED_16);
    double start_s = 0;
    if (from_s > 0) {
        const off_t at =
            mpg123_seek(h.get(), static_cast<off_t>(std::llround(from_s * f.rate)), SEEK_SET);
        if (at < 0) {
            error = "cannot seek";
            return nullptr;
        }
        start_s = static_cast<double>(at) / static_cast<double>(f.rate);
    }
    return std::unique_ptr<Prepared>(new Prepared{std::move(fd), std::move(scan_fd),
                                                  std::move(session), std::move(h), f, start_s});
}

bool SdlPlayer::start(double from_s, bool paused) {
    reap_workers(false);
    std::string error;
    std::unique_ptr<Prepared> p = prepare(from_s, error);
    if (!p) return fail(error);
    return launch(std::move(*p), paused);
}

bool SdlPlayer::launch(Prepared p, bool paused) {
    const StreamFormat& f = p.format;
    keep_device();
    m_released = false;
    if (!m_device->open(f.rate, f.channels, source())) return fail("no sound output");

    auto s = std::move(p.session);
    s->rate = f.rate;
    s->channels = f.channels;
    s->start_s = p.start_s;
    s->duration = m_duration > 0 ? m_duration : f.estimate;
    // The device is paused (just opened): no pull runs while the session changes.
    m_session = s;
    m_live = s.get();
    auto playing = std::make_shared<Source>(Source{std::move(p.fd), std::move(p.decoder)});
    std::weak_ptr<Session> weak = s;
    auto alive = m_alive.watch();
    spawn([this, s, playing, weak, alive] {
        decode(s, std::move(*playing), m_loop, [this, weak, alive] {
            if (alive.alive()) drained(weak.lock());
        });
    });
    auto scanned = std::make_shared<FileHandle>(std::move(p.scan_fd));
    spawn([s, scanned] { scan(s, *scanned); });
    if (paused) {
        m_state = kPaused;
        m_paused_at = p.start_s;
        release_device_later();
        return true;
    }
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
    // The device is paused or closed: no pull runs, and none will see this session again.
    m_live = nullptr;
    std::shared_ptr<Session> s;
    s.swap(m_session);
    if (!s) return;
    // The file stays open: its scanned length is still what Duration reports.
    if (s->duration > 0) m_duration = s->duration;
    m_past_underruns += s->underruns;
    s->cancel = true;
    wake(*s);
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
    return [this](std::int16_t* out, std::size_t n) { return fill(out, n); };
}

void SdlPlayer::release_device_later() {
    if (m_release || m_released) return;
    m_release = m_loop.start_timer(kReleaseMs, [this] {
        keep_device();
        if (m_state == kPlaying || m_released) return;
        // One that costs nothing paused keeps what it has not played yet for the resume.
        if (m_state == kPaused && !m_device->wakes_when_paused()) return;
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
            const std::shared_ptr<Session>& s = m_session;
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

// A fresh session from the new place: the device is opened again, which drops what it had
// queued (the sound server's stream goes with it), so the heard position is the new one.
bool SdlPlayer::Seek(double seconds) {
    if (m_state == kStopped || !m_playable) return false;
    const bool paused = m_state == kPaused;
    const double length = Duration();
    seconds = std::isnan(seconds) ? 0.0 : std::max(0.0, seconds);
    if (length > 0) seconds = std::min(seconds, length);
    // The new place is found first: a file that cannot seek (moved, replaced, cut short) keeps
    // playing where it was.
    reap_workers(false);
    std::string error;
    std::unique_ptr<Prepared> p = prepare(seconds, error);
    if (!p) return false;
    if (!m_released) m_device->set_paused(true);
    end_session();
    m_state = kStopped;
    if (launch(std::move(*p), paused)) return true;
    // No sound output to go on with: the track has ended for the window too.
    release_device_later();
    m_loop.post([this, alive = m_alive.watch()] {
        if (alive.alive() && m_state == kStopped && EndOfStream) EndOfStream();
    });
    return false;
}

double SdlPlayer::heard_seconds(Session& s) const {
    const std::uint64_t handed = s.handed;
    const std::size_t latest = s.latest_pull;
    // What the device still holds has not been heard yet.
    const std::uint64_t heard =
        handed - std::min<std::uint64_t>(handed, m_device->unplayed(latest));
    return s.start_s + seconds_of(s, heard);
}

double SdlPlayer::CurrentPosition() const {
    if (m_state == kPaused) return m_paused_at;
    return m_session && m_session->rate > 0 ? heard_seconds(*m_session) : 0;
}

double SdlPlayer::Duration() const {
    return m_session ? m_session->duration.load() : m_duration;
}

void SdlPlayer::set_Volume(long v) {
    m_volume = clamp_volume(v);
    m_gain = static_cast<float>(volume_gain(m_volume));
}

std::uint64_t SdlPlayer::underruns() const {
    return m_session ? m_session->underruns.load() : 0;
}

std::uint64_t SdlPlayer::times_ran_dry() const {
    return m_past_underruns + underruns() + m_device->underruns();
}

// What the lost device held unheard is gone with it (at most its queue); the rest of the
// track, still in the ring, plays through the device chosen now, and the position, the end
// and the pause follow that one.
void SdlPlayer::device_lost() {
    if (!m_device->lost() || m_released) return;  // the next open chooses anew
    if (!m_session) {
        m_device->close();
        m_released = true;
        return;
    }
    if (!m_device->open(m_session->rate, m_session->channels, source())) {
        m_open_error = "no sound output";
        Stop();
        return;
    }
    if (m_state == kPlaying) m_device->set_paused(false);
}

// The device thread: no lock, no allocation, no freeing; the session outlives every pull
// that can see it.
std::size_t SdlPlayer::fill(std::int16_t* out, std::size_t count) {
    Session* s = m_live.load(std::memory_order_acquire);
    const std::size_t got = s ? s->ring.pop(out, count) : 0;
    std::fill(out + got, out + count, 0);
    if (!s) return 0;
    const bool started = s->handed.fetch_add(got) > 0;  // the first pull may race the decoder
    s->latest_pull = got;
    const bool done = s->decode_done;
    if (got < count && !done && started) ++s->underruns;
    if (got == 0 && done) s->drained = true;
    // The decoder refills in large steps: woken only once the ring is down to its mark.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if ((s->ring.size() < s->wake_below || s->drained) && s->hungry.exchange(false)) wake(*s);
    const float gain = m_gain;
    if (gain != 1.0f)
        for (std::size_t i = 0; i < got; ++i)
            out[i] = static_cast<std::int16_t>(std::lround(out[i] * gain));
    if (on_device_samples && got) on_device_samples(out, got);
    return got;
}

// The device has asked for more after the last sample; the end is told once what it still
// holds has been heard.
void SdlPlayer::drained(const std::shared_ptr<Session>& s) {
    if (!s || s != m_session || s->ended) return;
    const std::size_t left = m_device->unplayed(s->latest_pull);
    if (left > 0) {
        const double ms =
            1000.0 * static_cast<double>(left) / (static_cast<double>(s->rate) * s->channels);
        std::weak_ptr<Session> weak = s;
        if (!m_end_check)
            m_end_check = m_loop.start_timer(static_cast<int>(ms) + 1, [this, weak] {
                m_loop.stop_timer(std::exchange(m_end_check, 0));
                drained(weak.lock());
            });
        return;
    }
    s->ended = true;
    // Played to its end before the length scan was done, or past it as the file grew: what
    // was played is the length.
    const double played = s->start_s + seconds_of(*s, s->handed);
    if (!s->scanned) s->duration = played;
    raise_duration(*s, played);
    Stop();
    if (EndOfStream) EndOfStream();
}

}  // namespace rv::media
