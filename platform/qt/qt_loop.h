#pragma once
#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <set>

#include "platform/loop/event_loop.h"
#include "platform/loop/timer_table.h"

class QTimer;

namespace rv::qt {

// The loop on Qt's own. The program's timers are kept here and driven by one QTimer that
// wakes for the next deadline; a wait sleeps in a nested QEventLoop until its deadline or
// the next event, so nothing ever spins a core.
//
// Fast timers (the marquees tick every 10 ms) are served in batches at most every
// kBatchMs: each due tick still runs, in deadline order, so a title moves exactly as far
// as it would tick by tick, but the process wakes 20 times a second instead of 100.
// Timers of kOnTimeMs or more (the 25 ms equalizer and display timers) run at every one of
// their deadlines, so each of their ticks reaches the screen: 40 frames a second. Wakes
// fall on a 25 ms grid, so timers share them: a tick may come up to 25 ms after its
// deadline, the same offset every time, and none is lost. Batches fall on the grid's every
// other point, and so do timers whose interval is a whole number of batches (the chat
// scanner's poll): an idle window wakes 20 times a second, not 40.
//
// An on-time timer whose last tick changed nothing on the screen (the time texts between two
// seconds) is served with the batches until a tick of it changes something: its ticks
// still run, each of them, but the loop does not wake 40 times a second for them.
class QtLoop final : public EventLoop {
  public:
    static constexpr int kBatchMs = 50;
    static constexpr int kOnTimeMs = 25;
    // When a timer of `interval_us` due at `deadline_us` should wake the loop, the last
    // batch having run at `last_batch_us`.
    static std::int64_t wake_at(std::int64_t interval_us, std::int64_t deadline_us,
                                std::int64_t last_batch_us);

    QtLoop();
    ~QtLoop() override;
    double now() const override;
    void pump() override;
    void wait_until(double deadline) override;
    void sleep_until(double deadline) override;
    TimerId start_timer(int interval_ms, std::function<void()> tick) override;
    void stop_timer(TimerId id) override;
    void post(std::function<void()> task) override;
    // Runs after each round of timer ticks (the view draws what they changed, at once) and
    // before a tick waits or pumps.
    void set_after_ticks(std::function<void()> f) { m_after_ticks = std::move(f); }
    // Says that what the windows show has changed: the view calls it for every change of a
    // form, so the loop knows which timers' ticks are seen.
    void note_change() { m_changed = true; }
    // Whether timer ticks are running now: what they change is drawn after them.
    bool in_ticks() const { return m_tick_depth > 0; }
    // To be called before anything that runs a nested event loop inside a handler (a modal
    // dialog): the other timers go on meanwhile.
    void before_nesting();

  private:
    std::int64_t now_us() const;
    bool quiet(TimerId id) const { return m_quiet.count(id) != 0; }
    // The wake of a timer: on time, or with the batches when fast or quiet.
    std::int64_t wake_of(TimerId id, std::int64_t interval, std::int64_t deadline) const;
    // The idle timer due first by `now`; fast ones only when `batch`. 0: none.
    TimerId next_runnable(std::int64_t now, bool batch) const;
    void run_due();
    void reschedule();
    void arm(std::int64_t wake_us);

    std::chrono::steady_clock::time_point m_origin = std::chrono::steady_clock::now();
    TimerTable m_timers;
    std::int64_t m_last_batch_us = 0;
    std::int64_t m_armed_us = -1;  // the driver's wake; -1 when stopped
    int m_tick_depth = 0;
    bool m_changed = false;
    std::set<TimerId> m_quiet;  // on-time timers whose last tick changed nothing
    std::function<void()> m_after_ticks;
    std::unique_ptr<QObject> m_context;
    std::unique_ptr<QTimer> m_driver;
};

}  // namespace rv::qt
