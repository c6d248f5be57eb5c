#pragma once
// A loop on a virtual clock: time moves only when advanced or when a wait runs to its deadline.
// Timers fire in deadline order, ties in start order. Used by tests and the headless mode.
#include <deque>
#include <map>
#include <mutex>

#include "platform/loop/event_loop.h"

namespace rv {

class VirtualLoop final : public EventLoop {
  public:
    double now() const override { return static_cast<double>(m_now_us) / 1e6; }
    void pump() override;
    void wait_until(double deadline) override;
    TimerId start_timer(int interval_ms, std::function<void()> tick) override;
    void stop_timer(TimerId id) override;
    void post(std::function<void()> task) override;

    // Test helper: lets `seconds` of virtual time pass, events running.
    void advance(double seconds);
    bool timer_active(TimerId id) const { return m_timers.count(id) != 0; }
    std::size_t active_timers() const { return m_timers.size(); }

  private:
    struct Timer {
        std::int64_t interval_us;
        std::int64_t deadline_us;
        std::function<void()> tick;
        bool running = false;
    };
    bool run_posted();
    // The earliest timer due at or before `limit` that is not running, or 0.
    TimerId next_due(std::int64_t limit_us) const;
    void run_until(std::int64_t deadline_us);
    void fire(TimerId id);

    // Whole microseconds, so that a 10 ms timer ticks exactly 100 times a second.
    std::int64_t m_now_us = 0;
    TimerId m_next_id = 1;
    std::map<TimerId, Timer> m_timers;  // ids grow, so map order is start order
    std::mutex m_posted_mutex;
    std::deque<std::function<void()>> m_posted;
};

}  // namespace rv
