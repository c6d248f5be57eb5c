#include "platform/media/pulse_device.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace rv::media {

namespace {

// The stream's queue on the server: long, so the server and this program wake rarely; a pause
// is still heard at once, because a cork does not wait for the queue to play out.
constexpr pa_usec_t kQueueUsec = 400'000;
// The server asks for more only once this much has played: a few wakeups a second. Its sink
// then mixes the queue less twice this (200 ms) ahead of what is heard, so it too wakes only a
// few times a second; had the queue been asked as the whole latency (the server's "adjust
// latency"), the sink would mix 50 ms ahead and wake some 30 times a second for this stream.
constexpr pa_usec_t kRequestUsec = 100'000;
// Playing starts once this much is queued, so a start is heard at once.
constexpr pa_usec_t kStartUsec = 50'000;
// When the decoder had less than the server asked for, it is asked again this much later
// (the server asks only as it plays, and a stream that has not started does not play).
constexpr pa_usec_t kRetryUsec = 20'000;

// Holds the main loop's lock for a scope.
class Locked {
  public:
    explicit Locked(pa_threaded_mainloop* loop) : m_loop(loop) { pa_threaded_mainloop_lock(loop); }
    ~Locked() { pa_threaded_mainloop_unlock(m_loop); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    pa_threaded_mainloop* m_loop;
};

void signal_loop(pa_threaded_mainloop* loop) {
    pa_threaded_mainloop_signal(loop, 0);
}

}  // namespace

std::unique_ptr<PulseDevice> PulseDevice::connect(const std::string& server) {
    std::unique_ptr<PulseDevice> d(new PulseDevice);
    d->m_loop = pa_threaded_mainloop_new();
    if (!d->m_loop) return nullptr;
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Ravelin");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    d->m_context =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(d->m_loop), "Ravelin", props);
    pa_proplist_free(props);
    if (!d->m_context) return nullptr;
    pa_context_set_state_callback(d->m_context, &PulseDevice::on_context_state, d.get());
    // No autospawn: where no server runs, SDL plays instead, at once.
    if (pa_context_connect(d->m_context, server.empty() ? nullptr : server.c_str(),
                           PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return nullptr;
    if (pa_threaded_mainloop_start(d->m_loop) < 0) return nullptr;
    Locked lock(d->m_loop);
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(d->m_context);
        if (state == PA_CONTEXT_READY) break;
        if (!PA_CONTEXT_IS_GOOD(state)) return nullptr;
        pa_threaded_mainloop_wait(d->m_loop);
    }
    d->m_ready = true;
    return d;
}

PulseDevice::~PulseDevice() {
    if (m_loop) {
        {
            Locked lock(m_loop);
            close_stream();
            if (m_context) {
                // Letting go is not losing it.
                pa_context_set_state_callback(m_context, nullptr, nullptr);
                pa_context_disconnect(m_context);
            }
        }
        pa_threaded_mainloop_stop(m_loop);
    }
    if (m_context) pa_context_unref(m_context);
    if (m_loop) pa_threaded_mainloop_free(m_loop);
}

void PulseDevice::on_context_state(pa_context* c, void* self) {
    auto* d = static_cast<PulseDevice*>(self);
    signal_loop(d->m_loop);
    if (d->m_ready && !PA_CONTEXT_IS_GOOD(pa_context_get_state(c))) d->lose();
}

void PulseDevice::on_stream_state(pa_stream* s, void* self) {
    auto* d = static_cast<PulseDevice*>(self);
    signal_loop(d->m_loop);
    // One that failed while it was being made is only a failed open.
    if (d->m_rate > 0 && !PA_STREAM_IS_GOOD(pa_stream_get_state(s))) d->lose();
}

// The main loop's thread, its lock held.
void PulseDevice::lose() {
    if (m_lost.exchange(true)) return;
    if (m_on_lost) m_on_lost();
}

void PulseDevice::set_on_lost(std::function<void()> on_lost) {
    Locked lock(m_loop);
    m_on_lost = std::move(on_lost);
}

std::uint64_t PulseDevice::underruns() const {
    Locked lock(m_loop);
    return m_stats.underruns;
}

bool PulseDevice::open(long rate, int channels, Pull pull) {
    Locked lock(m_loop);
    if (m_lost) return false;
    m_pull = std::move(pull);
    m_paused = true;
    m_short = false;
    // A stream of its own for each file: what the one before left queued is not heard, and
    // the server's clock for it starts at its first sample.
    close_stream();
    return open_stream(rate, channels);
}

bool PulseDevice::open_stream(long rate, int channels) {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16NE;
    spec.rate = static_cast<std::uint32_t>(rate);
    spec.channels = static_cast<std::uint8_t>(channels);
    if (!pa_sample_spec_valid(&spec) || pa_context_get_state(m_context) != PA_CONTEXT_READY)
        return false;
    m_stream = pa_stream_new(m_context, "Music", &spec, nullptr);
    if (!m_stream) return false;
    pa_stream_set_state_callback(m_stream, &PulseDevice::on_stream_state, this);
    pa_stream_set_write_callback(m_stream, &PulseDevice::on_write, this);
    pa_stream_set_underflow_callback(
        m_stream,
        [](pa_stream*, void* self) {
            auto* d = static_cast<PulseDevice*>(self);
            // Running dry after a short pull is the decoder's lateness, or the file's end: the
            // player counts those.
            if (!d->m_short) ++d->m_stats.underruns;
            d->m_dry = true;
        },
        this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kQueueUsec, &spec));
    attr.minreq = static_cast<std::uint32_t>(pa_usec_to_bytes(kRequestUsec, &spec));
    attr.prebuf = static_cast<std::uint32_t>(pa_usec_to_bytes(kStartUsec, &spec));
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_START_CORKED | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) < 0 ||
        !wait_ready()) {
        close_stream();
        return false;
    }
    m_rate = rate;
    m_channels = channels;
    m_written = 0;
    return true;
}

bool PulseDevice::wait_ready() {
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        if (state == PA_STREAM_READY) return true;
        if (!PA_STREAM_IS_GOOD(state)) return false;
        pa_threaded_mainloop_wait(m_loop);
    }
}

void PulseDevice::close_stream() {
    if (m_retry) {
        pa_threaded_mainloop_get_api(m_loop)->time_free(m_retry);
        m_retry = nullptr;
    }
    if (m_stream) {
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    m_rate = 0;
    m_channels = 0;
    m_written = 0;
    m_dry = false;
}

void PulseDevice::close() {
    Locked lock(m_loop);
    close_stream();
    m_pull = nullptr;
    m_paused = true;
}

void PulseDevice::set_paused(bool paused) {
    Locked lock(m_loop);
    m_paused = paused;
    if (!m_stream) return;
    if (pa_operation* op = pa_stream_cork(m_stream, paused ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(op);
    if (!paused) write_some(pa_stream_writable_size(m_stream));
}

std::size_t PulseDevice::unplayed(std::size_t) const {
    Locked lock(m_loop);
    // Lost, what the server held will never be heard.
    if (!m_stream || m_lost) return 0;
    // Run dry, the server has played all it had (its clock may stop a little short).
    if (m_dry) return 0;
    // The server's clock says how far into the stream it has played.
    pa_usec_t usec = 0;
    std::uint64_t heard = 0;
    if (pa_stream_get_time(m_stream, &usec) == 0)
        heard = static_cast<std::uint64_t>(static_cast<double>(usec) * 1e-6 *
                                           static_cast<double>(m_rate) * m_channels);
    return m_written > heard ? m_written - heard : 0;
}

PulseDevice::Stats PulseDevice::stats() const {
    Locked lock(m_loop);
    Stats s = m_stats;
    if (!m_stream) return s;
    s.corked = pa_stream_is_corked(m_stream) == 1;
    // The server may change them as the sink's own latency settles.
    const pa_sample_spec* spec = pa_stream_get_sample_spec(m_stream);
    if (const pa_buffer_attr* got = pa_stream_get_buffer_attr(m_stream)) {
        s.queued_ms = static_cast<double>(pa_bytes_to_usec(got->tlength, spec)) / 1000.0;
        s.request_ms = static_cast<double>(pa_bytes_to_usec(got->minreq, spec)) / 1000.0;
    }
    pa_usec_t usec = 0;
    if (pa_stream_get_time(m_stream, &usec) == 0)
        s.heard_seconds = static_cast<double>(usec) * 1e-6;
    return s;
}

// The main loop's thread, its lock held: writes into the server's own memory, so nothing here
// allocates, and the pull takes no lock.
void PulseDevice::write_some(std::size_t bytes) {
    if (m_paused || !m_pull || !m_stream || m_lost) return;
    const std::size_t frame = sizeof(std::int16_t) * static_cast<std::size_t>(m_channels);
    m_short = false;
    while (bytes >= frame) {
        void* data = nullptr;
        std::size_t len = bytes;
        if (pa_stream_begin_write(m_stream, &data, &len) < 0 || !data || len < frame) break;
        len -= len % frame;
        const std::size_t count = len / sizeof(std::int16_t);
        // The ring holds whole frames: the decoder writes them and every pull takes them.
        const std::size_t got = m_pull(static_cast<std::int16_t*>(data), count);
        if (got == 0) {
            pa_stream_cancel_write(m_stream);
            m_short = true;
            break;
        }
        pa_stream_write(m_stream, data, got * sizeof(std::int16_t), nullptr, 0, PA_SEEK_RELATIVE);
        m_written += got;
        m_dry = false;
        bytes -= got * sizeof(std::int16_t);
        if (got < count) {
            m_short = true;
            break;
        }
    }
    if (!m_short) return;
    // The one time event is made with the stream, on the first short pull, and reused.
    const pa_usec_t at = pa_rtclock_now() + kRetryUsec;
    if (m_retry)
        pa_context_rttime_restart(m_context, m_retry, at);
    else
        m_retry = pa_context_rttime_new(m_context, at, &PulseDevice::on_retry, this);
}

void PulseDevice::on_write(pa_stream*, std::size_t bytes, void* self) {
    auto* d = static_cast<PulseDevice*>(self);
    ++d->m_stats.wakeups;
    d->write_some(bytes);
}

void PulseDevice::on_retry(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
    auto* d = static_cast<PulseDevice*>(self);
    if (d->m_stream) d->write_some(pa_stream_writable_size(d->m_stream));
}

}  // namespace rv::media
