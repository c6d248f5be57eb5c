#pragma once
// The one event loop of the program. Handlers may pump it from anywhere (waits, roll-ups,
// slides, window searches), so handlers nest; a nested handler runs to its end first.
#include <cstdint>
#include <functional>

namespace rv {

using TimerId = std::uint64_t;

// The classic desktop timer never ticks faster than every 10 ms; the marquees ask for 1-4 ms
// and would otherwise run ten times too fast and burn a core.
constexpr int kMinTimerIntervalMs = 10;
inline int effective_interval_ms(int interval_ms) {
    return interval_ms < kMinTimerIntervalMs ? kMinTimerIntervalMs : interval_ms;
}

class EventLoop {
  public:
    virtual ~EventLoop() = default;
    // Monotonic seconds.
    virtual double now() const = 0;
    // Runs what is pending right now (posted tasks, due timers) once; never waits.
    virtual void pump() = 0;
    // Runs events until `deadline` (monotonic seconds), sleeping in between; never spins.
    virtual void wait_until(double deadline) = 0;
    // Lets time pass until `deadline` without running any event: for the waits that must not
    // pump. Sleeps; never spins.
    virtual void sleep_until(double deadline) = 0;
    // A repeating timer. A timer does not re-enter its own callback while that runs.
    virtual TimerId start_timer(int interval_ms, std::function<void()> tick) = 0;
    virtual void stop_timer(TimerId id) = 0;
    // Thread-safe: runs `task` on the loop's thread at its next pump. Tasks run in the order
    // posted, also when one of them pumps: the next task then runs inside it.
    virtual void post(std::function<void()> task) = 0;
};

}  // namespace rv
