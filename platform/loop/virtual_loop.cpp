#include "platform/loop/virtual_loop.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace rv {

namespace {
std::int64_t to_us(double seconds) {
    return std::llround(seconds * 1e6);
}
}  // namespace

bool VirtualLoop::run_posted() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(m_posted_mutex);
        batch.swap(m_posted);
    }
    for (auto& task : batch) task();
    return !batch.empty();
}

TimerId VirtualLoop::next_due(std::int64_t limit_us) const {
    TimerId best = 0;
    std::int64_t best_deadline = 0;
    for (const auto& [id, t] : m_timers) {
        if (t.running || t.deadline_us > limit_us) continue;
        if (best == 0 || t.deadline_us < best_deadline) {
            best = id;
            best_deadline = t.deadline_us;
        }
    }
    return best;
}

void VirtualLoop::fire(TimerId id) {
    Timer& t = m_timers.at(id);
    t.deadline_us += t.interval_us;
    t.running = true;
    auto tick = t.tick;  // the timer may be stopped (and erased) inside its own tick
    tick();
    auto again = m_timers.find(id);
    if (again != m_timers.end()) again->second.running = false;
}

void VirtualLoop::pump() {
    run_posted();
    // Every timer due now fires once, in deadline order, ties in start order.
    std::vector<std::pair<std::int64_t, TimerId>> due;
    for (const auto& [id, t] : m_timers)
        if (!t.running && t.deadline_us <= m_now_us) due.emplace_back(t.deadline_us, id);
    std::sort(due.begin(), due.end());
    for (const auto& [deadline, id] : due) {
        auto it = m_timers.find(id);
        if (it == m_timers.end() || it->second.running || it->second.deadline_us > m_now_us)
            continue;
        fire(id);
    }
}

void VirtualLoop::run_until(std::int64_t deadline_us) {
    for (;;) {
        run_posted();
        TimerId id = next_due(deadline_us);
        if (id == 0) break;
        m_now_us = std::max(m_now_us, m_timers[id].deadline_us);
        fire(id);
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
    run_until(m_now_us + to_us(seconds));
}

TimerId VirtualLoop::start_timer(int interval_ms, std::function<void()> tick) {
    std::int64_t interval = std::int64_t{effective_interval_ms(interval_ms)} * 1000;
    TimerId id = m_next_id++;
    m_timers[id] = Timer{interval, m_now_us + interval, std::move(tick)};
    return id;
}

void VirtualLoop::stop_timer(TimerId id) {
    m_timers.erase(id);
}

void VirtualLoop::post(std::function<void()> task) {
    std::lock_guard<std::mutex> lock(m_posted_mutex);
    m_posted.push_back(std::move(task));
}

}  // namespace rv
