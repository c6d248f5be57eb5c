#include "platform/media/output_device.h"

#include <cstdlib>

#include "platform/media/pulse_device.h"
#include "platform/media/sdl_device.h"

namespace rv::media {

namespace {

class ChosenDevice final : public AudioDevice {
  public:
    ChosenDevice(DeviceMaker preferred, DeviceMaker fallback)
        : m_preferred(std::move(preferred)), m_fallback(std::move(fallback)) {}

    bool open(long rate, int channels, Pull pull) override {
        if (!m_device || m_device->lost()) choose();
        if (m_device->open(rate, channels, pull)) return true;
        // Lost while opening: the next choice is asked at once.
        if (!m_device->lost()) return false;
        choose();
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
    std::uint64_t underruns() const override {
        return m_lost_underruns + (m_device ? m_device->underruns() : 0);
    }
    bool lost() const override { return m_device && m_device->lost(); }
    void set_on_lost(std::function<void()> on_lost) override {
        m_on_lost = std::move(on_lost);
        if (m_device) m_device->set_on_lost(m_on_lost);
    }

  private:
    void choose() {
        if (m_device) {
            m_lost_underruns += m_device->underruns();
            m_device.reset();  // its thread has ended before another device starts
        }
        if (m_preferred) m_device = m_preferred();
        if (!m_device) m_device = m_fallback();
        if (m_on_lost) m_device->set_on_lost(m_on_lost);
    }

    DeviceMaker m_preferred;
    DeviceMaker m_fallback;
    std::unique_ptr<AudioDevice> m_device;
    std::function<void()> m_on_lost;
    std::uint64_t m_lost_underruns = 0;  // of the devices lost before this one
};

}  // namespace

std::unique_ptr<AudioDevice> make_output_device(DeviceMaker preferred, DeviceMaker fallback) {
    return std::make_unique<ChosenDevice>(std::move(preferred), std::move(fallback));
}

std::unique_ptr<AudioDevice> make_output_device() {
    DeviceMaker pulse;
    if (!std::getenv("SDL_AUDIODRIVER")) pulse = [] { return PulseDevice::connect(); };
    return make_output_device(std::move(pulse), [] { return std::make_unique<SdlDevice>(); });
}

}  // namespace rv::media
