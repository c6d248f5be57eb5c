#include "platform/loop/bounded_wait.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/loop/virtual_loop.h"

namespace rv {
namespace {

TEST(SleepUntil, MovesTheClockAndRunsNothing) {
    VirtualLoop loop;
    int ticks = 0, tasks = 0;
    loop.start_timer(10, [&] { ++ticks; });
    loop.post([&] { ++tasks; });
    loop.sleep_until(1.5);
    EXPECT_DOUBLE_EQ(loop.now(), 1.5);
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(tasks, 0);
    loop.sleep_until(0.5);  // never backwards
    EXPECT_DOUBLE_EQ(loop.now(), 1.5);
    loop.pump();  // what fell due while asleep runs at the next pump, once
    EXPECT_EQ(tasks, 1);
    EXPECT_EQ(ticks, 1);
}

TEST(PostedTasks, StartInTheOrderPostedWhenOneOfThemPumps) {
    VirtualLoop loop;
    std::string order;
    loop.post([&] {
        order += "a(";
        loop.post([&] { order += "c"; });
        loop.pump();  // b was posted before c: it runs first, inside a
        order += ")";
    });
    loop.post([&] { order += "b"; });
    loop.pump();
    loop.pump();
    EXPECT_EQ(order, "a(bc)");
}

TEST(PostedTasks, ATaskThatPostsItselfDoesNotHoldThePump) {
    VirtualLoop loop;
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        loop.post(again);
    };
    loop.post(again);
    loop.pump();
    EXPECT_EQ(runs, 1);
    loop.pump();
    EXPECT_EQ(runs, 2);
}

struct WaitCase {
    const char* what;
    WaitPumping pumping;
    double becomes_true_at;  // < 0: never
    bool result;
    double ends_at;
    int ticks;  // of a 100 ms timer while waiting
};

TEST(WaitFor, EndsWhenTheConditionHoldsOrAtTheLimit) {
    const WaitCase cases[] = {
        {"pumping, met", WaitPumping::Pump, 0.25, true, 0.3, 3},
        {"pumping, timed out", WaitPumping::Pump, -1, false, 1.0, 10},
        {"not pumping, met", WaitPumping::NoPump, 0.25, true, 0.3, 0},
        {"not pumping, timed out", WaitPumping::NoPump, -1, false, 1.0, 0},
        {"met at once", WaitPumping::Pump, 0, true, 0, 0},
    };
    for (const auto& c : cases) {
        VirtualLoop loop;
        int ticks = 0, looks = 0;
        loop.start_timer(100, [&] { ++ticks; });
        auto done = [&] {
            ++looks;
            return c.becomes_true_at >= 0 && loop.now() >= c.becomes_true_at;
        };
        EXPECT_EQ(WaitFor(loop, done, {1.0, 0.1}, c.pumping), c.result) << c.what;
        EXPECT_NEAR(loop.now(), c.ends_at, 1e-5) << c.what;
        EXPECT_EQ(ticks, c.ticks) << c.what;
        EXPECT_LE(looks, 11) << c.what;  // one look a poll interval, no spinning
    }
}

TEST(WaitFor, ALimitOfZeroLooksOnceAndAPollBelowTenMsIsRaised) {
    VirtualLoop loop;
    int looks = 0;
    EXPECT_FALSE(WaitFor(
        loop, [&] { return ++looks, false; }, {0, 0.1}, WaitPumping::NoPump));
    EXPECT_EQ(looks, 1);
    looks = 0;
    EXPECT_FALSE(WaitFor(
        loop, [&] { return ++looks, false; }, {1.0, 0}, WaitPumping::NoPump));
    EXPECT_EQ(looks, 101);
}

}  // namespace
}  // namespace rv
