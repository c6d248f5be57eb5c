// The Qt loop on the offscreen platform. Real time passes here, so every bound is generous:
// the tests assert counts and order, never a tight duration.
#include "platform/qt/qt_loop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <vector>

namespace rv {
namespace {

class QtLoopTest : public ::testing::Test {
  protected:
    int m_argc = 1;
    char m_name[16] = "qt_loop_test";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication m_app{m_argc, m_argv};
    qt::QtLoop loop;
};

TEST_F(QtLoopTest, FastTimersRunEveryTickInFewerWakeups) {
    std::vector<double> at;
    loop.start_timer(10, [&] { at.push_back(loop.now()); });
    const double start = loop.now();
    loop.wait_until(start + 0.6);
    const double elapsed = loop.now() - start;
    // Each 10 ms tick runs (a late wakeup may let a few fall behind the end)...
    EXPECT_GE(static_cast<double>(at.size()), elapsed / 0.010 * 0.3);
    EXPECT_LE(static_cast<double>(at.size()), elapsed / 0.010 + 1);
    // ...but ticks come in batches: far fewer distinct wakeups than ticks.
    int wakeups = 0;
    for (std::size_t i = 0; i < at.size(); ++i)
        if (i == 0 || at[i] - at[i - 1] > 0.005) ++wakeups;
    EXPECT_LE(wakeups * 2, static_cast<int>(at.size()));
}

// A 25 ms timer wakes the loop at each tick while its ticks change what is shown (the
// equalizer), and only with the batches while they change nothing (the time texts between
// two seconds); every tick runs either way.
TEST_F(QtLoopTest, AnOnTimeTimerWhoseTicksShowNothingWaitsForTheBatches) {
    for (const bool seen : {true, false}) {
        std::vector<double> at;
        const TimerId id = loop.start_timer(25, [&] {
            at.push_back(loop.now());
            if (seen) loop.note_change();
        });
        const double start = loop.now();
        loop.wait_until(start + 1.0);
        loop.stop_timer(id);
        const double elapsed = loop.now() - start;
        EXPECT_GE(static_cast<double>(at.size()), elapsed / 0.025 * 0.5) << seen;
        EXPECT_LE(static_cast<double>(at.size()), elapsed / 0.025 + 1) << seen;
        int wakeups = 0;
        for (std::size_t i = 0; i < at.size(); ++i)
            if (i == 0 || at[i] - at[i - 1] > 0.005) ++wakeups;
        // A loaded machine that wakes late runs two ticks at a wake now and then: bounds
        // with room, still far apart (one wake a tick, against one a batch of two).
        if (seen)
            EXPECT_GE(wakeups * 10, static_cast<int>(at.size()) * 7);
        else
            EXPECT_LE(wakeups * 10, static_cast<int>(at.size()) * 6);
    }
}

TEST_F(QtLoopTest, SleepUntilRunsNoEventAndATimerCatchesUpWithoutABurst) {
    int ticks = 0, tasks = 0;
    loop.start_timer(20, [&] { ++ticks; });
    loop.post([&] { ++tasks; });
    loop.sleep_until(loop.now() + 0.4);  // a stall of 20 intervals
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(tasks, 0);
    loop.pump();
    EXPECT_EQ(tasks, 1);
    // A timer far behind skips ahead instead of running every missed tick at once.
    EXPECT_LE(ticks, 9);
    const int after_stall = ticks;
    loop.wait_until(loop.now() + 0.3);
    EXPECT_GE(ticks - after_stall, 3);  // and it goes on ticking
    EXPECT_LE(ticks - after_stall, 16);
}

TEST_F(QtLoopTest, AWaitInsideATickLetsOtherTimersRunButNotItself) {
    int slow = 0, fast = 0, fast_during_wait = 0;
    bool waiting = false;
    loop.start_timer(50, [&] {
        EXPECT_FALSE(waiting);  // never re-entered while it waits
        ++slow;
        if (slow == 1) {
            waiting = true;
            const int before = fast;
            loop.wait_until(loop.now() + 0.3);
            fast_during_wait = fast - before;
            waiting = false;
        }
    });
    loop.start_timer(10, [&] { ++fast; });
    loop.wait_until(loop.now() + 0.6);
    EXPECT_GE(fast_during_wait, 5);  // about 30
    EXPECT_GE(slow, 2);
}

TEST_F(QtLoopTest, PostedTasksRunInOrderAtThePump) {
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) loop.post([&, i] { order.push_back(i); });
    EXPECT_TRUE(order.empty());
    loop.pump();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace rv
