#include "platform/loop/virtual_loop.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace rv {

bool VirtualLoop::run_posted() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(m_posted_mutex);
        batch.swap(m_posted);
    }
    for (auto& task : batch) task();
    return !batch.empty();
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

// Rounded up, so that now() >= deadline holds afterwards even when the deadline is not a
// whole microsecond in binary.
void VirtualLoop::wait_until(double deadline) {
    run_until(static_cast<std::int64_t>(std::ceil(deadline * 1e6)));
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
