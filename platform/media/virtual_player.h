#pragma once
// A silent player on the loop's clock, with the files' real durations: the headless mode
// and the logic tests play through it.
#include <functional>

#include "platform/loop/event_loop.h"
#include "platform/media/media_player.h"

namespace rv::media {

class VirtualPlayer final : public MediaPlayer {
  public:
    // `probe` gives a file's duration (0 when it cannot be played); defaults to scanning it
    // (only regular files are read, so this never blocks on a FIFO).
    explicit VirtualPlayer(EventLoop& loop, std::function<double(const std::string&)> probe = {});
    ~VirtualPlayer() override;

    bool Open(const std::string& path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    int PlayState() const override { return m_state; }
    double CurrentPosition() const override;
    double Duration() const override { return m_duration; }
    bool Seek(double seconds) override;
    void set_Volume(long v) override { m_volume = clamp_volume(v); }
    long Volume() const override { return m_volume; }
    const std::string& open_path() const { return m_path; }

  private:
    void arm_end();
    void disarm_end();

    EventLoop& m_loop;
    std::function<double(const std::string&)> m_probe;
    std::string m_path;
    int m_state = kStopped;
    double m_duration = 0;
    double m_base_position = 0;  // position when last started
    double m_started_at = 0;     // loop time when last started
    long m_volume = 0;
    TimerId m_end_timer = 0;
    std::string m_probe_error;
};

}  // namespace rv::media
