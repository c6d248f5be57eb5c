#include "platform/loop/timer_table.h"

namespace rv {

TimerId TimerTable::add(int interval_ms, std::int64_t now_us, std::function<void()> tick) {
    const std::int64_t interval = std::int64_t{effective_interval_ms(interval_ms)} * 1000;
    const TimerId id = m_next_id++;
    m_timers[id] = Timer{interval, now_us + interval, std::move(tick)};
    return id;
}

TimerId TimerTable::next_due(std::int64_t limit_us) const {
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

void TimerTable::fire(TimerId id, std::int64_t now_us, std::int64_t max_behind,
                      const std::function<void()>& before_tick) {
    Timer& t = m_timers.at(id);
    t.deadline_us += t.interval_us;
    if (max_behind > 0 && now_us - t.deadline_us > max_behind * t.interval_us)
        t.deadline_us = now_us + t.interval_us;
    t.running = true;
    auto tick = t.tick;  // the timer may be stopped (and erased) inside its own tick
    if (before_tick) before_tick();
    tick();
    auto again = m_timers.find(id);
    if (again != m_timers.end()) again->second.running = false;
}

}  // namespace rv
