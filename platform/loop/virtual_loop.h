#pragma once
// A loop on a virtual clock: time moves only when advanced or when a wait runs to its deadline.
// Timers fire in deadline order, ties in start order. Used by tests and the headless mode.
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/loop/event_loop.h"
#include "platform/loop/timer_table.h"

namespace rv {

class VirtualLoop final : public EventLoop {
  public:
    double now() const override { return static_cast<double>(m_now_us) / 1e6; }
    void pump() override;
    void wait_until(double deadline) override;
    void sleep_until(double deadline) override;
    TimerId start_timer(int interval_ms, std::function<void()> tick) override;
    void stop_timer(TimerId id) override;
    void post(std::function<void()> task) override;

    // Test helper: lets `seconds` of virtual time pass, events running.
    void advance(double seconds);
    bool timer_active(TimerId id) const { return m_timers.contains(id); }
    std::size_t active_timers() const { return m_timers.size(); }

  private:
    bool run_posted();
    void run_until(std::int64_t deadline_us);

    // Whole microseconds, so that a 10 ms timer ticks exactly 100 times a second.
    std::int64_t m_now_us = 0;
    TimerTable m_timers;
    std::mutex m_posted_mutex;
    std::deque<std::function<void()>> m_posted;
};

}  // namespace rv
