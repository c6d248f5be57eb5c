#pragma once
// The desktop's sound server (PulseAudio, or PipeWire's pulse server) with a long buffer: about
// 400 ms queued on the server, refilled in pieces of 150 ms or more, so the server wakes us a
// few times a second instead of dozens. A pause corks the stream, which the server silences
// at once (it rewinds what it had sent to the sound card) and keeps what was not heard for the
// resume; opening again discards it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/media/audio_device.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_mainloop_api;
struct timeval;

namespace rv::media {

class PulseDevice final : public AudioDevice {
  public:
    // Asks the sound server (`server` names one; empty: the desktop's own), without starting
    // one; null when none answers.
    static std::unique_ptr<PulseDevice> connect(const std::string& server = "");
    ~PulseDevice() override;
    PulseDevice(const PulseDevice&) = delete;
    PulseDevice& operator=(const PulseDevice&) = delete;

    bool open(long rate, int channels, Pull pull) override;
    void set_paused(bool paused) override;
    void close() override;
    std::size_t unplayed(std::size_t latest) const override;
    std::string driver() const override { return "pulse"; }
    bool wakes_when_paused() const override { return false; }  // a corked stream sleeps
    std::uint64_t underruns() const override;
    bool lost() const override { return m_lost; }
    void set_on_lost(std::function<void()> on_lost) override;

    // What the server granted and did, for tests and benchmarks.
    struct Stats {
        double queued_ms = 0;         // the stream's own queue on the server (the sink's is more)
        double request_ms = 0;        // the least it asks for at a time
        std::uint64_t wakeups = 0;    // times the server asked us for audio
        std::uint64_t underruns = 0;  // times it ran dry although we gave all it asked for
        bool corked = false;
        double heard_seconds = 0;  // played by the server since the stream was opened
    };
    Stats stats() const;

  private:
    PulseDevice() = default;
    bool open_stream(long rate, int channels);
    void close_stream();
    void write_some(std::size_t bytes);
    // Waits (under the main loop's lock) for the server to answer; false when it failed.
    bool wait_ready();
    static void on_write(pa_stream* s, std::size_t bytes, void* self);
    static void on_retry(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self);
    static void on_context_state(pa_context* c, void* self);
    static void on_stream_state(pa_stream* s, void* self);
    // The server has gone, or dropped the stream: nothing more can be played here.
    void lose();

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    pa_time_event* m_retry = nullptr;
    long m_rate = 0;
    int m_channels = 0;
    // Below, all is touched with the main loop's lock held (its callbacks hold it).
    Pull m_pull;
    bool m_paused = true;
    bool m_short = false;         // the latest pull had less than was asked for
    std::uint64_t m_written = 0;  // samples written since the stream was made
    bool m_dry = false;           // the server has played them all
    Stats m_stats;
    bool m_ready = false;  // connected: a failure from now on loses the device
    std::atomic<bool> m_lost{false};
    std::function<void()> m_on_lost;
};

}  // namespace rv::media
