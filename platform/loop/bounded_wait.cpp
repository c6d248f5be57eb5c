#include "platform/loop/bounded_wait.h"

#include <algorithm>

namespace rv {

namespace {
constexpr double kMinPollSeconds = kMinTimerIntervalMs / 1000.0;
}

bool WaitFor(EventLoop& loop, const std::function<bool()>& done, WaitLimits limits,
             WaitPumping pumping) {
    const double deadline = loop.now() + std::max(0.0, limits.limit_seconds);
    const double poll = std::max(kMinPollSeconds, limits.poll_seconds);
    for (;;) {
        if (done()) return true;
        const double now = loop.now();
        if (now >= deadline) return false;
        const double next = std::min(deadline, now + poll);
        if (pumping == WaitPumping::Pump)
            loop.wait_until(next);
        else
            loop.sleep_until(next);
    }
}

}  // namespace rv
