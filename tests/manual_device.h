#pragma once
// A sound device the test plays by hand: each pull() is the device asking for more, and the
// test says how much of the latest pull is still waiting to be heard.
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/media/audio_device.h"

namespace rv::test {

class ManualDevice final : public media::AudioDevice {
  public:
    struct State {
        std::mutex mutex;
        Pull pull;
        long rate = 0;
        int channels = 0;
        bool paused = true;
        int opens = 0;
        int closes = 0;
        std::size_t unplayed = std::numeric_limits<std::size_t>::max();  // all of the latest
    };
    explicit ManualDevice(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    bool open(long rate, int channels, Pull pull) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->pull = std::move(pull);
        m_state->rate = rate;
        m_state->channels = channels;
        m_state->paused = true;
        ++m_state->opens;
        return true;
    }
    void set_paused(bool paused) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->paused = paused;
    }
    void close() override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->pull = nullptr;
        m_state->paused = true;
        ++m_state->closes;
    }
    std::size_t unplayed(std::size_t latest) const override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        return std::min(latest, m_state->unplayed);
    }
    std::string driver() const override { return "manual"; }

  private:
    std::shared_ptr<State> m_state;
};

// Asks the device's source for `count` samples, as the device thread would.
inline std::vector<std::int16_t> pull(ManualDevice::State& state, std::size_t count) {
    std::vector<std::int16_t> out(count);
    media::AudioDevice::Pull source;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.paused) source = state.pull;
    }
    if (source) source(out.data(), count);
    return out;
}

}  // namespace rv::test
