#include "platform/media/output_device.h"

#include <cstdlib>

#include "platform/media/pulse_device.h"
#include "platform/media/sdl_device.h"

namespace rv::media {

namespace {

class ChosenDevice final : public AudioDevice {
  public:
    bool open(long rate, int channels, Pull pull) override {
        if (!m_device) m_device = choose();
        return m_device->open(rate, channels, std::move(pull));
    }
    void set_paused(bool paused) override {
        if (m_device) m_device->set_paused(paused);
    }
    void close() override {
        if (m_device) m_device->close();
    }
    std::size_t unplayed(std::size_t latest) const override {
        return m_device ? m_device->unplayed(latest) : 0;
    }
    bool wakes_when_paused() const override { return !m_device || m_device->wakes_when_paused(); }
    std::string driver() const override { return m_device ? m_device->driver() : ""; }

  private:
    static std::unique_ptr<AudioDevice> choose() {
        if (!std::getenv("SDL_AUDIODRIVER"))
            if (auto pulse = PulseDevice::connect()) return pulse;
        return std::make_unique<SdlDevice>();
    }
    std::unique_ptr<AudioDevice> m_device;
};

}  // namespace

std::unique_ptr<AudioDevice> make_output_device() {
    return std::make_unique<ChosenDevice>();
}

}  // namespace rv::media
