#pragma once
// The real player: libmpg123 decodes on a worker thread into a lock-free ring that the sound
// device pulls from; a second worker scans the file for its exact length meanwhile, so sound
// starts at once. The UI thread only reads a snapshot and receives EndOfStream as a posted
// event, after the device has played the last sample.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/loop/event_loop.h"
#include "platform/loop/subscription.h"
#include "platform/media/audio_device.h"
#include "platform/media/media_player.h"

namespace rv::media {

class SdlPlayer final : public MediaPlayer {
  public:
    // Plays through `device`; the SDL sound device when none is given.
    explicit SdlPlayer(EventLoop& loop, std::unique_ptr<AudioDevice> device = nullptr);
    ~SdlPlayer() override;
    SdlPlayer(const SdlPlayer&) = delete;
    SdlPlayer& operator=(const SdlPlayer&) = delete;

    bool Open(const std::string& path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    int PlayState() const override { return m_state; }
    double CurrentPosition() const override;
    double Duration() const override;
    bool Seek(double seconds) override;
    void set_Volume(long v) override;
    long Volume() const override { return m_volume; }

    // Which audio driver plays ("dummy" where there is no sound device), "" before any.
    std::string driver() const { return m_device->driver(); }
    // Samples of the file handed to the device, after the volume (for tests); device thread.
    std::function<void(const std::int16_t* samples, std::size_t count)> on_device_samples;
    // Pulls of the playing file that found fewer samples than asked for before its end.
    std::uint64_t underruns() const;
    // Every time the sound ran dry while playing, since the player was made: pulls that found
    // the decoder behind, and the device's own count.
    std::uint64_t times_ran_dry() const;

    struct Session;  // one start of the opened file: its decoder, buffer and counters

  private:
    // Opens the file afresh at `from_s` seconds, playing or left paused there.
    bool start(double from_s = 0, bool paused = false);
    struct Prepared;
    std::unique_ptr<Prepared> prepare(double from_s, std::string& error);
    bool launch(Prepared p, bool paused);
    bool fail(std::string why);
    void end_session();
    void reap_workers(bool wait);
    void spawn(std::function<void()> work);
    std::size_t fill(std::int16_t* out, std::size_t count);
    void drained(const std::shared_ptr<Session>& s);
    double heard_seconds(Session& s) const;
    AudioDevice::Pull source();
    // A device paused or stopped for a while is closed, and opened again to play.
    void release_device_later();
    void keep_device();
    // The device went away (the sound server quit): playing goes on through the next choice.
    void device_lost();

    EventLoop& m_loop;
    std::unique_ptr<AudioDevice> m_device;
    AliveToken m_alive;  // what the decoder posts checks it
    std::string m_path;
    bool m_playable = false;  // the open file can be started again
    int m_state = kStopped;
    double m_paused_at = 0;
    double m_duration = 0;  // of the open file while no session runs
    long m_volume = 0;
    std::atomic<float> m_gain{1.0f};
    TimerId m_release = 0;    // closes the unused device
    bool m_released = false;  // it is closed
    TimerId m_end_check = 0;  // looks again whether the device has played the last sample
    std::uint64_t m_past_underruns = 0;  // of the sessions that have ended

    std::shared_ptr<Session> m_session;
    // The session the device thread reads: changed only while the device is paused or closed,
    // so it never frees a session, nor waits for the UI thread.
    std::atomic<Session*> m_live{nullptr};
    struct Worker {
        std::shared_ptr<std::atomic<bool>> finished;
        std::thread thread;
    };
    std::vector<Worker> m_workers;
};

}  // namespace rv::media
