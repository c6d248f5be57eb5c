#pragma once
// Pauses between reconnection attempts: each twice the last, capped.
#include <algorithm>

namespace rv::standin::net {

struct ReconnectSettings {
    int first_ms = 1000;
    int cap_ms = 60000;
    // A connection that stayed up this long was a good one: the pauses start small again.
    int stable_ms = 30000;
};

class Backoff {
  public:
    explicit Backoff(ReconnectSettings settings = {}) : m_settings(settings) {}
    int next_ms() {
        int pause = m_next_ms == 0 ? m_settings.first_ms : m_next_ms;
        m_next_ms = std::min(m_settings.cap_ms,
                             pause >= m_settings.cap_ms / 2 ? m_settings.cap_ms : pause * 2);
        return std::min(pause, m_settings.cap_ms);
    }
    void reset() { m_next_ms = 0; }
    const ReconnectSettings& settings() const { return m_settings; }

  private:
    ReconnectSettings m_settings;
    int m_next_ms = 0;
};

}  // namespace rv::standin::net
