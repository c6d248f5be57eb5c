#pragma once
// The sound device through SDL2 audio. Without a sound device it falls back to SDL's dummy
// driver, which consumes audio in real time, and says so once on stderr.
#include <atomic>

#include "platform/media/audio_device.h"

namespace rv::media {

class SdlDevice final : public AudioDevice {
  public:
    SdlDevice() = default;
    ~SdlDevice() override;
    SdlDevice(const SdlDevice&) = delete;
    SdlDevice& operator=(const SdlDevice&) = delete;

    bool open(long rate, int channels, Pull pull) override;
    void set_paused(bool paused) override;
    void close() override;
    std::size_t unplayed(std::size_t latest) const override;
    std::string driver() const override;

  private:
    bool open_device(long rate, int channels);
    void close_device();
    static void callback(void* self, unsigned char* stream, int len);

    std::uint32_t m_device = 0;
    long m_rate = 0;
    int m_channels = 0;
    Pull m_pull;
    // Steady-clock nanoseconds of the latest pull; the device plays from then on.
    std::atomic<std::int64_t> m_pulled_at_ns{0};
};

}  // namespace rv::media
