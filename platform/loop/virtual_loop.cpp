#include "platform/loop/virtual_loop.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace rv {

// One task at a time off the shared queue: a task that pumps runs the next one inside
// itself, so tasks start in the order posted however they nest. Only what was queued on
// entry runs, so a task that posts itself again cannot hold the pump forever.
bool VirtualLoop::run_posted() {
    std::size_t budget;
    {
        std::lock_guard<std::mutex> lock(m_posted_mutex);
        budget = m_posted.size();
    }
    bool ran = false;
    for (; budget > 0; --budget) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(m_posted_mutex);
            if (m_posted.empty()) break;
            task = std::move(m_posted.front());
            m_posted.pop_front();
        }
        task();
        ran = true;
    }
    return ran;
}

void VirtualLoop::pump() {
    run_posted();
    // Every timer due now fires once, in deadline order, ties in start order.
    std::vector<std::pair<std::int64_t, TimerId>> due;
    m_timers.for_each_idle([&](TimerId id, std::int64_t, std::int64_t deadline) {
        if (deadline <= m_now_us) due.emplace_back(deadline, id);
    });
    std::sort(due.begin(), due.end());
    for (const auto& [deadline, id] : due)
        if (m_timers.is_due(id, m_now_us)) m_timers.fire(id);
}

void VirtualLoop::run_until(std::int64_t deadline_us) {
    for (;;) {
        run_posted();
        TimerId id = m_timers.next_due(deadline_us);
        if (id == 0) break;
        m_now_us = std::max(m_now_us, m_timers.deadline(id));
        m_timers.fire(id);
    }
    m_now_us = std::max(m_now_us, deadline_us);
    run_posted();
}

namespace {
// Rounded up, so that now() >= deadline holds afterwards even when the deadline is not a
// whole microsecond in binary.
std::int64_t deadline_us(double deadline) {
    auto us = static_cast<std::int64_t>(std::ceil(deadline * 1e6));
    // The product can round down a hair, and now() divides again: step on until now() really
    // reaches the deadline, or a caller waiting for it would wait forever.
    while (static_cast<double>(us) / 1e6 < deadline) ++us;
    return us;
}
}  // namespace

void VirtualLoop::wait_until(double deadline) {
    run_until(deadline_us(deadline));
}

void VirtualLoop::sleep_until(double deadline) {
    m_now_us = std::max(m_now_us, deadline_us(deadline));
}

void VirtualLoop::advance(double seconds) {
    run_until(m_now_us + std::llround(seconds * 1e6));
}

TimerId VirtualLoop::start_timer(int interval_ms, std::function<void()> tick) {
    return m_timers.add(interval_ms, m_now_us, std::move(tick));
}

void VirtualLoop::stop_timer(TimerId id) {
    m_timers.remove(id);
}

void VirtualLoop::post(std::function<void()> task) {
    std::lock_guard<std::mutex> lock(m_posted_mutex);
    m_posted.push_back(std::move(task));
}

}  // namespace rv
