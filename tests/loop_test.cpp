#include <gtest/gtest.h>

#include <vector>

#include "platform/loop/virtual_loop.h"

namespace rv {
namespace {

TEST(VirtualLoop, TimersFireInDeadlineOrderTiesInStartOrder) {
    VirtualLoop loop;
    std::vector<char> order;
    loop.start_timer(30, [&] { order.push_back('a'); });
    loop.start_timer(20, [&] { order.push_back('b'); });
    loop.start_timer(30, [&] { order.push_back('c'); });
    loop.advance(0.06);
    // b@20, a@30, c@30, b@40, a@60, b@60, c@60
    EXPECT_EQ(std::string(order.begin(), order.end()), "bacbabc");
}

TEST(VirtualLoop, IntervalsBelowTenMsAreRaisedToTen) {
    VirtualLoop loop;
    for (int ms : {1, 2, 4, 9}) {
        int ticks = 0;
        TimerId id = loop.start_timer(ms, [&] { ++ticks; });
        loop.advance(1.0);
        EXPECT_EQ(ticks, 100) << ms << " ms";
        loop.stop_timer(id);
    }
}

TEST(VirtualLoop, TimerMayStopItselfOrAnotherInsideATick) {
    VirtualLoop loop;
    int a = 0, b = 0;
    TimerId tb = 0;
    TimerId ta = 0;
    ta = loop.start_timer(10, [&] {
        if (++a == 2) {
            loop.stop_timer(ta);
            loop.stop_timer(tb);
        }
    });
    tb = loop.start_timer(15, [&] { ++b; });
    loop.advance(0.1);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);  // b fired at 15; stopped at 20
    EXPECT_EQ(loop.active_timers(), 0u);
}

TEST(VirtualLoop, PumpsNestAndATimerDoesNotReenterItself) {
    VirtualLoop loop;
    int outer = 0, inner = 0;
    loop.start_timer(10, [&] { ++inner; });
    loop.start_timer(50, [&] {
        ++outer;
        loop.wait_until(loop.now() + 0.05);  // a wait inside a tick: other timers run
    });
    loop.advance(0.05);
    EXPECT_EQ(outer, 1);
    EXPECT_EQ(inner, 10);
    EXPECT_DOUBLE_EQ(loop.now(), 0.1);
}

TEST(VirtualLoop, PostedTasksRunAtTheNextPumpAndWaitIsBounded) {
    VirtualLoop loop;
    int ran = 0;
    loop.post([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    loop.pump();
    EXPECT_EQ(ran, 1);
    loop.wait_until(2.5);  // nothing scheduled: returns at the deadline
    EXPECT_DOUBLE_EQ(loop.now(), 2.5);
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

// A wait "until now() >= deadline" must end for every deadline a sum of seconds can make,
// also where the deadline's microseconds round down in binary.
TEST(VirtualLoop, AWaitReachesEveryDeadlineItIsGiven) {
    VirtualLoop loop;
    loop.sleep_until(13.600013);
    int steps = 0;
    for (int i = 0; i < 20000; ++i) {
        const double deadline = loop.now() + 0.4;
        loop.wait_until(deadline);
        ASSERT_GE(loop.now(), deadline) << i;
        const double later = loop.now() + 0.1 * (i % 7);
        loop.sleep_until(later);
        ASSERT_GE(loop.now(), later) << i;
        ++steps;
    }
    EXPECT_EQ(steps, 20000);
}

}  // namespace
}  // namespace rv
