#pragma once
// The real player: libmpg123 decodes on a worker thread into a bounded buffer, SDL2 audio
// plays it. Where no sound device exists, SDL's dummy driver consumes the audio in real time.
// The UI thread only reads a snapshot and receives EndOfStream as a posted event.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/loop/event_loop.h"
#include "platform/media/media_player.h"

namespace rv::media {

class SdlPlayer final : public MediaPlayer {
  public:
    explicit SdlPlayer(EventLoop& loop);
    ~SdlPlayer() override;
    SdlPlayer(const SdlPlayer&) = delete;
    SdlPlayer& operator=(const SdlPlayer&) = delete;

    void Open(const std::string& path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    int PlayState() const override { return m_state; }
    double CurrentPosition() const override;
    double Duration() const override;
    void set_Volume(long v) override;
    long Volume() const override { return m_volume; }

    // Which audio driver plays ("dummy" where there is no sound device), "" before any.
    std::string driver() const;
    // Samples handed to the device since the file started, after the volume (for tests).
    std::function<void(const std::int16_t* samples, std::size_t count)> on_device_samples;

    struct Session;  // one opened file: its decoder, buffer and counters

  private:
    bool ensure_device(long rate, int channels);
    void start_session();
    void end_session();
    void reap_workers(bool wait);
    static void audio_callback(void* self, unsigned char* stream, int len);
    void fill(std::int16_t* out, std::size_t samples);

    EventLoop& m_loop;
    std::shared_ptr<std::atomic<bool>> m_alive;
    std::string m_path;
    int m_state = kStopped;
    long m_volume = 0;
    std::atomic<float> m_gain{1.0f};

    std::uint32_t m_device = 0;
    long m_device_rate = 0;
    int m_device_channels = 0;

    mutable std::mutex m_mutex;  // guards m_session against the audio thread
    std::shared_ptr<Session> m_session;
    double m_probe_duration = 0;
    long m_rate = 0;
    int m_channels = 0;
    struct Worker {
        std::shared_ptr<Session> session;
        std::thread thread;
    };
    std::vector<Worker> m_workers;
};

}  // namespace rv::media
