#pragma once
// A timer that fires once: the loop's repeating timer, stopped at its first tick.
#include <functional>

#include "platform/loop/event_loop.h"

namespace rv::standin::net {

class OneShot {
  public:
    explicit OneShot(EventLoop& loop) : m_loop(loop) {}
    ~OneShot() { stop(); }
    OneShot(const OneShot&) = delete;
    OneShot& operator=(const OneShot&) = delete;

    // Replaces any pending shot.
    void start(int delay_ms, std::function<void()> fire) {
        stop();
        m_id = m_loop.start_timer(delay_ms, [this, fire = std::move(fire)] {
            stop();
            fire();
        });
    }
    void stop() {
        if (m_id) m_loop.stop_timer(m_id);
        m_id = 0;
    }
    bool active() const { return m_id != 0; }

  private:
    EventLoop& m_loop;
    TimerId m_id = 0;
};

}  // namespace rv::standin::net
