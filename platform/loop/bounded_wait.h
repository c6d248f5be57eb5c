#pragma once
// The one way the program waits for something outside it (a window to appear, a list to
// fill): with a limit, looking again every poll interval, and either running events between
// looks or letting time pass without them. Nothing waits forever and nothing spins.
#include <functional>

#include "platform/loop/event_loop.h"

namespace rv {

enum class WaitPumping { Pump, NoPump };

struct WaitLimits {
    double limit_seconds;  // gives up once this much time has passed
    double poll_seconds;   // looks again this often (at least every 10 ms)
};

// Looks at `done` at once, then after every poll interval, the last look at the limit.
// True as soon as `done` holds; false when the limit passed first. With Pump, events run
// between looks (a handler may nest); with NoPump, none do and time passes by sleeping.
bool WaitFor(EventLoop& loop, const std::function<bool()>& done, WaitLimits limits,
             WaitPumping pumping);

}  // namespace rv
