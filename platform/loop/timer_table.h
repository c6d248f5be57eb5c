#pragma once
// The timers of a loop, on a microsecond clock the loop supplies: the next tick due is the
// earliest deadline, ties going to the timer started first; a timer that is running its
// tick is not due again until that tick returns. Both loops keep their timers here.
#include <cstdint>
#include <functional>
#include <map>

#include "platform/loop/event_loop.h"

namespace rv {

class TimerTable {
  public:
    TimerId add(int interval_ms, std::int64_t now_us, std::function<void()> tick);
    bool remove(TimerId id) { return m_timers.erase(id) != 0; }
    bool contains(TimerId id) const { return m_timers.count(id) != 0; }
    std::size_t size() const { return m_timers.size(); }

    // The timer due first at or before `limit_us`, or 0.
    TimerId next_due(std::int64_t limit_us) const;
    std::int64_t deadline(TimerId id) const { return m_timers.at(id).deadline_us; }
    // Whether `id` exists, is not running its tick and is due by `limit_us`.
    bool is_due(TimerId id, std::int64_t limit_us) const {
        auto it = m_timers.find(id);
        return it != m_timers.end() && !it->second.running && it->second.deadline_us <= limit_us;
    }
    // Runs one tick of `id` and moves its deadline one interval on. A timer more than
    // `max_behind` intervals late at `now_us` skips ahead instead (0: never skips).
    // `before_tick` runs once the timer is marked running, just before its tick.
    void fire(TimerId id, std::int64_t now_us = 0, std::int64_t max_behind = 0,
              const std::function<void()>& before_tick = {});

    // Visits every timer not running its tick: f(id, interval_us, deadline_us).
    template <class F>
    void for_each_idle(F f) const {
        for (const auto& [id, t] : m_timers)
            if (!t.running) f(id, t.interval_us, t.deadline_us);
    }

  private:
    struct Timer {
        std::int64_t interval_us;
        std::int64_t deadline_us;
        std::function<void()> tick;
        bool running = false;
    };
    std::map<TimerId, Timer> m_timers;  // ids grow, so map order is start order
    TimerId m_next_id = 1;
};

}  // namespace rv
