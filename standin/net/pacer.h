#pragma once
// Outgoing pacing as well-behaved IRC clients do it: a short burst goes out at once, then
// about one line per interval. The pacer only keeps the budget; the queue is its owner's.
#include <algorithm>

namespace rv::standin::net {

struct PacingSettings {
    int burst = 5;           // lines that may go out back to back
    int interval_ms = 1000;  // then one line per interval
};

class Pacer {
  public:
    explicit Pacer(PacingSettings settings = {}) : m_settings(settings) {}

    // Whether a line may go out at `now` (seconds).
    bool may_send(double now) const { return m_debt_until <= now + allowance(); }
    // Counts a line sent at `now`.
    void sent(double now) { m_debt_until = std::max(m_debt_until, now) + interval(); }
    // The first time at which the next line may go out.
    double next_allowed(double now) const { return std::max(now, m_debt_until - allowance()); }
    // A new connection starts with the whole burst.
    void reset() { m_debt_until = 0; }

  private:
    double interval() const { return m_settings.interval_ms / 1000.0; }
    double allowance() const { return std::max(0, m_settings.burst - 1) * interval(); }

    PacingSettings m_settings;
    double m_debt_until = 0;  // when every line sent so far will have been paid for
};

}  // namespace rv::standin::net
